// The build configuration: the product's identity and the two appearance switches, fixed for a build.
#pragma once

#include <QString>
#include <optional>

namespace buildConfig {

extern QString strProductName; // captions and texts
extern QString strCompanyName; // the main window's caption, the about window
extern QString strComments;    // the product's website, a host without a scheme
extern bool blnSkin;           // every window in the skin's look
extern bool blnBanner;         // the banner above the list
extern QString strBannerURL;   // the banner page

// Fills the values above from the build's identity. Every call sets the same values.
void ApplyBuildConfiguration();

namespace testing {
// Makes every later ApplyBuildConfiguration set blnSkin to `skin`, as a build with skinning switched on
// or off has it; nullopt returns to the build's own value.
void ForceSkin(std::optional<bool> skin);
} // namespace testing

} // namespace buildConfig
