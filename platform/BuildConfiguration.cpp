#include "BuildConfiguration.h"

#include "Identity.h"

namespace buildConfig {

QString strProductName;
QString strCompanyName;
QString strComments;
bool blnSkin = false;
bool blnBanner = true;
QString strBannerURL;

namespace {
std::optional<bool> gForcedSkin;
}

void testing::ForceSkin(std::optional<bool> skin) {
    gForcedSkin = skin;
}

void ApplyBuildConfiguration() {
    strProductName = QString::fromUtf8(identity::ProductName);
    strCompanyName = QString::fromUtf8(identity::CompanyName);
    strComments = QString::fromUtf8(identity::Comments);
    blnSkin = gForcedSkin.value_or(identity::Skin);
    blnBanner = identity::Banner;
    strBannerURL = QString::fromUtf8(identity::BannerURL);
}

} // namespace buildConfig
