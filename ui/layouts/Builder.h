// Makes the widgets of a window from its design, and reads and sets widget geometry in twips.
#pragma once

#include "Design.h"

#include <QFont>
#include <QIcon>
#include <QPushButton>
#include <QToolButton>
#include <functional>

class QWidget;

namespace layouts {

// Makes the widget for a control of a kind the builder does not make itself (a list view, a web view,
// a rich-text box), or returns nullptr to leave it out.
using CustomFactory = std::function<QWidget*(const Control& control, QWidget* parent)>;

// Turns `window` into the window `design` describes: caption, border, client size, font, icon, and
// every control with its name as objectName, its caption, geometry, font and tab order. Timers become
// QTimer children, started when the design says they run from creation. No control gets an accessible
// name: a screen reader reads labels, buttons and check boxes by the text they show at the time, and a
// text box by the label its window ties to it (QLabel::setBuddy).
void Build(QWidget* window, const Window& design, const CustomFactory& custom = {});

// The name of the kind of control a widget stands for, as the designs name them ("CommandButton",
// "TextBox", "ListView", "Label", "PictureBox", ...); empty for widgets that are no control of a design.
QString TypeName(const QWidget* widget);
QString TypeNameOf(Kind kind);

// A picture or icon of the program's resources by name ("P1", "frmPass"); an empty icon when missing.
QIcon Picture(const char* name);

QFont FontOf(const Font& font);

// Geometry in twips.
int Left(const QWidget* w);
int Top(const QWidget* w);
int Width(const QWidget* w);
int Height(const QWidget* w);
void SetGeometry(QWidget* w, int left, int top, int width, int height);
void SetTop(QWidget* w, int top);
void SetWidth(QWidget* w, int width);
void SetHeight(QWidget* w, int height);

// A window's outer size, as the designs count it: client area, menu bar, title bar and borders. The
// frame is the window manager's and unknown before the window is shown, so it is taken as fixed: a title
// bar and borders of kFrameHeight, a menu bar of kMenuHeight, and side borders of nothing (as most Linux
// window managers draw them).
inline constexpr int kFrameHeight = 390; // 26 pixels
inline constexpr int kMenuHeight = 285;  // 19 pixels
int OuterWidth(const QWidget* window);
int OuterHeight(const QWidget* window);
void SetOuterWidth(QWidget* window, int twips);
void SetOuterHeight(QWidget* window, int twips);
// The client area: the window itself, or a main window's central widget.
QWidget* ClientArea(QWidget* window);

// Places a window in the middle of its screen.
void CentreOnScreen(QWidget* window);

// A push button that Enter and Return press while it has the focus, as on the desktop the designs
// come from.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A button that shows a 32 x 32 picture above its caption.
class GraphicalButton : public QToolButton {
    Q_OBJECT
public:
    explicit GraphicalButton(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace layouts
