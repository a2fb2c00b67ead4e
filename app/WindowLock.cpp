#include "WindowLock.h"

#include "IdleWatch.h"
#include "ScreenLockWatch.h"
#include "SecretClipboard.h"

#include <QApplication>

WindowLock::WindowLock(std::function<QList<QWidget*>()> windows, QObject* parent)
    : QObject(parent), windows_(std::move(windows)), idle_(new IdleWatch(this)) {
    connect(idle_, &IdleWatch::idle, this, &WindowLock::lock);
    connect(new ScreenLockWatch(this), &ScreenLockWatch::screenLocked, this, &WindowLock::lock);
}

void WindowLock::startUse(int idleMinutes) {
    inUse_ = true;
    idleMinutes_ = idleMinutes;
    idle_->setMinutes(idleMinutes_);
}

void WindowLock::endUse() {
    inUse_ = false;
    idle_->setMinutes(0);
}

void WindowLock::lock() {
    if (!inUse_ || locked_) {
        return;
    }
    SecretClipboard::instance().clearIfStillCopied();
    // A question open over the windows may show an entry: it goes as if answered with Cancel (or No), so
    // nothing it asked about is done, and the person asks again once back.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (QApplication::activeModalWidget() == modal) {
            modal->hide();
            break;
        }
    }
    hideWindows(false);
}

void WindowLock::lockForNewMasterPassword() {
    hideWindows(true);
}

void WindowLock::hideWindows(bool readAgain) {
    if (locked_) {
        readAgainOnUnlock_ = readAgainOnUnlock_ || readAgain;
        return;
    }
    locked_ = true;
    readAgainOnUnlock_ = readAgain;
    idle_->setMinutes(0);
    // The entries stay out of sight until the master password is typed.
    for (QWidget* window : windows_()) {
        if (window != nullptr && window->isVisible()) {
            lockedAway_.append(window);
            window->hide();
        }
    }
    emit locked();
}

void WindowLock::unlock() {
    locked_ = false;
    readAgainOnUnlock_ = false;
    idle_->setMinutes(idleMinutes_);
    for (const QPointer<QWidget>& window : std::as_const(lockedAway_)) {
        if (window != nullptr) {
            window->show();
        }
    }
    lockedAway_.clear();
}
