#include "ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>

namespace {

// Whether a session bus is there to be asked, without the bus library starting one of its own (it
// would launch a daemon that outlives Keyshelf where no desktop set one up).
bool SessionBusKnown() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

} // namespace

ScreenLockWatch::ScreenLockWatch(QObject* parent) : QObject(parent) {
    if (SessionBusKnown()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            bus.connect(QString(), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(screenSaverChanged(bool)));
        }
    }
    const QString session = qEnvironmentVariable("XDG_SESSION_ID");
    if (session.isEmpty() || !QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket"))) {
        return;
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        system.connect(QStringLiteral("org.freedesktop.login1"), SessionPath(session),
                       QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"), this,
                       SIGNAL(screenLocked()));
    }
}

QString ScreenLockWatch::SessionPath(const QString& id) {
    QString path = QStringLiteral("/org/freedesktop/login1/session/");
    if (id.isEmpty()) {
        return path + QLatin1Char('_');
    }
    const QByteArray bytes = id.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || (digit && i > 0)) {
            path += QLatin1Char(static_cast<char>(c));
        } else {
            path += QStringLiteral("_%1").arg(c, 2, 16, QLatin1Char('0'));
        }
    }
    return path;
}

void ScreenLockWatch::screenSaverChanged(bool active) {
    if (active) {
        emit screenLocked();
    }
}
