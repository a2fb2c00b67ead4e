#include "FakeDesktop.h"

#include "BuildConfiguration.h"

#include <QDir>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {
FakeDesktop* gLatest = nullptr;
} // namespace

// The time the test has moved the clock on by, and the countdowns that wait on it.
struct FakeClock {
    struct Wait {
        std::chrono::milliseconds end{0};
        bool active = false;
        std::function<void()> done;
    };
    std::chrono::milliseconds elapsed{0};
    std::vector<std::shared_ptr<Wait>> waits;
};

namespace {

class FakeCountdown : public seams::Countdown {
public:
    FakeCountdown(std::shared_ptr<FakeClock> clock, std::function<void()> done)
        : clock_(clock), wait_(std::make_shared<FakeClock::Wait>()) {
        wait_->done = std::move(done);
        clock->waits.push_back(wait_);
    }
    ~FakeCountdown() override {
        if (const auto clock = clock_.lock()) {
            std::erase(clock->waits, wait_);
        }
    }
    void start(std::chrono::milliseconds wait) override {
        if (const auto clock = clock_.lock()) {
            wait_->end = clock->elapsed + wait;
            wait_->active = true;
        }
    }
    void stop() override { wait_->active = false; }
    bool active() const override { return wait_->active; }

private:
    std::weak_ptr<FakeClock> clock_;
    std::shared_ptr<FakeClock::Wait> wait_;
};

} // namespace

FakeDesktop& TheDesktop() {
    if (gLatest == nullptr) {
        throw std::logic_error("no fake desktop in use");
    }
    return *gLatest;
}

FakeDesktop::FakeDesktop(const QString& folder, const QDateTime& now)
    : folder_(folder), now_(now), clock_(std::make_shared<FakeClock>()),
      system_(BuildConfiguration::ofThisBuild().productName), previous_(gLatest), inUse_(*this) {
    gLatest = this;
}

FakeDesktop::~FakeDesktop() {
    gLatest = previous_;
}

seams::Answer FakeDesktop::messageBox(const QString& text, seams::BoxStyle style, const QString& caption) {
    shown_.append({text, style, caption});
    if (onShow_) {
        onShow_(shown_.back());
    }
    if (answers_.empty()) {
        return seams::defaultAnswer(style);
    }
    const seams::Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void FakeDesktop::endProgram(int exitCode) {
    ++endCalls_;
    lastExitCode_ = exitCode;
}

seams::LaunchResult FakeDesktop::shellOpen(const QString& address) {
    opened_.append(address);
    return {launchError_};
}

seams::LaunchResult FakeDesktop::startDetached(const QString& program, const QStringList& arguments) {
    started_.append({program, arguments});
    return {launchError_};
}

seams::LaunchResult FakeDesktop::startWatched(const QString& program, const QStringList& arguments, QObject* context,
                                              seams::ProgramEnd onEnd) {
    started_.append({program, arguments});
    if (launchError_ != 0 || !watchedRun_) {
        return {launchError_};
    }
    return system_.startWatched(program, arguments, context, std::move(onEnd));
}

QDateTime FakeDesktop::now() const {
    return now_.isValid() ? now_ : system_.now();
}

std::unique_ptr<seams::Countdown> FakeDesktop::countdown(std::function<void()> done) {
    return std::make_unique<FakeCountdown>(clock_, std::move(done));
}

void FakeDesktop::advanceClock(std::chrono::milliseconds time) {
    const std::chrono::milliseconds until = clock_->elapsed + time;
    for (;;) {
        std::shared_ptr<FakeClock::Wait> next;
        for (const auto& wait : clock_->waits) {
            if (wait->active && wait->end <= until && (next == nullptr || wait->end < next->end)) {
                next = wait;
            }
        }
        if (next == nullptr) {
            break;
        }
        clock_->elapsed = next->end;
        next->active = false;
        const std::function<void()> done = next->done; // the countdown may go while it runs
        done();
    }
    clock_->elapsed = until;
    if (now_.isValid()) {
        now_ = now_.addMSecs(time.count());
    }
}

QString FakeDesktop::executableDir() const {
    return executableDirUnknown_ ? QString() : folder_;
}

QString FakeDesktop::settingsFile() const {
    return QDir(folder_).filePath(BuildConfiguration::ofThisBuild().productName + QStringLiteral(".ini"));
}
