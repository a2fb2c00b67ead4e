// The main window: buttons, the list, the status bar, the banner's place and the menu bar.
#include "Design.h"

namespace layouts {
namespace {

constexpr auto kControls = [] {
    using enum MainWindowDesign::Control;
    Rows<MainWindowDesign::Control> rows;
    rows[Add] = {"cmdAdd(0)", Kind::GraphicalButton, "Add", 60, 60, 1155, 1035, 0, {}, "P1"};
    rows[Edit] = {"cmdEdit", Kind::GraphicalButton, "Edit", 2460, 60, 1155, 1035, 1, {}, "P2"};
    rows[Delete] = {"cmdDelete", Kind::GraphicalButton, "Delete", 1260, 60, 1155, 1035, 2, {}, "P3"};
    rows[Website] = {"cmdWebsite(0)", Kind::GraphicalButton, "Command1", 4860, 60, 4095, 1035, 3, {}, "P4"};
    rows[List] = {"lstPass", Kind::ListView, "", 60, 1980, 8895, 4215, 4};
    rows[CopyUsername] = {"cmdCopy(0)", Kind::GraphicalButton, "Copy Username", 60, 1140, 2355, 795, 5, {}, "P5"};
    rows[Goto] = {"cmdGoto", Kind::GraphicalButton, "Go To", 3660, 60, 1155, 1035, 6, {}, "P6"};
    rows[CopyPassword] = {"cmdCopy(1)", Kind::GraphicalButton, "Copy Password", 2460, 1140, 2355, 795, 7, {}, "P5"};
    rows[CopyLocation] = {"cmdCopy(2)", Kind::GraphicalButton, "Copy Used At", 4860, 1140, 4095, 795, 8, {}, "P5"};
    rows[StatusBar] = {"StatusBar1", Kind::StatusBar, "", 0, 6240, 9015, 315, 9, {}, nullptr, DockBottom};
    // Hidden at creation: without the banner it would only lie over the list's header.
    rows[BannerPicture] = {"wbPicture", Kind::PictureBox, "", 7050, 2010, 330, 920, 10, {}, nullptr, NoBorder | Hidden};
    // A line from (300, 0) to (300, 1080) in the picture box, cut off at its bottom edge.
    rows[BannerLine] = {"Line2", Kind::Line, "", 300, 0, 300, 1080, kNoTabIndex, {}, nullptr, None, "wbPicture"};
    rows[Banner] = {"wbBanner", Kind::WebBrowser, "", 60, 1980, 7335, 945, 11, {}, nullptr, Hidden};
    return rows;
}();
static_assert(kControls.complete());

constexpr auto kItems = [] {
    using enum MainWindowDesign::MenuItem;
    Rows<MainWindowDesign::MenuItem, const char*> rows;
    rows[Exit] = "Exit";
    rows[Add] = "Add Username/Password";
    rows[Delete] = "Delete Selected Item";
    rows[Edit] = "Edit Selected Item";
    rows[Goto] = "Goto \"Used At\" Location";
    rows[CopyUsername] = "Selected Username";
    rows[CopyPassword] = "Selected Password";
    rows[CopyLocation] = "Selected Used At Location";
    rows[ViewHelp] = "View Help";
    rows[About] = "About this software";
    return rows;
}();
static_assert(kItems.complete());

// The items from `first` to `last` of kItems.
constexpr std::span<const char* const> Items(MainWindowDesign::MenuItem first, MainWindowDesign::MenuItem last) {
    return std::span<const char* const>(kItems.rows)
        .subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(last) - static_cast<std::size_t>(first) + 1);
}

using Item = MainWindowDesign::MenuItem;
constexpr Menu kMenus[] = {
    {"mnuFile", "File", "mnuFileItem", Items(Item::Exit, Item::Exit)},
    {"mnuData", "Data", "mnuDataItem", Items(Item::Add, Item::Goto)},
    {"mnuCopy", "Copy", "mnuCopyItem", Items(Item::CopyUsername, Item::CopyLocation)},
    {"mnuHelp", "Help", "mnuHelpItem", Items(Item::ViewHelp, Item::ViewHelp)},
    {"mnuAbout", "About", "mnuAboutItem", Items(Item::About, Item::About)},
};
// Build numbers the items menu by menu: the menus take every item, in order, so that number is the name's.
static_assert([] {
    std::size_t next = 0;
    for (const Menu& menu : kMenus) {
        if (menu.items.data() != kItems.rows.data() + next) {
            return false;
        }
        next += menu.items.size();
    }
    return next == kItems.rows.size();
}());

} // namespace

const Window MainWindowDesign::window{"Form1", "Form1", 9015,     6555,    Border::Sizable, true,
                                      true,    true,    kVerdana, nullptr, kControls.rows,  kMenus};

} // namespace layouts
