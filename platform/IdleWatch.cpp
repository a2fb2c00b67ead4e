#include "IdleWatch.h"

#include "Seams.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>

IdleWatch::IdleWatch(QObject* parent) : QObject(parent), wait_(seams::NewCountdown([this] { emit idle(); })) {
    QCoreApplication::instance()->installEventFilter(this);
}

IdleWatch::~IdleWatch() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void IdleWatch::setMinutes(int minutes) {
    time_ = std::chrono::minutes(minutes);
    if (minutes > 0) {
        wait_->start(time_);
    } else {
        wait_->stop();
    }
}

bool IdleWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        if (wait_->active()) {
            wait_->start(time_); // from now, with the same time
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
