#include "Skin.h"

#include "Builder.h"
#include "Contrast.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <algorithm>
#include <stdexcept>

namespace {

// The look: a quiet steel-blue window with light controls and a darker header for picture boxes.
constexpr QRgb kBackground = 0xE6EEF7;
constexpr QRgb kText = 0x1B2A41;
constexpr QRgb kPicture = 0xC9D8EA;
constexpr QRgb kWindow = 0xD4E1F0;
// The darkest of the light surfaces the skin draws text on: a pressed button. The window, the menu and
// status bars, picture boxes and buttons at rest are all lighter.
constexpr QRgb kDarkestSurface = 0xB3C7E0;

qint32 Pack(QColor c) {
    return static_cast<qint32>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// The roles a control draws its text in over the skin's own surfaces; none for controls that draw it on a
// background of their own (text boxes and lists, in the palette's colours or those the skin gives them).
QList<QPalette::ColorRole> TextRolesOf(const QWidget* control) {
    if (qobject_cast<const QLabel*>(control) != nullptr || qobject_cast<const QCheckBox*>(control) != nullptr) {
        return {QPalette::WindowText};
    }
    if (qobject_cast<const QAbstractButton*>(control) != nullptr) {
        return {QPalette::ButtonText};
    }
    if (qobject_cast<const QStatusBar*>(control) != nullptr || qobject_cast<const QMenuBar*>(control) != nullptr) {
        return {QPalette::WindowText, QPalette::ButtonText};
    }
    return {};
}

const char* const kFitted = "skinFittedText";

void SetColour(QWidget* control, QPalette::ColorRole role, const QColor& colour) {
    if (control->palette().color(role) != colour) {
        QPalette palette = control->palette();
        palette.setColor(role, colour);
        control->setPalette(palette);
        control->setProperty(kFitted, true);
    }
}

// The skin's surfaces are light whatever the desktop's palette. Text in the palette's colours stays so
// where it can be read on them (a light palette changes nothing); a dark palette's light text is drawn in
// the skin's own text colour instead. Controls the window gave colours of their own keep them.
// Text boxes are the other way round: the skin's style sheet draws them on the palette's own base (not on
// the background ColourControls gave them), so where the skin's text cannot be read on that base they take
// the palette's text, made for it.
void FitText(QWidget* window, const QColor& skinText) {
    const QColor surface = QColor::fromRgb(kDarkestSurface);
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const bool fitted = control->property(kFitted).toBool();
        const QPalette desktop = QApplication::palette(control);
        if (qobject_cast<QLineEdit*>(control) != nullptr) {
            if (control->palette().color(QPalette::Text) == skinText || fitted) {
                const bool reads = contrast::Ratio(skinText, desktop.color(QPalette::Base)) >= contrast::kText;
                SetColour(control, QPalette::Text, reads ? skinText : desktop.color(QPalette::Text));
            }
            continue;
        }
        for (const QPalette::ColorRole role : TextRolesOf(control)) {
            const QColor wanted = desktop.color(role);
            if (control->palette().color(role) == wanted || fitted) {
                SetColour(control, role, contrast::Ratio(wanted, surface) >= contrast::kText ? wanted : skinText);
            }
        }
    }
}

// Fits a skinned window's text again when it is shown (changing a window's flags, as staying on top does,
// polishes its controls anew, which gives them back the palettes they had before) and when the desktop's
// palette changes, once every control has taken the new palette.
class TextFitter : public QObject {
public:
    TextFitter(QWidget* window, const QColor& skinText) : QObject(window), window_(window), skinText_(skinText) {
        window->installEventFilter(this);
    }

    static bool fits(const QWidget* window) {
        const QObjectList& children = window->children();
        return std::any_of(children.begin(), children.end(),
                           [](const QObject* child) { return dynamic_cast<const TextFitter*>(child) != nullptr; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) {
            return false;
        }
        if (event->type() == QEvent::Show) {
            FitText(window_, skinText_);
        } else if (event->type() == QEvent::PaletteChange) {
            QMetaObject::invokeMethod(
                this, [this] { FitText(window_, skinText_); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget* window_;
    QColor skinText_;
};

} // namespace

Skin::Skin(QWidget* parent)
    : QWidget(parent), background_(QColor::fromRgb(kBackground)), text_(QColor::fromRgb(kText)),
      picture_(QColor::fromRgb(kPicture)) {
    setObjectName(QStringLiteral("skn"));
    layouts::SetKind(this, layouts::Kind::SkinControl);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

std::optional<qint32> Skin::Property(int dispatchId) const {
    switch (dispatchId) {
    case 2:
        return Pack(background_);
    case 3:
        return Pack(text_);
    case 4:
        return Pack(picture_);
    default:
        return std::nullopt;
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
    window->setStyleSheet(
        QStringLiteral("QPushButton, QToolButton { border: 1px solid #6F8BB0; border-radius: 4px; padding: 2px;"
                       " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #C9D8EA); }"
                       "QPushButton:hover, QToolButton:hover { border-color: #2F5D9A; }"
                       "QPushButton:pressed, QToolButton:pressed { background: #B3C7E0; }"
                       "QPushButton:focus, QToolButton:focus { border: 2px solid #2F5D9A; }"
                       "QLineEdit { border: 1px solid #6F8BB0; border-radius: 3px; padding: 1px 3px; }"
                       "QStatusBar { background: #B9CCE4; }"
                       "QMenuBar { background: #B9CCE4; }"));
    FitText(window, text_);
    if (!TextFitter::fits(window)) {
        new TextFitter(window, text_);
    }
}
