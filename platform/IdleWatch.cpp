#include "IdleWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>

IdleWatch::IdleWatch(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &IdleWatch::idle);
    QCoreApplication::instance()->installEventFilter(this);
}

IdleWatch::~IdleWatch() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void IdleWatch::setMinutes(int minutes) {
    if (minutes > 0) {
        timer_.start(std::chrono::minutes(minutes));
    } else {
        timer_.stop();
    }
}

bool IdleWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        if (timer_.isActive()) {
            timer_.start(); // from now, with the same time
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
