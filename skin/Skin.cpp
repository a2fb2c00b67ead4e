#include "Skin.h"

#include <stdexcept>

namespace {

// The look: a quiet steel-blue window with light controls and a darker header for picture boxes.
constexpr QRgb kBackground = 0xE6EEF7;
constexpr QRgb kText = 0x1B2A41;
constexpr QRgb kPicture = 0xC9D8EA;
constexpr QRgb kWindow = 0xD4E1F0;

qint32 Pack(QColor c) {
    return static_cast<qint32>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

} // namespace

Skin::Skin(QWidget* parent)
    : QWidget(parent), background_(QColor::fromRgb(kBackground)), text_(QColor::fromRgb(kText)),
      picture_(QColor::fromRgb(kPicture)) {
    setObjectName(QStringLiteral("skn"));
    setProperty("typeName", QStringLiteral("Skin"));
    setFocusPolicy(Qt::NoFocus);
    hide();
}

qint32 Skin::Property(int dispatchId) const {
    switch (dispatchId) {
    case 2:
        return Pack(background_);
    case 3:
        return Pack(text_);
    case 4:
        return Pack(picture_);
    default:
        throw std::invalid_argument("no such skin property");
    }
}

QColor Skin::ColourOf(qint32 value) {
    const auto v = static_cast<quint32>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

void Skin::Apply(QWidget* window) const {
    if (window == nullptr) {
        return;
    }
    window->setProperty("skinned", name());
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kWindow));
    palette.setColor(QPalette::WindowText, text_);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    // Buttons and boxes with rounded edges and a soft gradient; the colours the skin gave each control
    // stay theirs.
    window->setStyleSheet(QStringLiteral(
        "QPushButton, QToolButton { border: 1px solid #6F8BB0; border-radius: 4px; padding: 2px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #C9D8EA); }"
        "QPushButton:hover, QToolButton:hover { border-color: #2F5D9A; }"
        "QPushButton:pressed, QToolButton:pressed { background: #B3C7E0; }"
        "QPushButton:focus, QToolButton:focus { border: 2px solid #2F5D9A; }"
        "QLineEdit { border: 1px solid #6F8BB0; border-radius: 3px; padding: 1px 3px; }"
        "QStatusBar { background: #B9CCE4; }"
        "QMenuBar { background: #B9CCE4; }"));
}

void SkinCompanion::Operation1(QObject* fromSkin) {
    skin_ = fromSkin;
    calls_ << QStringLiteral("1");
}

void SkinCompanion::Operation2() {
    calls_ << QStringLiteral("2");
}

void SkinCompanion::Operation3() {
    calls_ << QStringLiteral("3");
}
