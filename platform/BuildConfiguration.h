// The build configuration: the product's identity and the two appearance switches, fixed for a build.
#pragma once

#include "Identity.h"

#include <QString>
#include <optional>

namespace buildConfig {

inline const QString strProductName = QString::fromUtf8(identity::ProductName); // captions and texts
inline const QString strCompanyName = QString::fromUtf8(identity::CompanyName); // main window, about window
inline const QString strComments = QString::fromUtf8(identity::Comments); // the website, a host without a scheme
inline const QString strBannerURL = QString::fromUtf8(identity::BannerURL); // the banner page
inline constexpr bool blnBanner = identity::Banner; // the banner above the list

// Every window in the skin's look.
bool Skinned();

namespace testing {
// Makes Skinned() answer `skin`, as a build with skinning switched on or off has it; nullopt returns to the
// build's own value.
void ForceSkin(std::optional<bool> skin);
} // namespace testing

} // namespace buildConfig
