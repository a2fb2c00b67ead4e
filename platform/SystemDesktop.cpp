#include "SystemDesktop.h"

#include "ProcessLauncher.h"
#include "ProgramWatch.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

QMessageBox::StandardButton ButtonOf(int answer) {
    switch (answer) {
    case seams::vbCancel:
        return QMessageBox::Cancel;
    case seams::vbAbort:
        return QMessageBox::Abort;
    case seams::vbRetry:
        return QMessageBox::Retry;
    case seams::vbIgnore:
        return QMessageBox::Ignore;
    case seams::vbYes:
        return QMessageBox::Yes;
    case seams::vbNo:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(int style) {
    switch (style & 0x70) {
    case seams::vbCritical:
        return QMessageBox::Critical;
    case seams::vbQuestion:
        return QMessageBox::Question;
    case seams::vbExclamation:
        return QMessageBox::Warning;
    case seams::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

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

SystemDesktop::SystemDesktop(QString productName) : productName_(std::move(productName)) {}

int SystemDesktop::messageBox(const QString& text, int buttons, const QString& caption) {
    const QList<int> answers = seams::AnswersOf(buttons);
    QMessageBox box(IconOf(buttons), caption, text);
    // Messages carry file names and entries' texts, which are anyone's: never read as markup.
    box.setTextFormat(Qt::PlainText);
    QMessageBox::StandardButtons set;
    for (const int answer : answers) {
        set |= ButtonOf(answer);
    }
    box.setStandardButtons(set);
    box.setDefaultButton(ButtonOf(seams::DefaultAnswer(buttons)));
    // The close box and Escape give Cancel where there is one, as a desktop user expects.
    if (answers.contains(seams::vbCancel)) {
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const int answer : answers) {
        if (ButtonOf(answer) == clicked) {
            return answer;
        }
    }
    // Closed without a button: the box's cancel answer, or its only button.
    return answers.size() == 1 ? answers.front() : int(seams::vbCancel);
}

void SystemDesktop::endProgram(int exitCode) {
    std::_Exit(exitCode);
}

seams::LaunchResult SystemDesktop::shellOpen(const QString& address) {
    // xdg-open would read an address that begins with a dash as an option.
    if (address.startsWith(QLatin1Char('-'))) {
        return {EINVAL};
    }
    // Not QDesktopServices: it starts the opener through QProcess, which hands over every descriptor
    // Keyshelf holds, the banner's network connections among them.
    return startDetached(QStringLiteral("xdg-open"), {address});
}

seams::LaunchResult SystemDesktop::startDetached(const QString& program, const QStringList& arguments) {
    return {ProcessLauncher::StartDetached(QFile::encodeName(program).toStdString(), Local8Bit(arguments)).error};
}

seams::LaunchResult SystemDesktop::startWatched(const QString& program, const QStringList& arguments, QObject* context,
                                                seams::ProgramEnd onEnd) {
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

QDateTime SystemDesktop::now() const {
    return QDateTime::currentDateTime();
}

QString SystemDesktop::executableDir() const {
    // Not applicationDirPath: where Qt cannot find the program (no /proc, and argv[0] not found) it
    // answers ".", which would put the vault wherever the program was started from.
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) {
        return {};
    }
    const QString folder = QFileInfo(program).absolutePath();
    return QDir::isAbsolutePath(folder) ? folder : QString();
}

QString SystemDesktop::settingsFile() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + productName_ +
           QLatin1Char('/') + productName_ + QStringLiteral(".ini");
}
