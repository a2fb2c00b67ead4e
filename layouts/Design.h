// The static design of a window as plain data: what it is called, how big it is, and every control with
// its kind, caption, place, size, font and tab order, as the window is created. Positions and sizes are
// in twips (15 to a pixel), counted from the top-left corner of the client area, or of the picture box
// that contains the control.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace layouts {

enum class Kind {
    Label,           // plain text label
    SkinLabel,       // text label of the skin layer
    PushButton,      // button with a caption
    GraphicalButton, // button with a 32 x 32 picture above its caption
    TextBox,         // single-line text box
    CheckBox,
    ListView,  // list in report view
    StatusBar, // docked to the bottom edge
    PictureBox,
    Image,
    Line,
    WebBrowser,
    RichTextBox,
    Timer,
    SkinControl, // the skin layer's control: invisible, carries the skin
};

struct Font {
    const char* family = nullptr; // nullptr: the window's font
    double points = 0;
    bool bold = false;
};

inline constexpr Font kVerdana{"Verdana", 8.25, false};
inline constexpr Font kVerdanaBold{"Verdana", 8.25, true};
inline constexpr Font kDialogFont{"MS Sans Serif", 8.25, false};

enum Flags : unsigned {
    None = 0,
    PasswordChar = 1u << 0, // shows "*" for every character
    NoInputMethod = 1u << 1,
    Hidden = 1u << 2, // invisible at creation
    DockBottom = 1u << 3,
    NoBorder = 1u << 4,
    SunkenBorder = 1u << 5,
    Transparent = 1u << 6,
    Running = 1u << 7,    // a timer that runs from creation
    FlatBorder = 1u << 8, // a one-pixel flat border
};

inline constexpr int kNoTabIndex = -1;

struct Control {
    const char* name; // "txtPass", or a group member: "cmdCopy(1)"
    Kind kind;
    const char* caption = "";
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tabIndex = kNoTabIndex;
    Font font{};
    const char* picture = nullptr; // resource name of a picture, e.g. "P1"
    unsigned flags = None;
    const char* container = nullptr; // the picture box that holds it
    int interval = 0;                // timers: milliseconds
    // Lines: from (left, top) to (width, height) in the container's coordinates.
};

enum class Border { FixedSingle, FixedDialog, Sizable, None };

// A drop-down of the menu bar; its items form one group, indexed from 0.
struct Menu {
    const char* name;     // "mnuData"
    const char* caption;  // "Data"
    const char* itemName; // "mnuDataItem"
    std::span<const char* const> items;
};

struct Window {
    const char* name;
    const char* caption;
    int clientWidth;
    int clientHeight;
    Border border;
    bool minButton;
    bool maxButton;
    bool centred;
    Font font;        // family nullptr: the platform's dialog font
    const char* icon; // resource name, or nullptr
    std::span<const Control> controls;
    std::span<const Menu> menus = {};
};

constexpr bool Named(const Control& control) {
    return control.name != nullptr;
}
constexpr bool Named(const char* item) {
    return item != nullptr;
}

// A design's rows under the names of its own enum, whose last enumerator, Count, is their number. Rows are
// filled as `rows[Id::Ok] = {...}`, so each name sits beside its row; they are made in the enum's order (a
// later control lies over an earlier one), and a window takes each widget Build made by the same name.
template <class Id, class Row = Control> struct Rows {
    std::array<Row, static_cast<std::size_t>(Id::Count)> rows{};

    constexpr Row& operator[](Id id) { return rows[static_cast<std::size_t>(id)]; }
    constexpr const Row& operator[](Id id) const { return rows[static_cast<std::size_t>(id)]; }
    // Every row named: a name the table left out would be an empty row, made as nothing.
    constexpr bool complete() const {
        for (const Row& row : rows) {
            if (!Named(row)) {
                return false;
            }
        }
        return true;
    }
};

// The designs, each with the names its window uses for the controls and menu items it holds.

struct MainWindowDesign {
    enum class Control {
        Add,
        Edit,
        Delete,
        Website,
        List,
        CopyUsername,
        Goto,
        CopyPassword,
        CopyLocation,
        StatusBar,
        BannerPicture, // the band's frame, with BannerLine inside it
        BannerLine,
        Banner, // the banner's place: the band itself is made when the banner shows
        Count
    };
    // The menu bar's items, menu by menu: File, Data, Copy, Help, About.
    enum class MenuItem {
        Exit,
        Add,
        Delete,
        Edit,
        Goto,
        CopyUsername,
        CopyPassword,
        CopyLocation,
        ViewHelp,
        About,
        Count
    };
    static const Window window;
};

struct PasswordDialogDesign {
    enum class Control {
        Instruction,
        Ok,
        Cancel,
        Password,
        PasswordLabel,
        Retype,
        RetypeLabel,
        KeepHiddenTimer, // keeps the main window out of sight while the dialog is open
        Count
    };
    static const Window window;
};

struct EntryEditorDesign {
    enum class Control { Cancel, Save, UsernameLabel, Username, PasswordLabel, Password, WebsiteLabel, Website, Count };
    static const Window window;
};

struct HelpWindowDesign {
    enum class Control { Document, ShowAtStartup, Count };
    static const Window window;
};

struct AboutWindowDesign {
    enum class Control {
        Header,
        ProductName, // on the header picture
        VersionCaption,
        OwnerCaption,
        WebsiteCaption,
        Website,
        Owner,
        Version,
        SkinLabelTemplate, // hidden: the skin's labels are made after it
        Count
    };
    static const Window window;
};

struct SplashWindowDesign {
    enum class Control { Picture, Skin, Timer, Count };
    static const Window window;
};

struct WebsiteLauncherDesign {
    enum class Control { CloseTimer, Count };
    static const Window window;
};

} // namespace layouts
