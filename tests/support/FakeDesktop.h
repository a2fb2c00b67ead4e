// The desktop of a test: message boxes answered from a script and recorded, ends, opened addresses and
// started programs recorded instead of done, the program's folder and the settings store in a folder of the
// test's, the clock fixed when asked, and waits that run out only as the test moves the clock on.
#pragma once

#include "Desktop.h"
#include "Seams.h"
#include "SystemDesktop.h"

#include <QList>
#include <deque>
#include <memory>

class FakeDesktop : public Desktop {
public:
    struct ShownBox {
        QString text;
        seams::BoxStyle style;
        QString title;
    };
    struct Started {
        QString program;
        QStringList arguments;
    };

    // The program's folder and the settings store in `folder` (which must exist); the clock fixed at `now`
    // when it is valid. In use for the seams while it lives, and the one TheDesktop() answers.
    explicit FakeDesktop(const QString& folder, const QDateTime& now = QDateTime());
    ~FakeDesktop() override;
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    seams::Answer messageBox(const QString& text, seams::BoxStyle style, const QString& caption) override;
    void endProgram(int exitCode) override;
    seams::LaunchResult shellOpen(const QString& address) override;
    seams::LaunchResult startDetached(const QString& program, const QStringList& arguments) override;
    seams::LaunchResult startWatched(const QString& program, const QStringList& arguments, QObject* context,
                                     seams::ProgramEnd onEnd) override;
    QDateTime now() const override;
    std::unique_ptr<seams::Countdown> countdown(std::function<void()> done) override;
    QString executableDir() const override;
    QString settingsFile() const override;

    // Moves the clock on by `time` (and the date and time it answers, when fixed), running out every
    // countdown whose wait ends by then, the earliest first.
    void advanceClock(std::chrono::milliseconds time);

    // The answer the next message box gives; unscripted boxes answer with their default button, as Enter
    // would.
    void setNextAnswer(seams::Answer answer) { answers_.push_back(answer); }
    const QList<ShownBox>& shownBoxes() const { return shown_; }
    // Called as each message box is shown, to look at the program's state at that moment.
    void setOnShow(std::function<void(const ShownBox&)> onShow) { onShow_ = std::move(onShow); }

    int endCalls() const { return endCalls_; }
    int lastExitCode() const { return lastExitCode_; }
    const QStringList& openedAddresses() const { return opened_; }
    const QList<Started>& startedPrograms() const { return started_; }
    // What opening and starting report: success unless told otherwise. A failure set with
    // setLaunchSucceeds is a program not found (ENOENT); setLaunchError names the errno (0: success).
    void setLaunchSucceeds(bool succeeds) { launchError_ = succeeds ? 0 : ENOENT; }
    void setLaunchError(int error) { launchError_ = error; }
    // While set, startWatched also starts the program for real (a stand-in first on the PATH), so that a
    // test sees what Keyshelf makes of how it ends.
    void setWatchedProgramsRun(bool run) { watchedRun_ = run; }
    // The program's folder cannot be found, as without /proc and with an argv[0] that names no file.
    void setExecutableDirUnknown() { executableDirUnknown_ = true; }

private:
    QString folder_;
    QDateTime now_;
    std::shared_ptr<struct FakeClock> clock_;
    std::deque<seams::Answer> answers_;
    std::function<void(const ShownBox&)> onShow_;
    QList<ShownBox> shown_;
    int endCalls_ = 0;
    int lastExitCode_ = 0;
    QStringList opened_;
    QList<Started> started_;
    int launchError_ = 0;
    bool watchedRun_ = false;
    bool executableDirUnknown_ = false;
    SystemDesktop system_;
    FakeDesktop* previous_;
    seams::DesktopInUse inUse_;
};

// The test's desktop: the one made last of those still there.
FakeDesktop& TheDesktop();
