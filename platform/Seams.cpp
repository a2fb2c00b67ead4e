#include "Seams.h"

#include "Identity.h"
#include "ProcessLauncher.h"
#include "ProgramWatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace seams {
namespace {

struct TestState {
    bool active = false;
    std::deque<int> answers;
    std::function<void(const testing::ShownBox&)> onShow;
    QList<testing::ShownBox> shown;
    int endCalls = 0;
    int lastExitCode = 0;
    QStringList opened;
    QList<testing::Started> started;
    int launchError = 0;
    bool watchedRun = false;
    QDateTime now;
    QString executableDir;
    bool executableDirUnknown = false;
    QString settingsDir;
};

TestState& State() {
    static TestState state;
    return state;
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

QList<ButtonChoice> ButtonsOf(int style) {
    switch (style & 7) {
    case vbOKCancel:
        return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore:
        return {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel:
        return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo:
        return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel:
        return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default:
        return {{QMessageBox::Ok, vbOK}};
    }
}

QMessageBox::Icon IconOf(int style) {
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The button Enter presses: the first, or the one the style names when the box has that many.
qsizetype DefaultOf(int style, qsizetype count) {
    const qsizetype index = (style >> 8) & 3;
    return index < count ? index : 0;
}

} // namespace

int MsgBox(const QString& text, int buttons, const QString& title) {
    const QString caption = title.isEmpty() ? QString::fromUtf8(identity::ProductName) : title;
    const QList<ButtonChoice> choices = ButtonsOf(buttons);
    TestState& s = State();
    if (s.active) {
        s.shown.append({text, buttons, caption});
        if (s.onShow) {
            s.onShow(s.shown.back());
        }
        if (s.answers.empty()) {
            return choices[DefaultOf(buttons, choices.size())].answer;
        }
        const int answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }

    QMessageBox box(IconOf(buttons), caption, text);
    QMessageBox::StandardButtons set;
    for (const ButtonChoice& choice : choices) {
        set |= choice.button;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(choices[DefaultOf(buttons, choices.size())].button);
    // The close box and Escape give Cancel where there is one, as a desktop user expects.
    for (const ButtonChoice& choice : choices) {
        if (choice.answer == vbCancel) {
            box.setEscapeButton(choice.button);
        }
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonChoice& choice : choices) {
        if (choice.button == clicked) {
            return choice.answer;
        }
    }
    // Closed without a button: the box's cancel answer, or its only button.
    return choices.size() == 1 ? choices.front().answer : vbCancel;
}

void EndProgram(int exitCode) {
    TestState& s = State();
    if (s.active) {
        ++s.endCalls;
        s.lastExitCode = exitCode;
        return;
    }
    std::_Exit(exitCode);
}

LaunchResult ShellOpen(const QString& address) {
    TestState& s = State();
    if (s.active) {
        s.opened.append(address);
        return {s.launchError};
    }
    // xdg-open would read an address that begins with a dash as an option.
    if (address.startsWith(QLatin1Char('-'))) {
        return {EINVAL};
    }
    // Not QDesktopServices: it starts the opener through QProcess, which hands over every descriptor
    // Keyshelf holds, the banner's network connections among them.
    return StartDetached(QStringLiteral("xdg-open"), {address});
}

namespace {

// Names and texts in the encoding of the system's file names and locale, as QProcess hands them over.
std::vector<std::string> Local8Bit(const QStringList& arguments) {
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& argument : arguments) {
        args.push_back(argument.toLocal8Bit().toStdString());
    }
    return args;
}

} // namespace

LaunchResult StartDetached(const QString& program, const QStringList& arguments) {
    TestState& s = State();
    if (s.active) {
        s.started.append({program, arguments});
        return {s.launchError};
    }
    return {ProcessLauncher::StartDetached(QFile::encodeName(program).toStdString(), Local8Bit(arguments)).error};
}

LaunchResult StartWatched(const QString& program, const QStringList& arguments, QObject* context,
                          std::function<void(int waitStatus, const QByteArray& errorTail)> onEnd) {
    TestState& s = State();
    if (s.active) {
        s.started.append({program, arguments});
        if (s.launchError != 0 || !s.watchedRun) {
            return {s.launchError};
        }
    }
    const ProcessLauncher::WatchedLaunch launch =
        ProcessLauncher::StartWithErrorPipe(QFile::encodeName(program).toStdString(), Local8Bit(arguments));
    if (launch.error != 0) {
        return {launch.error};
    }
    // The watch outlives no one who could hear it: it goes with `context`, handing the program and its
    // pipe to the background as it goes.
    auto* watch = new ProgramWatch(launch.pid, launch.errorOutput, context);
    QObject::connect(watch, &ProgramWatch::ended, context, std::move(onEnd));
    return {};
}

QDateTime Now() {
    const TestState& s = State();
    if (s.active && s.now.isValid()) {
        return s.now;
    }
    return QDateTime::currentDateTime();
}

QString ExecutableDir() {
    const TestState& s = State();
    if (s.active && s.executableDirUnknown) {
        return {};
    }
    if (s.active && !s.executableDir.isEmpty()) {
        return s.executableDir;
    }
    // Not applicationDirPath: where Qt cannot find the program (no /proc, and argv[0] not found) it
    // answers ".", which would put the vault wherever the program was started from.
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) {
        return {};
    }
    const QString folder = QFileInfo(program).absolutePath();
    return QDir::isAbsolutePath(folder) ? folder : QString();
}

namespace {

// The settings are a few short lines; anything larger is not Keyshelf's file.
constexpr off_t kLargestSettings = 64 * 1024;

// Whether the settings file may be read: absent (the first write makes it), or a regular file (also
// through a link) of a settings file's size. QSettings reads whatever is there as it opens, and a FIFO in
// its place would hold the program at the open, a huge file would be read whole.
bool SettingsFileUsable(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(st.st_mode) && st.st_size <= kLargestSettings;
}

} // namespace

std::unique_ptr<QSettings> OpenSettings() {
    const QString product = QString::fromUtf8(identity::ProductName);
    const TestState& s = State();
    // Where QSettings keeps a user's settings in INI format, named here so that it can be looked at first.
    const QString path = s.active ? QDir(s.settingsDir).filePath(product + ".ini")
                                  : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                        QLatin1Char('/') + product + QLatin1Char('/') + product + ".ini";
    if (!SettingsFileUsable(path)) {
        // The defaults hold, and a write goes nowhere rather than replacing what someone put there: a path
        // beneath /dev/null can never exist or be made, so QSettings neither reads it nor dares to write.
        return std::make_unique<QSettings>(QStringLiteral("/dev/null/") + product + ".ini", QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

namespace testing {

void Begin(const QString& folder, const QDateTime& now) {
    TestState& s = State();
    s = TestState{};
    s.active = true;
    s.executableDir = folder;
    s.settingsDir = folder;
    s.now = now;
}

void End() {
    State() = TestState{};
}

void setNextAnswer(int answer) {
    State().answers.push_back(answer);
}
void setOnShow(std::function<void(const ShownBox&)> onShow) {
    State().onShow = std::move(onShow);
}
const QList<ShownBox>& shownBoxes() {
    return State().shown;
}
int endCalls() {
    return State().endCalls;
}
int lastExitCode() {
    return State().lastExitCode;
}
const QStringList& openedAddresses() {
    return State().opened;
}
const QList<Started>& startedPrograms() {
    return State().started;
}
void setLaunchSucceeds(bool succeeds) {
    State().launchError = succeeds ? 0 : ENOENT;
}
void setLaunchError(int error) {
    State().launchError = error;
}
void setWatchedProgramsRun(bool run) {
    State().watchedRun = run;
}
void setNow(const QDateTime& now) {
    State().now = now;
}
void setExecutableDirUnknown() {
    State().executableDirUnknown = true;
}

} // namespace testing
} // namespace seams
