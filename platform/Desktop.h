// What Keyshelf is given of the desktop it runs on: message boxes, ending the program, opening addresses and
// starting programs, the clock, the program's folder and where its settings are kept.
//
// The program is handed one (main makes the system's, SystemDesktop) and puts it in use for its run; the
// windows reach it through the functions of Seams.h, which keep the rules that hold whatever desktop answers.
#pragma once

#include "MessageBoxStyle.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>

class QObject;

namespace seams {

// What became of starting a program: `error` is 0 when it runs, else the errno of the failure (ENOENT:
// not found on the PATH; E2BIG: an argument too long to hand to a program; EACCES: not executable).
struct LaunchResult {
    int error = 0;
    explicit operator bool() const { return error == 0; }
    bool notFound() const { return error == ENOENT; }
    // An argument is longer than the system hands to a program (128 KiB on Linux).
    bool tooLong() const { return error == E2BIG; }
};

// How a watched program ended: its wait status and the end of what it wrote to its standard error.
using ProgramEnd = std::function<void(int waitStatus, const QByteArray& errorTail)>;

// A wait the desktop times: when it runs out, the function it was made with is called once, in the thread
// that made it. Started again, it waits its full time from then.
class Countdown {
public:
    virtual ~Countdown() = default;
    virtual void start(std::chrono::milliseconds wait) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
};

} // namespace seams

class Desktop {
public:
    virtual ~Desktop() = default;

    // Shows a modal message box titled `caption` and returns the button pressed.
    virtual seams::Answer messageBox(const QString& text, seams::BoxStyle style, const QString& caption) = 0;
    // Ends the program at once: no window's closing handler runs.
    virtual void endProgram(int exitCode) = 0;
    // Opens a web address in the user's browser.
    virtual seams::LaunchResult shellOpen(const QString& address) = 0;
    // Starts a program detached, not waited for, with its arguments passed as they are.
    virtual seams::LaunchResult startDetached(const QString& program, const QStringList& arguments) = 0;
    // Starts a program as startDetached does and watches it until it ends; then calls `onEnd` in `context`'s
    // thread, only while `context` lives.
    virtual seams::LaunchResult startWatched(const QString& program, const QStringList& arguments, QObject* context,
                                             seams::ProgramEnd onEnd) = 0;
    // The current local date and time.
    virtual QDateTime now() const = 0;
    // A wait timed by the desktop's clock that calls `done` when it runs out; stopped when it is destroyed.
    virtual std::unique_ptr<seams::Countdown> countdown(std::function<void()> done) = 0;
    // The folder that holds the executable, without a trailing separator; empty when it cannot be found.
    virtual QString executableDir() const = 0;
    // The file of the per-user settings store (INI format).
    virtual QString settingsFile() const = 0;
};
