#include "BuildConfiguration.h"

BuildConfiguration BuildConfiguration::ofThisBuild() {
    return {QString::fromUtf8(identity::ProductName),
            QString::fromUtf8(identity::CompanyName),
            QString::fromUtf8(identity::Comments),
            identity::VersionMajor,
            identity::VersionMinor,
            identity::Skin,
            identity::Banner,
            QString::fromUtf8(identity::BannerURL)};
}

namespace buildConfig {

namespace {
// The configuration the program was given, while its run lasts.
const BuildConfiguration* gInUse = nullptr;
} // namespace

const BuildConfiguration& Current() {
    if (gInUse != nullptr) {
        return *gInUse;
    }
    static const BuildConfiguration thisBuild = BuildConfiguration::ofThisBuild();
    return thisBuild;
}

bool Skinned() {
    return Current().skinned;
}

bool Bannered() {
    return Current().bannered;
}

QString BannerURL() {
    return Current().bannerUrl;
}

InUse::InUse(const BuildConfiguration& configuration) : previous_(gInUse) {
    gInUse = &configuration;
}

InUse::~InUse() {
    gInUse = previous_;
}

} // namespace buildConfig
