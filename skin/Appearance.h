// The optional appearance: the skin layer, and the banner above the main window's list.
#pragma once

#include "Skin.h"

#include <QPointer>

class QWidget;

namespace appearance {

// Recolours the controls of a form by the kind of control each stands for: buttons, text boxes and lists,
// and picture boxes.
void ColourControls(QWidget* form, qint32 back, qint32 text, qint32 picture);
// Gives a window a rectangular region covering all of it.
void ResetWindowRegion(QWidget* form);

} // namespace appearance

// The appearance of one run: the skin control the splash carries, which every window takes its look
// from, and the box the banner band lives in.
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

    // Puts the banner page in `band`, the band above the main window's list, and hides `picture`, which
    // stood in its place. `pixelScale` is true for a form that measures in pixels, which gets a 20-pixel
    // margin instead of 280 twips.
    void ShowBanner(QWidget* band, QWidget* picture, bool pixelScale = false);

    Skin* skin() const { return skin_; }
    void setSkin(Skin* skin) { skin_ = skin; }
    // Once the banner is shown.
    QWidget* bannerBox() const { return picBox_; }

private:
    QPointer<Skin> skin_;
    QPointer<QWidget> picBox_;
};
