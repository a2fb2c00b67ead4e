// The places where Keyshelf meets the desktop: message boxes, ending the program, opening addresses and
// starting programs, the clock, the executable's folder and the settings store.
//
// Every window goes through these functions, never through the platform directly. They go to the Desktop
// in use: the one the program was given, for its run (SystemDesktop's while none is).
#pragma once

#include "Desktop.h"
#include "MessageBoxStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;
class QSettings;

namespace seams {

// Shows a modal message box and returns the button pressed. An empty title shows the product name, as
// every message box of the program does by default.
Answer messageBox(const QString& text, BoxStyle style = {}, const QString& title = QString());

// Ends the program at once: no window's closing handler runs.
void EndProgram(int exitCode = 0);

// Opens a web address (http or https) in the user's browser, through the desktop's opener `xdg-open`
// started as StartDetached starts programs, with the address as its one argument.
LaunchResult ShellOpen(const QString& address);

// Starts a program detached, not waited for, with its arguments passed as they are (never through a
// shell). The program gets standard input from /dev/null, Keyshelf's standard output and error, and no
// other descriptor of Keyshelf's, and runs in a session of its own.
LaunchResult StartDetached(const QString& program, const QStringList& arguments);

// Starts a program as StartDetached does, except that its standard error goes to Keyshelf, which watches
// it until it ends (see ProgramWatch) and then calls `onEnd`, in `context`'s thread and only while
// `context` (not null) lives, with its wait status and the end of what it wrote there. Never waits for
// it.
LaunchResult StartWatched(const QString& program, const QStringList& arguments, QObject* context,
                          std::function<void(int waitStatus, const QByteArray& errorTail)> onEnd);

// The current local date and time.
QDateTime Now();

// A wait timed by the desktop in use, which calls `done` when it runs out (see Countdown).
std::unique_ptr<Countdown> NewCountdown(std::function<void()> done);

// The folder that holds the executable, without a trailing separator; empty when it cannot be found
// (no /proc, and argv[0] names no file).
QString ExecutableDir();

// The per-user settings store of the product (INI format, user scope).
std::unique_ptr<QSettings> OpenSettings();

// Puts `desktop` in use for the functions above while it lives (the program's, for its run); the one in
// use before comes back after. `desktop` must outlive it.
class DesktopInUse {
public:
    explicit DesktopInUse(Desktop& desktop);
    ~DesktopInUse();
    DesktopInUse(const DesktopInUse&) = delete;
    DesktopInUse& operator=(const DesktopInUse&) = delete;

private:
    Desktop* previous_;
};

} // namespace seams
