#include "Appearance.h"

#include "Banner.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "Skin.h"

#include <QRegion>
#include <QWidget>
#include <cmath>

namespace appearance {

namespace {

void SetColour(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = w->palette();
    palette.setColor(role, colour);
    w->setPalette(palette);
}

} // namespace

void ColourControls(QWidget* form, qint32 back, qint32 text, qint32 picture) {
    const QColor backColour = Skin::ColourOf(back);
    const QColor textColour = Skin::ColourOf(text);
    const QColor pictureColour = Skin::ColourOf(picture);
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const std::optional<layouts::Kind> kind = layouts::KindOf(control);
        if (!kind) {
            continue;
        }
        switch (*kind) {
        case layouts::Kind::PushButton:
        case layouts::Kind::GraphicalButton:
            SetColour(control, QPalette::Button, backColour);
            break;
        case layouts::Kind::TextBox:
        case layouts::Kind::ListView:
            SetColour(control, QPalette::Base, backColour);
            SetColour(control, QPalette::Text, textColour);
            break;
        case layouts::Kind::PictureBox:
            SetColour(control, QPalette::Window, pictureColour);
            control->setAutoFillBackground(true);
            break;
        case layouts::Kind::Label:
        case layouts::Kind::SkinLabel:
        case layouts::Kind::CheckBox:
        case layouts::Kind::StatusBar:
        case layouts::Kind::Image:
        case layouts::Kind::Line:
        case layouts::Kind::WebBrowser:
        case layouts::Kind::RichTextBox:
        case layouts::Kind::Timer:
        case layouts::Kind::SkinControl:
            break;
        }
    }
}

void ResetWindowRegion(QWidget* form) {
    // The window's size in twips taken as pixels: a region that always reaches beyond the window, which
    // is therefore shown whole and rectangular.
    const int width = layouts::OuterWidth(form);
    const int height = layouts::OuterHeight(form);
    form->setMask(QRegion(0, 0, width, height));
}

} // namespace appearance

Appearance::Appearance() = default;

Appearance::~Appearance() = default;

void Appearance::SkinForm(QWidget* form) const {
    if (form == nullptr || skin_ == nullptr) {
        return;
    }
    const auto back = skin_->Property(2);
    const auto text = skin_->Property(3);
    const auto picture = skin_->Property(4);
    if (back && text && picture) {
        appearance::ColourControls(form, *back, *text, *picture);
    }
    if (buildConfig::Skinned()) {
        appearance::ResetWindowRegion(form);
    }
    skin_->Apply(form);
}

void Appearance::SkinSplash(QWidget* splash, Skin* skn) {
    skin_ = skn;
    SkinForm(splash);
}

void Appearance::ShowBanner(QWidget* banner, QWidget* picture, bool pixelScale) {
    if (banner == nullptr) {
        return;
    }
    // The band's container: a borderless box on the window.
    auto* box = new QWidget(banner->parentWidget());
    box->setObjectName(QStringLiteral("picBox"));
    layouts::SetKind(box, layouts::Kind::PictureBox);
    picBox_ = box;
    // In the band's place, narrower by the margin that once hid a browser's scroll bar.
    const int margin = pixelScale ? 20 * 15 : 280;
    layouts::SetGeometry(box, layouts::Left(banner), layouts::Top(banner), layouts::Width(banner) - margin,
                         layouts::Height(banner));
    // The band moves into it, at its corner, keeping its full width, so the margin clips its right edge.
    banner->setParent(box);
    banner->move(0, 0);
    // Shown and painted before the band appears in it, so it never flashes at the old place.
    box->show();
    box->repaint();
    banner->setVisible(true);
    if (picture != nullptr) {
        picture->setVisible(false);
    }
    // Only then is the page asked for.
#ifdef KEYSHELF_WITH_BANNER
    Banner::In(banner)->Navigate(buildConfig::BannerURL());
#endif
}
