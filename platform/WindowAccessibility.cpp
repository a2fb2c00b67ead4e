#include "WindowAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace windowAccessibility {
namespace {

class WindowInterface : public QAccessibleWidget {
public:
    explicit WindowInterface(QWidget* window) : QAccessibleWidget(window) {}

    // Asked each time: a window's flags may change after its interface is made.
    QAccessible::Role role() const override {
        const QWidget* w = widget();
        if (!w->isWindow()) {
            return QAccessible::Client;
        }
        return w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint) ? QAccessible::Window : QAccessible::Dialog;
    }
};

// Qt asks the factories for each class of an object, from the most derived one up. Reaching QWidget means
// no class of Qt's has claimed the widget. A widget that is a QWidget and nothing more is left to Qt: that
// is also what every widget is while its QWidget part is destroyed, and an interface made then would
// outlive it in Qt's cache. Popups, tool tips and the like keep Qt's roles.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || object == nullptr || !object->isWidgetType() ||
        object->metaObject() == &QWidget::staticMetaObject) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    if (!widget->isWindow() || (type != Qt::Window && type != Qt::Dialog)) {
        return nullptr;
    }
    return new WindowInterface(widget);
}

} // namespace

void Install() {
    QAccessible::installFactory(&Factory); // Qt ignores a factory installed already
}

} // namespace windowAccessibility
