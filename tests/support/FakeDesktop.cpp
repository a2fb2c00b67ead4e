#include "FakeDesktop.h"

#include "BuildConfiguration.h"

#include <QDir>
#include <stdexcept>

namespace {
FakeDesktop* gLatest = nullptr;
} // namespace

FakeDesktop& TheDesktop() {
    if (gLatest == nullptr) {
        throw std::logic_error("no fake desktop in use");
    }
    return *gLatest;
}

FakeDesktop::FakeDesktop(const QString& folder, const QDateTime& now)
    : folder_(folder), now_(now), system_(BuildConfiguration::ofThisBuild().productName), previous_(gLatest),
      inUse_(*this) {
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

QString FakeDesktop::executableDir() const {
    return executableDirUnknown_ ? QString() : folder_;
}

QString FakeDesktop::settingsFile() const {
    return QDir(folder_).filePath(BuildConfiguration::ofThisBuild().productName + QStringLiteral(".ini"));
}
