#include "BuildConfiguration.h"

namespace buildConfig {

namespace {
// Tests only: the skin switch of another build.
std::optional<bool> gForcedSkin;
} // namespace

void testing::ForceSkin(std::optional<bool> skin) {
    gForcedSkin = skin;
}

bool Skinned() {
    return gForcedSkin.value_or(identity::Skin);
}

} // namespace buildConfig
