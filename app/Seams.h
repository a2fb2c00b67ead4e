// The places where Keyshelf meets the desktop: message boxes, ending the program, opening addresses and
// starting programs, the clock, the executable's folder and the settings store.
//
// Every window goes through these functions, never through the platform directly, so that tests can
// script answers and record what would have happened instead of showing or starting anything.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

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

// Opens an address with the desktop's default handler. False when nothing could be asked to open it.
bool ShellOpen(const QString& address);

// Starts a program detached, not waited for, with its arguments passed as they are (never through a
// shell). False when it could not be started.
bool StartDetached(const QString& program, const QStringList& arguments);

// The current local date and time.
QDateTime Now();

// The folder that holds the executable, without a trailing separator.
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
// What ShellOpen and StartDetached report while testing (true unless told otherwise).
void setLaunchSucceeds(bool succeeds);

void setNow(const QDateTime& now);

} // namespace testing
} // namespace seams
