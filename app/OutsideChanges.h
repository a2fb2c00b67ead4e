// Keeps the list showing the vault as it is while the list is in use: every half second it looks whether
// another program has changed the file, and reads it again when it has, keeping the selected entry.
#pragma once

#include "VaultSession.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class MainWindow;

class OutsideChanges : public QObject {
    Q_OBJECT
public:
    // `listInUse`: no editor, question or password dialog is open over the list, which shows in `main`; each
    // of those reads the file again itself before it saves.
    OutsideChanges(VaultSession& session, std::function<bool()> listInUse, QObject* parent = nullptr);

    void setWindow(MainWindow* main) { main_ = main; }
    void start() { timer_.start(); }
    void stop() { timer_.stop(); }

    // Reads the vault again when another program has changed it.
    void check();

signals:
    // Another program gave the vault a new master password: the entries are read with it once it is typed.
    void newMasterPassword();

private:
    VaultSession& session_;
    std::function<bool()> listInUse_;
    QPointer<MainWindow> main_;
    QTimer timer_;
};
