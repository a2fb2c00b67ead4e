// The help, about, splash and website-launcher windows.
#include "Design.h"

namespace layouts {
namespace {

constexpr Font kVerdana12Bold{"Verdana", 12, true};

constexpr auto kHelpControls = [] {
    using enum HelpWindowDesign::Control;
    Rows<HelpWindowDesign::Control> rows;
    rows[Document] = {"rtf1", Kind::RichTextBox, "RichTextBox1", 0, 0, 10275, 7515, 0};
    rows[ShowAtStartup] = {"Check1", Kind::CheckBox, "Show at Startup", 60, 7620, 1995, 255, 1};
    return rows;
}();
static_assert(kHelpControls.complete());

constexpr auto kAboutControls = [] {
    using enum AboutWindowDesign::Control;
    Rows<AboutWindowDesign::Control> rows;
    rows[Header] = {"Picture1", Kind::PictureBox, "", 0, 0, 7515, 1035, 6, {}, "about-header", SunkenBorder};
    rows[ProductName] = {"Label1", Kind::Label, "Your Program Name",      120,     300,         5655,
                         435,      7,           {"Verdana", 14.25, true}, nullptr, Transparent, "Picture1"};
    rows[VersionCaption] = {"Label2", Kind::Label, "Version:", 180, 1260, 2295, 315, 0, kVerdana12Bold};
    rows[OwnerCaption] = {"Label3", Kind::Label, "Owned By:", 180, 1680, 2295, 315, 1, kVerdana12Bold};
    rows[WebsiteCaption] = {"Label4", Kind::Label, "Website:", 180, 2100, 2295, 315, 2, kVerdana12Bold};
    rows[Website] = {"lblWebsite", Kind::Label, "Website:", 2580, 2100, 4635, 315, 3, kVerdana12Bold};
    rows[Owner] = {"lblCompany", Kind::Label, "Owned By:", 2580, 1680, 4635, 315, 4, kVerdana12Bold};
    rows[Version] = {"lblVersion", Kind::Label, "Version:", 2580, 1260, 4635, 315, 5, kVerdana12Bold};
    rows[SkinLabelTemplate] = {"SkinLabel1(0)", Kind::SkinLabel, "Windowed Label", 480, 2760, 555, 195, 8, kDialogFont,
                               nullptr,         Hidden};
    return rows;
}();
static_assert(kAboutControls.complete());

constexpr auto kSplashControls = [] {
    using enum SplashWindowDesign::Control;
    Rows<SplashWindowDesign::Control> rows;
    rows[Picture] = {"Image1", Kind::Image, "", 0, 0, 7170, 4770, kNoTabIndex, {}, "splash", FlatBorder};
    rows[Skin] = {"skn", Kind::SkinControl, "", 0, 0, 0, 0, kNoTabIndex, {}, nullptr, Hidden};
    rows[Timer] = {"Timer2", Kind::Timer, "", 0, 0, 0, 0, kNoTabIndex, {}, nullptr, None, nullptr, 2};
    return rows;
}();
static_assert(kSplashControls.complete());

constexpr auto kWebsiteControls = [] {
    using enum WebsiteLauncherDesign::Control;
    Rows<WebsiteLauncherDesign::Control> rows;
    rows[CloseTimer] = {"Timer1", Kind::Timer, "", 0, 0, 0, 0, kNoTabIndex, {}, nullptr, Running, nullptr, 1000};
    return rows;
}();
static_assert(kWebsiteControls.complete());

} // namespace

const Window HelpWindowDesign::window{"Form8", "Readme/Help", 10290, 7920,    Border::FixedDialog, false,
                                      false,   true,          {},    "Form8", kHelpControls.rows};

const Window AboutWindowDesign::window{"frmAbout", "frmAbout", 7455,     2535,       Border::FixedSingle, false,
                                       false,      true,       kVerdana, "frmAbout", kAboutControls.rows};

const Window SplashWindowDesign::window{"frmSplash", "Form4", 7170, 4770,    Border::None,        false,
                                        false,       true,    {},   nullptr, kSplashControls.rows};

const Window WebsiteLauncherDesign::window{"frmWebsite", "",   1830, 1605,         Border::None,         false,
                                           false,        true, {},   "frmWebsite", kWebsiteControls.rows};

} // namespace layouts
