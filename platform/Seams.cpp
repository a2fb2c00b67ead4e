#include "Seams.h"

#include "BuildConfiguration.h"
#include "SystemDesktop.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <sys/stat.h>

namespace seams {
namespace {

// The desktop the program was given, while its run lasts.
Desktop* gInUse = nullptr;

Desktop& InUse() {
    if (gInUse != nullptr) {
        return *gInUse;
    }
    static SystemDesktop system(BuildConfiguration::ofThisBuild().productName);
    return system;
}

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

Answer messageBox(const QString& text, BoxStyle style, const QString& title) {
    return InUse().messageBox(text, style, title.isEmpty() ? buildConfig::Current().productName : title);
}

void EndProgram(int exitCode) {
    InUse().endProgram(exitCode);
}

LaunchResult ShellOpen(const QString& address) {
    return InUse().shellOpen(address);
}

LaunchResult StartDetached(const QString& program, const QStringList& arguments) {
    return InUse().startDetached(program, arguments);
}

LaunchResult StartWatched(const QString& program, const QStringList& arguments, QObject* context,
                          std::function<void(int waitStatus, const QByteArray& errorTail)> onEnd) {
    return InUse().startWatched(program, arguments, context, std::move(onEnd));
}

QDateTime Now() {
    return InUse().now();
}

std::unique_ptr<Countdown> NewCountdown(std::function<void()> done) {
    return InUse().countdown(std::move(done));
}

QString ExecutableDir() {
    return InUse().executableDir();
}

std::unique_ptr<QSettings> OpenSettings() {
    const QString path = InUse().settingsFile();
    if (!SettingsFileUsable(path)) {
        // The defaults hold, and a write goes nowhere rather than replacing what someone put there: a path
        // beneath /dev/null can never exist or be made, so QSettings neither reads it nor dares to write.
        return std::make_unique<QSettings>(QStringLiteral("/dev/null/") + QFileInfo(path).fileName(),
                                           QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

DesktopInUse::DesktopInUse(Desktop& desktop) : previous_(gInUse) {
    gInUse = &desktop;
}

DesktopInUse::~DesktopInUse() {
    gInUse = previous_;
}

} // namespace seams
