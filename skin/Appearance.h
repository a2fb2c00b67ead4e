// The optional appearance: the skin layer, and the banner above the main window's list.
#pragma once

#include "Skin.h"

#include <QPointer>

class QWidget;

namespace appearance {

// Recolours the controls of a form by the name of the kind of control each stands for.
void ColourControls(QWidget* form, qint32 back, qint32 text, qint32 picture);
// A system's version as the skin asks for it: the platform family (2: NT) and the major number.
struct SystemVersion {
    int platformId = 2;
    int major = 6;
};
// What this platform reports: an NT-family version 6, so that the Vista-or-later paths run.
inline constexpr SystemVersion kReportedVersion{};
// True on the systems whose skinning needs a window region and the companion object: NT 6 and later.
bool IsVistaOrLater(SystemVersion version = kReportedVersion);
// Gives a window a rectangular region covering all of it.
void ResetWindowRegion(QWidget* form);

} // namespace appearance

// The appearance of one run: the skin control the splash carries, which every window takes its look
// from, the skin's companion object, and the box the banner band lives in.
class Appearance {
public:
    Appearance();
    ~Appearance();
    Appearance(const Appearance&) = delete;
    Appearance& operator=(const Appearance&) = delete;

    // Shows a window in the skin's look: its plain controls recoloured from the skin's colours, then the
    // skin applied. A step that fails is skipped and nothing is reported; without a skin, nothing happens.
    void SkinForm(QWidget* form) const;
    // At the splash's load, with skinning on: takes the splash's skin control and skins the splash.
    void SkinSplash(QWidget* splash, Skin* skn);
    // At the end of the splash, whatever skinning says: prepares the companion object.
    void SkinStartUp();
    // At the main window's unload, with skinning on.
    void SkinShutDown();

    // Puts the banner page in its band above the main window's list. `pixelScale` is true for a form that
    // measures in pixels, which gets a 20-pixel margin instead of 280 twips.
    void ShowBanner(QWidget* form, bool pixelScale = false);

    Skin* skin() const { return skin_; }
    void setSkin(Skin* skin) { skin_ = skin; }
    // Once the banner is shown.
    QWidget* bannerBox() const { return picBox_; }

private:
    SkinCompanion* Companion();

    QPointer<Skin> skin_;
    QPointer<SkinCompanion> companion_;
    QPointer<QWidget> picBox_;
};
