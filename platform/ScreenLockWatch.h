// The desktop saying that it locks the screen: the screen saver's ActiveChanged(true) on the session bus
// (GNOME, KDE and Xfce send it) and logind's Lock for this login session on the system bus. Where neither
// bus can be reached it never tells, and says nothing about it: Keyshelf still locks by its own key and
// after the idle time.
#pragma once

#include <QObject>
#include <QString>

class ScreenLockWatch : public QObject {
    Q_OBJECT
public:
    explicit ScreenLockWatch(QObject* parent = nullptr);

    // The object path logind gives the session `id` (as systemd escapes it: each character that is not
    // a letter or digit, and a leading digit, as "_" and two hex digits).
    static QString SessionPath(const QString& id);

signals:
    void screenLocked();

private slots:
    void screenSaverChanged(bool active);
};
