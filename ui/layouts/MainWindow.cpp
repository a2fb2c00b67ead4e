// The main window: buttons, the list, the status bar, the banner's place and the menu bar.
#include "Design.h"

namespace layouts {
namespace {

constexpr Control kControls[] = {
    {"cmdAdd(0)", Kind::GraphicalButton, "Add", 60, 60, 1155, 1035, 0, {}, "P1"},
    {"cmdEdit", Kind::GraphicalButton, "Edit", 2460, 60, 1155, 1035, 1, {}, "P2"},
    {"cmdDelete", Kind::GraphicalButton, "Delete", 1260, 60, 1155, 1035, 2, {}, "P3"},
    {"cmdWebsite(0)", Kind::GraphicalButton, "Command1", 4860, 60, 4095, 1035, 3, {}, "P4"},
    {"lstPass", Kind::ListView, "", 60, 1980, 8895, 4215, 4},
    {"cmdCopy(0)", Kind::GraphicalButton, "Copy Username", 60, 1140, 2355, 795, 5, {}, "P5"},
    {"cmdGoto", Kind::GraphicalButton, "Go To", 3660, 60, 1155, 1035, 6, {}, "P6"},
    {"cmdCopy(1)", Kind::GraphicalButton, "Copy Password", 2460, 1140, 2355, 795, 7, {}, "P5"},
    {"cmdCopy(2)", Kind::GraphicalButton, "Copy Used At", 4860, 1140, 4095, 795, 8, {}, "P5"},
    {"StatusBar1", Kind::StatusBar, "", 0, 6240, 9015, 315, 9, {}, nullptr, DockBottom},
    // Hidden at creation: without the banner it would only lie over the list's header.
    {"wbPicture", Kind::PictureBox, "", 7050, 2010, 330, 920, 10, {}, nullptr, NoBorder | Hidden},
    // A line from (300, 0) to (300, 1080) in the picture box, cut off at its bottom edge.
    {"Line2", Kind::Line, "", 300, 0, 300, 1080, kNoTabIndex, {}, nullptr, None, "wbPicture"},
    {"wbBanner", Kind::WebBrowser, "", 60, 1980, 7335, 945, 11, {}, nullptr, Hidden},
};

constexpr const char* kFileItems[] = {"Exit"};
constexpr const char* kDataItems[] = {"Add Username/Password", "Delete Selected Item", "Edit Selected Item",
                                      "Goto \"Used At\" Location"};
constexpr const char* kCopyItems[] = {"Selected Username", "Selected Password", "Selected Used At Location"};
constexpr const char* kHelpItems[] = {"View Help"};
constexpr const char* kAboutItems[] = {"About this software"};

constexpr Menu kMenus[] = {
    {"mnuFile", "File", "mnuFileItem", kFileItems},
    {"mnuData", "Data", "mnuDataItem", kDataItems},
    {"mnuCopy", "Copy", "mnuCopyItem", kCopyItems},
    {"mnuHelp", "Help", "mnuHelpItem", kHelpItems},
    {"mnuAbout", "About", "mnuAboutItem", kAboutItems},
};

} // namespace

const Window Form1{"Form1", "Form1", 9015, 6555, Border::Sizable, true, true, true, kVerdana, nullptr, kControls,
                   kMenus};

} // namespace layouts
