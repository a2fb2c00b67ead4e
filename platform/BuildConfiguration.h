// The build configuration: the product's identity and the two appearance switches, fixed for a build.
#pragma once

#include "Identity.h"

#include <QString>
#include <optional>

namespace buildConfig {

inline const QString strProductName = QString::fromUtf8(identity::ProductName); // captions and texts
inline const QString strCompanyName = QString::fromUtf8(identity::CompanyName); // main window, about window
inline const QString strComments = QString::fromUtf8(identity::Comments); // the website, a host without a scheme
// Every window in the skin's look.
bool Skinned();
// The banner above the list.
bool Bannered();
// The banner page.
QString BannerURL();

namespace testing {
// Makes Skinned() answer `skin`, as a build with skinning switched on or off has it; nullopt returns to the
// build's own value.
void ForceSkin(std::optional<bool> skin);
// The same for the banner, for measuring a window as a build without the band has it.
void ForceBanner(std::optional<bool> banner);
// Another banner page (a test server's); nullopt returns to the build's own.
void ForceBannerURL(std::optional<QString> address);
} // namespace testing

} // namespace buildConfig
