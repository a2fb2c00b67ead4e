// The optional appearance: the skin layer, and the banner above the main window's list.
#pragma once

#include <QPointer>

class QWidget;
class Skin;
class SkinCompanion;

namespace appearance {

// The skin control of the splash window; set when skinning is on.
extern QPointer<Skin> objSkin;
// The companion object, made on first use.
extern QPointer<SkinCompanion> objSkinCompanion;
// The borderless box the banner's web view lives in, once the banner is shown.
extern QPointer<QWidget> picBox;

// Shows a window in the skin's look: its plain controls recoloured from the skin's colours, then the
// skin applied. A step that fails is skipped and nothing is reported.
void SkinForm(QWidget* form);
// Recolours the controls of a form by the name of the kind of control each stands for.
void ColourControls(QWidget* form, qint32 back, qint32 text, qint32 picture);
// True on the systems whose skinning needs a window region and the companion object: NT 6 and later,
// which is what this platform reports.
bool IsVistaOrLater();
// Gives a window a rectangular region covering all of it.
void ResetWindowRegion(QWidget* form);
// At the end of the splash, whatever skinning says: prepares the companion object.
void SkinStartUp();
// At the splash's load, with skinning on: takes the splash's skin control and skins the splash.
void SkinSplash(QWidget* splash, Skin* skn);
// At the main window's unload, with skinning on.
void SkinShutDown();

// Puts the banner page in its band above the main window's list. `pixelScale` is true for a form that
// measures in pixels, which gets a 20-pixel margin instead of 280 twips.
void ShowBanner(QWidget* form, bool pixelScale = false);

// Tests: the system version the platform reports, and forgetting the run's skin objects.
void SetReportedVersion(int platformId, int major);
void Reset();

} // namespace appearance
