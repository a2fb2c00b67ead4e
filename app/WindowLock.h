// Locks the list once it is in use: every window hides, Keyshelf's copy leaves the clipboard, and the
// windows come back as they were once the master password is typed again. Nothing is written. The
// desktop's screen lock, the idle time and the program's own lock command come here.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class IdleWatch;

class WindowLock : public QObject {
    Q_OBJECT
public:
    // `windows`: those that hide while locked, as they are at the moment of locking (nullptr for one that
    // is not there).
    explicit WindowLock(std::function<QList<QWidget*>()> windows, QObject* parent = nullptr);

    // The master password was typed at start: from now on the list locks, and after `idleMinutes` without
    // use too (0: never).
    void startUse(int idleMinutes);
    // The program is ending: nothing is left to lock.
    void endUse();

    bool isLocked() const { return locked_; }
    // The vault has a new master password: its entries are read with it once it is typed.
    bool readAgainOnUnlock() const { return readAgainOnUnlock_; }

    // Closes any question open over the windows, takes Keyshelf's copy off the clipboard and hides the
    // windows; nothing while the list is not in use or already locked.
    void lock();
    // Another program gave the vault a new master password: the windows hide until it is typed.
    void lockForNewMasterPassword();
    // The master password was typed: the windows hidden come back, and the idle time starts again.
    void unlock();

signals:
    // The windows are hidden: the master password is to be asked for.
    void locked();

private:
    void hideWindows(bool readAgain);

    std::function<QList<QWidget*>()> windows_;
    IdleWatch* idle_;
    bool inUse_ = false;
    bool locked_ = false;
    bool readAgainOnUnlock_ = false;
    int idleMinutes_ = 0;
    QList<QPointer<QWidget>> lockedAway_;
};
