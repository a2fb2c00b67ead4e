#include "BuildConfiguration.h"

namespace buildConfig {

namespace {
// Tests only: the skin switch of another build.
std::optional<bool> gForcedSkin;
std::optional<bool> gForcedBanner;
std::optional<QString> gForcedBannerURL;
} // namespace

void testing::ForceSkin(std::optional<bool> skin) {
    gForcedSkin = skin;
}

void testing::ForceBanner(std::optional<bool> banner) {
    gForcedBanner = banner;
}

bool Bannered() {
    return gForcedBanner.value_or(identity::Banner);
}

void testing::ForceBannerURL(std::optional<QString> address) {
    gForcedBannerURL = std::move(address);
}

QString BannerURL() {
    return gForcedBannerURL.value_or(QString::fromUtf8(identity::BannerURL));
}

bool Skinned() {
    return gForcedSkin.value_or(identity::Skin);
}

} // namespace buildConfig
