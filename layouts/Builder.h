// Makes the widgets of a window from its design, and reads and sets widget geometry in twips.
#pragma once

#include "Design.h"

#include <QFont>
#include <QIcon>
#include <QPushButton>
#include <QToolButton>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QWidget;

namespace layouts {

// Makes the widget for a control of a kind the builder does not make itself (a list view, a web view,
// a rich-text box), or returns nullptr to leave it out.
using CustomFactory = std::function<QWidget*(const Control& control, QWidget* parent)>;

// What Build made: each row's widget or timer (nullptr for a row left out), and the menu bar's items.
struct Made {
    std::vector<QObject*> controls; // by the rows of the design's table
    std::vector<QAction*> items;    // menu by menu, in order
};

// Turns `window` into the window `design` describes: caption, border, client size, font, icon, and
// every control with its name as objectName, its caption, geometry, font and tab order. Timers become
// QTimer children, started when the design says they run from creation. No control gets an accessible
// name: a screen reader reads labels, buttons and check boxes by the text they show at the time, and a
// text box by the label its window ties to it (QLabel::setBuddy).
Made Build(QWidget* window, const Window& design, const CustomFactory& custom = {});

// Ends the program with a message naming the control: a window asked for a control as a kind of widget
// the builder did not make for it, a fault in the program that its first start shows.
[[noreturn]] void NotMadeAs(const Window& design, std::size_t row, const char* className);

// The controls and menu items of a built window by the names its design gives them, each as the kind
// of widget the window holds it as.
template <class Design> class Built {
public:
    explicit Built(Made made) : made_(std::move(made)) {}

    template <class T> T* get(typename Design::Control id) const {
        const auto row = static_cast<std::size_t>(id);
        auto* control = qobject_cast<T*>(row < made_.controls.size() ? made_.controls[row] : nullptr);
        if (control == nullptr) {
            NotMadeAs(Design::window, row, T::staticMetaObject.className());
        }
        return control;
    }

    // Only for a design with a menu bar, whose menus take every MenuItem in order (checked where the
    // design is written).
    template <class D = Design> QAction* item(typename D::MenuItem id) const {
        return made_.items[static_cast<std::size_t>(id)];
    }

private:
    Made made_;
};

// Builds `window` from the design `Design` names (Design::window), handing its controls back by name.
template <class Design> Built<Design> Build(QWidget* window, const CustomFactory& custom = {}) {
    return Built<Design>(Build(window, Design::window, custom));
}

// The kind of control a widget stands for: a design's control carries its own, and a control a window or
// the skin makes beside its design is given one with SetKind. Nothing for any other widget.
std::optional<Kind> KindOf(const QWidget* widget);
void SetKind(QWidget* widget, Kind kind);

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
