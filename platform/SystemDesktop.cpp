#include "SystemDesktop.h"

#include "ProcessLauncher.h"
#include "ProgramWatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class TimerCountdown : public seams::Countdown {
public:
    explicit TimerCountdown(std::function<void()> done) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, std::move(done));
    }
    void start(std::chrono::milliseconds wait) override { timer_.start(wait); }
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

QMessageBox::StandardButton ButtonOf(seams::Answer answer) {
    switch (answer) {
    case seams::Answer::Ok:
        return QMessageBox::Ok;
    case seams::Answer::Cancel:
        return QMessageBox::Cancel;
    case seams::Answer::Abort:
        return QMessageBox::Abort;
    case seams::Answer::Retry:
        return QMessageBox::Retry;
    case seams::Answer::Ignore:
        return QMessageBox::Ignore;
    case seams::Answer::Yes:
        return QMessageBox::Yes;
    case seams::Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(seams::Icon icon) {
    switch (icon) {
    case seams::Icon::None:
        return QMessageBox::NoIcon;
    case seams::Icon::Critical:
        return QMessageBox::Critical;
    case seams::Icon::Question:
        return QMessageBox::Question;
    case seams::Icon::Exclamation:
        return QMessageBox::Warning;
    case seams::Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
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

seams::Answer SystemDesktop::messageBox(const QString& text, seams::BoxStyle style, const QString& caption) {
    const QList<seams::Answer> answers = seams::answersOf(style.buttons);
    QMessageBox box(IconOf(style.icon), caption, text);
    // Messages carry file names and entries' texts, which are anyone's: never read as markup.
    box.setTextFormat(Qt::PlainText);
    QMessageBox::StandardButtons set;
    for (const seams::Answer answer : answers) {
        set |= ButtonOf(answer);
    }
    box.setStandardButtons(set);
    box.setDefaultButton(ButtonOf(seams::defaultAnswer(style)));
    // The close box and Escape give Cancel where there is one, as a desktop user expects.
    if (answers.contains(seams::Answer::Cancel)) {
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const seams::Answer answer : answers) {
        if (ButtonOf(answer) == clicked) {
            return answer;
        }
    }
    // Closed without a button: the box's cancel answer, or its only button.
    return answers.size() == 1 ? answers.front() : seams::Answer::Cancel;
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

std::unique_ptr<seams::Countdown> SystemDesktop::countdown(std::function<void()> done) {
    return std::make_unique<TimerCountdown>(std::move(done));
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
