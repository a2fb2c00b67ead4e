#include "BandRun.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace band {

namespace {

// What the renderer's environment holds: where its fonts and their caches are, the language, and that it
// paints offscreen. Nothing else of Keyshelf's environment: no proxy, no display, no session bus.
QProcessEnvironment rendererEnvironment() {
    const QProcessEnvironment mine = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment environment;
    for (const char* name : {"HOME", "XDG_CACHE_HOME", "XDG_DATA_DIRS", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                             "FONTCONFIG_FILE", "FONTCONFIG_PATH", "LANG", "LC_ALL", "LC_CTYPE"}) {
        if (mine.contains(QString::fromLatin1(name))) {
            environment.insert(QString::fromLatin1(name), mine.value(QString::fromLatin1(name)));
        }
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_NO_GLIB"), QStringLiteral("1"));
    return environment;
}

// AddressSanitizer's shadow memory takes terabytes of address space: a build under it limits all else.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

void limit(int resource, rlim_t value) {
    const rlimit both{value, value};
    setrlimit(resource, &both);
}

} // namespace

QString RendererPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/keyshelf-band");
}

Run::Run(const QByteArray& request, qint64 maxAnswer, RunLimits limits, QObject* parent)
    : QObject(parent), process_(new QProcess(this)), deadline_(new QTimer(this)), maxAnswer_(maxAnswer) {
    process_->setProgram(RendererPath());
    process_->setArguments({QStringLiteral("--page")});
    process_->setProcessEnvironment(rendererEnvironment());
    process_->setStandardErrorFile(QProcess::nullDevice()); // what its libraries say of the page goes nowhere
    // Between fork and exec, in the renderer alone: only calls that are safe there.
    process_->setChildProcessModifier([limits] {
        limit(RLIMIT_CPU, rlim_t(limits.cpuSeconds));
        if (!kAddressSanitizer) {
            limit(RLIMIT_AS, rlim_t(limits.addressSpace));
        }
        limit(RLIMIT_FSIZE, 0);
        limit(RLIMIT_CORE, 0);
        limit(RLIMIT_NOFILE, rlim_t(limits.descriptors));
        // The window comes first for the processor, yet a busy machine does not starve the band.
        setpriority(PRIO_PROCESS, 0, 5);
        prctl(PR_SET_PDEATHSIG, SIGKILL); // and it ends with the window, however the window ends
        // A network of its own with nothing in it, where the system allows one: then the renderer can
        // reach no address at all, whatever it were made to try.
        if (unshare(CLONE_NEWNET) != 0) {
            unshare(CLONE_NEWUSER | CLONE_NEWNET);
        }
    });
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        answer_ += process_->read(maxAnswer_ + 1 - answer_.size());
        if (answer_.size() > maxAnswer_) {
            process_->kill();
            end(false);
        }
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && code == 0) {
            answer_ += process_->read(maxAnswer_ + 1 - answer_.size());
            end(answer_.size() <= maxAnswer_);
        } else {
            end(false);
        }
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            end(false);
        }
    });
    connect(process_, &QProcess::started, this, [this, request] {
        process_->write(request);
        process_->closeWriteChannel();
    });
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        process_->kill();
        end(false);
    });
    deadline_->start(limits.deadlineMs);
    process_->start(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

Run::~Run() {
    ended_ = true;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(1000); // killed: its end is a moment away
    }
}

void Run::end(bool ok) {
    if (ended_) {
        return;
    }
    ended_ = true;
    deadline_->stop();
    const QByteArray answer = ok ? answer_ : QByteArray();
    answer_.clear();
    // From the event loop, never from within a QProcess signal the receiver might delete this in.
    QTimer::singleShot(0, this, [this, ok, answer] { emit finished(ok, answer); });
}

} // namespace band
