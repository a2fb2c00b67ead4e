// The master password dialog and the entry editor.
#include "Design.h"

namespace layouts {
namespace {

constexpr auto kPassControls = [] {
    using enum PasswordDialogDesign::Control;
    Rows<PasswordDialogDesign::Control> rows;
    rows[Instruction] = {"SkinLabel1", Kind::SkinLabel, "Please enter your password", 120, 60, 6615, 315, 0, kVerdana};
    rows[Ok] = {"cmdOK", Kind::PushButton, "Ok", 4500, 1260, 1095, 495, 1, kVerdana};
    rows[Cancel] = {"cmdCancel", Kind::PushButton, "Cancel", 5700, 1260, 1035, 495, 2, kVerdana};
    rows[Password] = {
        "txtPass", Kind::TextBox, "", 1740, 480, 4995, 315, 3, kVerdana, nullptr, PasswordChar | NoInputMethod};
    rows[PasswordLabel] = {"SkinLabel2", Kind::SkinLabel, "Password:", 120, 540, 915, 255, 4, kVerdana};
    rows[Retype] = {
        "txtPass2", Kind::TextBox, "", 1740, 2400, 4995, 315, 5, kVerdana, nullptr, PasswordChar | NoInputMethod};
    rows[RetypeLabel] = {"SkinLabel3", Kind::SkinLabel, "Retype Password:", 120, 2460, 1935, 255, 6, kVerdana};
    rows[KeepHiddenTimer] = {"Timer1", Kind::Timer, "", 0, 0, 0, 0, kNoTabIndex, {}, nullptr, Running, nullptr, 100};
    return rows;
}();
static_assert(kPassControls.complete());

constexpr auto kAddControls = [] {
    using enum EntryEditorDesign::Control;
    Rows<EntryEditorDesign::Control> rows;
    rows[Cancel] = {"cmdDelete", Kind::GraphicalButton, "Cancel", 3420, 1500, 1155, 1035, 0, {}, "P3"};
    rows[Save] = {"cmdAdd(0)", Kind::GraphicalButton, "Save", 120, 1500, 1155, 1035, 1, {}, "Save"};
    rows[UsernameLabel] = {"SkinLabel1", Kind::SkinLabel, "Username:", 120, 120, 1155, 255, 2, kVerdanaBold};
    rows[Username] = {"txtUsername", Kind::TextBox, "", 1320, 60, 3255, 315, 3};
    rows[PasswordLabel] = {"SkinLabel2", Kind::SkinLabel, "Password:", 120, 540, 1155, 255, 4, kVerdanaBold};
    rows[Password] = {"txtPassword", Kind::TextBox, "", 1320, 480, 3255, 315, 5};
    rows[WebsiteLabel] = {"SkinLabel3", Kind::SkinLabel, "Website:", 120, 960, 1155, 255, 6, kVerdanaBold};
    rows[Website] = {"txtWebsite", Kind::TextBox, "", 1320, 900, 3255, 315, 7};
    return rows;
}();
static_assert(kAddControls.complete());

} // namespace

const Window PasswordDialogDesign::window{
    "frmPass", "Password Required", 6825, 1800, Border::FixedSingle, false, false, true, {},
    "frmPass", kPassControls.rows};

const Window EntryEditorDesign::window{"frmAdd", "Form2", 4680, 2610,     Border::FixedSingle, false,
                                       false,    true,    {},   "frmAdd", kAddControls.rows};

} // namespace layouts
