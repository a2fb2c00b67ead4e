// The places where Keyshelf meets the desktop: message boxes, ending the program, opening addresses and
// starting programs, the clock, the executable's folder and the settings store.
//
// Every window goes through these functions, never through the platform directly, so that tests can
// script answers and record what would have happened instead of showing or starting anything.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <functional>
#include <memory>

class QObject;
class QSettings;

namespace seams {

// Buttons, icons and answers of a message box, with the values the rest of the program uses.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    // Which button Enter presses; the first one unless one of these is given.
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

// Shows a modal message box and returns the button pressed. `buttons` is a button set plus an icon.
// An empty title shows the product name, as every message box of the program does by default.
int MsgBox(const QString& text, int buttons = vbOKOnly, const QString& title = QString());

// Ends the program at once: no window's closing handler runs.
void EndProgram(int exitCode = 0);

// What became of starting a program: `error` is 0 when it runs, else the errno of the failure (ENOENT:
// not found on the PATH; E2BIG: an argument too long to hand to a program; EACCES: not executable).
struct LaunchResult {
    int error = 0;
    explicit operator bool() const { return error == 0; }
    bool notFound() const { return error == ENOENT; }
    // An argument is longer than the system hands to a program (128 KiB on Linux).
    bool tooLong() const { return error == E2BIG; }
};

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
// it. While testing, records the start as StartDetached does.
LaunchResult StartWatched(const QString& program, const QStringList& arguments, QObject* context,
                          std::function<void(int waitStatus, const QByteArray& errorTail)> onEnd);

// The current local date and time.
QDateTime Now();

// The folder that holds the executable, without a trailing separator; empty when it cannot be found
// (no /proc, and argv[0] names no file).
QString ExecutableDir();

// The per-user settings store of the product (INI format, user scope).
std::unique_ptr<QSettings> OpenSettings();

// Test control. While testing is on, the functions above record instead of acting.
namespace testing {

struct ShownBox {
    QString text;
    int buttons = 0;
    QString title;
};

struct Started {
    QString program;
    QStringList arguments;
};

// Turns recording on, forgets everything recorded and scripted, points the executable's folder and the
// settings store at `folder` (which must exist), and fixes the clock at `now` when it is valid.
void Begin(const QString& folder, const QDateTime& now = QDateTime());
// Turns recording off.
void End();

// The answer the next message box gives; unscripted boxes answer with their default button, as Enter
// would.
void setNextAnswer(int answer);
const QList<ShownBox>& shownBoxes();
// Called as each message box is shown, to look at the program's state at that moment.
void setOnShow(std::function<void(const ShownBox&)> onShow);

int endCalls();
int lastExitCode();
const QStringList& openedAddresses();
const QList<Started>& startedPrograms();
// What ShellOpen and StartDetached report while testing: success unless told otherwise. A failure set
// with setLaunchSucceeds is a program not found (ENOENT); setLaunchError names the errno (0: success).
void setLaunchSucceeds(bool succeeds);
void setLaunchError(int error);
// While set, StartWatched also starts the program for real (a stand-in first on the PATH), so that a test
// sees what Keyshelf makes of how it ends.
void setWatchedProgramsRun(bool run);

void setNow(const QDateTime& now);
// ExecutableDir answers as where the program's folder cannot be found.
void setExecutableDirUnknown();

} // namespace testing
} // namespace seams
