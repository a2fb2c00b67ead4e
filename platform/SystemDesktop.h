// The desktop Keyshelf runs on, as it is: real message boxes, the process's end, programs started through
// ProcessLauncher, the system clock, the folder of the executable and the user's configuration folder.
#pragma once

#include "Desktop.h"

class SystemDesktop : public Desktop {
public:
    // `productName` names the settings file and its folder.
    explicit SystemDesktop(QString productName);

    seams::Answer messageBox(const QString& text, seams::BoxStyle style, const QString& caption) override;
    void endProgram(int exitCode) override;
    // Through the desktop's opener `xdg-open`, started as startDetached starts programs, with the address
    // as its one argument; an address that begins with a dash is refused (EINVAL): the opener would read it
    // as an option.
    seams::LaunchResult shellOpen(const QString& address) override;
    // The program gets standard input from /dev/null, Keyshelf's standard output and error, and no other
    // descriptor of Keyshelf's, and runs in a session of its own; never through a shell.
    seams::LaunchResult startDetached(const QString& program, const QStringList& arguments) override;
    // As startDetached, except that the program's standard error goes to Keyshelf, which watches it (see
    // ProgramWatch) and hands `onEnd` the end of what it wrote there.
    seams::LaunchResult startWatched(const QString& program, const QStringList& arguments, QObject* context,
                                     seams::ProgramEnd onEnd) override;
    QDateTime now() const override;
    // A QTimer of the thread that asks.
    std::unique_ptr<seams::Countdown> countdown(std::function<void()> done) override;
    QString executableDir() const override;
    // Where QSettings keeps a user's settings in INI format: <config>/<product>/<product>.ini.
    QString settingsFile() const override;

private:
    QString productName_;
};
