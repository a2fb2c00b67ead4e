// Tells when nobody has used Keyshelf's windows, by keyboard or mouse, for a set time, timed by the desktop
// in use as it is made.
#pragma once

#include "Desktop.h"

#include <QObject>
#include <memory>

class IdleWatch : public QObject {
    Q_OBJECT
public:
    explicit IdleWatch(QObject* parent = nullptr);
    ~IdleWatch() override;

    // Starts the wait again with `minutes` (0: never tells).
    void setMinutes(int minutes);

signals:
    void idle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<seams::Countdown> wait_;
    std::chrono::milliseconds time_{0};
};
