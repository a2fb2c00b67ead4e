// The build configuration: the product's identity and the two appearance switches, fixed for a build.
#pragma once

#include "Identity.h"

#include <QString>

// What a build of Keyshelf is: its identity, whether it shows the skin and the banner, and the banner's
// page. The program is given one (main hands it this build's) and puts it in use for its run.
struct BuildConfiguration {
    QString productName; // captions and texts
    QString companyName; // main window, about window
    QString comments;    // the website, a host without a scheme
    int versionMajor = 0;
    int versionMinor = 0;
    bool skinned = false;  // every window in the skin's look
    bool bannered = false; // the banner above the list
    QString bannerUrl;     // the banner page

    // The configuration this build was made with (CMake's cache, through Identity.h).
    static BuildConfiguration ofThisBuild();
};

namespace buildConfig {

// The switches of the configuration in use; this build's while none is.
// Every window in the skin's look.
bool Skinned();
// The banner above the list.
bool Bannered();
// The banner page.
QString BannerURL();
// The whole configuration in use.
const BuildConfiguration& Current();

// Puts `configuration` in use for the functions above while it lives (the program's, for its run); the one
// in use before comes back after. `configuration` must outlive it.
class InUse {
public:
    explicit InUse(const BuildConfiguration& configuration);
    ~InUse();
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;

private:
    const BuildConfiguration* previous_;
};

} // namespace buildConfig
