#include "TopMost.h"

#include <QWidget>

namespace topMost {

void SetTopMost(QWidget* window, bool onTop) {
    if (window == nullptr) {
        return;
    }
    const bool wasVisible = window->isVisible();
    const QRect geometry = window->geometry();
    if (window->testAttribute(Qt::WA_WState_Created) &&
        window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
        // Nothing to change; only bring it forward, as moving it in the z-order would.
    } else {
        // Changing a window's flags hides it; show it again where it was.
        window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        if (wasVisible) {
            window->setGeometry(geometry);
            window->show();
        }
    }
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

} // namespace topMost
