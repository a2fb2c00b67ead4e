// The skin layer: the skin control, which reports the skin's colours and draws a window in the skin's
// look.
#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

// The skin control. It sits, invisible, on the splash window and carries the whole skin.
class Skin : public QWidget {
    Q_OBJECT
public:
    explicit Skin(QWidget* parent = nullptr);

    // The skin's name and colours: background (of buttons and of input and list controls), text (of input
    // and list controls), and picture-box background.
    QString name() const { return QStringLiteral("Standard Skin"); }
    QColor background() const { return background_; }
    QColor text() const { return text_; }
    QColor pictureBackground() const { return picture_; }

    // The colours by dispatch identifier (2, 3 and 4) as 32-bit integers 0x00BBGGRR, as the skin
    // component reports them; nothing for an unknown identifier.
    std::optional<qint32> Property(int dispatchId) const;
    static QColor ColourOf(qint32 value);

    // Draws the window in the skin's look, with text that can be read on the skin's light surfaces in a
    // dark palette too.
    void Apply(QWidget* window) const;

private:
    QColor background_;
    QColor text_;
    QColor picture_;
};
