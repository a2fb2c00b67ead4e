// Takes what Keyshelf copied off the clipboard a set time after the copy, unless something else has been
// copied since; the wait is timed by the desktop in use as it is made.
#pragma once

#include "Desktop.h"
#include "UserSettings.h"

#include <QObject>
#include <memory>

class ClipboardTimeout : public QObject {
    Q_OBJECT
public:
    explicit ClipboardTimeout(QObject* parent = nullptr);
    ~ClipboardTimeout() override;

    // Seconds from a copy to its clearing; 0: kept until the windows lock or Keyshelf ends. A copy
    // already waiting keeps its time.
    void setSeconds(int seconds) { seconds_ = seconds; }

signals:
    // The wait after a copy ran out and the copy was taken off the clipboard.
    void cleared();

private:
    void copied();

    std::unique_ptr<seams::Countdown> wait_;
    int seconds_ = userSettings::kClipboardSeconds.fallback;
};
