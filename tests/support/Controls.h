// A control of a window by its design name (its objectName), for the tests and benchmarks that reach
// controls a window keeps to itself. One that is missing, or of another kind, ends the run naming it, at
// the line that asked for it.
#pragma once

#include <QLabel>
#include <QObject>
#include <QString>

template <class T> T* Control(const QObject* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromUtf8(name));
    if (control == nullptr) {
        qFatal("%s has no %s named %s", qPrintable(window->objectName()), T::staticMetaObject.className(), name);
    }
    return control;
}

// What the main window's status line says.
inline QString StatusText(const QObject* mainWindow) {
    return Control<QLabel>(mainWindow, "Panel1")->text();
}
