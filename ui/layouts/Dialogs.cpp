// The master password dialog and the entry editor.
#include "Design.h"

namespace layouts {
namespace {

constexpr Control kPassControls[] = {
    {"SkinLabel1", Kind::SkinLabel, "Please enter your password", 120, 60, 6615, 315, 0, kVerdana},
    {"cmdOK", Kind::PushButton, "Ok", 4500, 1260, 1095, 495, 1, kVerdana},
    {"cmdCancel", Kind::PushButton, "Cancel", 5700, 1260, 1035, 495, 2, kVerdana},
    {"txtPass", Kind::TextBox, "", 1740, 480, 4995, 315, 3, kVerdana, nullptr, PasswordChar | NoInputMethod},
    {"SkinLabel2", Kind::SkinLabel, "Password:", 120, 540, 915, 255, 4, kVerdana},
    {"txtPass2", Kind::TextBox, "", 1740, 2400, 4995, 315, 5, kVerdana, nullptr, PasswordChar | NoInputMethod},
    {"SkinLabel3", Kind::SkinLabel, "Retype Password:", 120, 2460, 1935, 255, 6, kVerdana},
    {"Timer1", Kind::Timer, "", 0, 0, 0, 0, kNoTabIndex, {}, nullptr, Running, nullptr, 100},
};

constexpr Control kAddControls[] = {
    {"cmdDelete", Kind::GraphicalButton, "Cancel", 3420, 1500, 1155, 1035, 0, {}, "P3"},
    {"cmdAdd(0)", Kind::GraphicalButton, "Save", 120, 1500, 1155, 1035, 1, {}, "Save"},
    {"SkinLabel1", Kind::SkinLabel, "Username:", 120, 120, 1155, 255, 2, kVerdanaBold},
    {"txtUsername", Kind::TextBox, "", 1320, 60, 3255, 315, 3},
    {"SkinLabel2", Kind::SkinLabel, "Password:", 120, 540, 1155, 255, 4, kVerdanaBold},
    {"txtPassword", Kind::TextBox, "", 1320, 480, 3255, 315, 5},
    {"SkinLabel3", Kind::SkinLabel, "Website:", 120, 960, 1155, 255, 6, kVerdanaBold},
    {"txtWebsite", Kind::TextBox, "", 1320, 900, 3255, 315, 7},
};

} // namespace

const Window frmPass{"frmPass", "Password Required", 6825, 1800, Border::FixedSingle, false, false, true, {},
                     "frmPass", kPassControls};

const Window frmAdd{"frmAdd", "Form2", 4680, 2610, Border::FixedSingle, false, false, true, {}, "frmAdd",
                    kAddControls};

} // namespace layouts
