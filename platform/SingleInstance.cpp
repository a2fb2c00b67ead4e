#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The whole conversation: a later start sends the request, the holder brings its windows forward and
// answers. Anything else a client sends ends its connection.
const QByteArray kRequest = QByteArrayLiteral("keyshelf-raise\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

// How long a later start waits for the holder, so that it ends within half a second at worst: the holder
// takes the lock a moment before it listens and holds it a moment after it closed its socket, and a start
// in either moment tries again until kHandOverMs runs out; then it waits kAnswerMs at most for the answer.
// (Connecting to a local socket succeeds or fails at once; kConnectMs is only a bound.)
constexpr int kConnectMs = 50;
constexpr int kAnswerMs = 300;
constexpr int kHandOverMs = 100;
// A client that has not sent the request by then is dropped.
constexpr int kClientMs = 1000;

} // namespace

SingleInstance::SingleInstance(const QString& vaultPath, QObject* parent) : QObject(parent), vaultPath_(vaultPath) {}

SingleInstance::~SingleInstance() {
    // The socket goes while the lock is still held, so that it never removes a later holder's socket.
    delete server_;
    server_ = nullptr;
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

QString SingleInstance::PrivateRuntimeDir() {
    // Qt already refuses a runtime folder of another user's; this also refuses one that others may enter
    // (a hostile XDG_RUNTIME_DIR pointing at /tmp, say) or a link, where someone else could sit on the names.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !dir.startsWith(QLatin1Char('/'))) {
        return {};
    }
    struct stat info {};
    if (::lstat(QFile::encodeName(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return {};
    }
    return dir;
}

QString SingleInstance::KeyFor(const QString& vaultPath) {
    const QFileInfo file(vaultPath);
    // The file itself when it exists (a data.enc linked from two folders is one vault), else its folder's
    // real path, which a first start without a file has too.
    QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty()) {
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        canonical = folder.isEmpty() ? file.absoluteFilePath() : folder + QLatin1Char('/') + file.fileName();
    }
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(canonical), QCryptographicHash::Sha256);
    return QStringLiteral("keyshelf-") + QString::fromLatin1(hash.toHex().left(32));
}

SingleInstance::Claim SingleInstance::ClaimVault() {
    const QString dir = PrivateRuntimeDir();
    if (dir.isEmpty()) {
        return Claim::Unguarded;
    }
    const QString base = dir + QLatin1Char('/') + KeyFor(vaultPath_);
    lockPath_ = base + QStringLiteral(".lock");
    socketPath_ = base + QStringLiteral(".socket");
    if (static_cast<size_t>(QFile::encodeName(socketPath_).size()) >= sizeof(sockaddr_un::sun_path)) {
        return Claim::Unguarded; // a runtime folder this deep has no room for a socket name
    }
    lockFd_ = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        return Claim::Unguarded;
    }
    const QDeadlineTimer handOver(kHandOverMs);
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            if (!Listen()) {
                qWarning("Keyshelf cannot listen for later starts on %s: %s", qPrintable(socketPath_),
                         qPrintable(server_->errorString()));
            }
            return Claim::First;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return Claim::Unguarded;
        }
        if (AskToRaise()) {
            return Claim::Elsewhere;
        }
        if (handOver.hasExpired()) {
            // The lock says another Keyshelf has the vault: opening it here as well is what the claim prevents.
            handOver_ = HandOver::Unanswered;
            return Claim::Elsewhere;
        }
        QThread::msleep(10);
    }
}

bool SingleInstance::AskToRaise() {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectMs)) {
        return false;
    }
    socket.write(kRequest);
    // The answer says the windows came forward. Without it within the time the holder is busy; the request
    // waits for it all the same, so this start ends either way.
    const QDeadlineTimer answered(kAnswerMs);
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.state() == QLocalSocket::ConnectedState &&
           socket.waitForReadyRead(static_cast<int>(answered.remainingTime()))) {
        answer += socket.read(kAnswer.size() - answer.size());
    }
    handOver_ = answer == kAnswer ? HandOver::Raised : HandOver::Asked;
    return true;
}

bool SingleInstance::Listen() {
    // A socket whose process ended without closing it (a crash, or the program's quick exit); the lock says
    // no one listens on it.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            Serve(client);
        }
    });
    return server_->listen(socketPath_);
}

void SingleInstance::Serve(QLocalSocket* client) {
    // Any program of this user can connect; what it can get is the windows brought forward, once per
    // connection, and it cannot keep a connection open.
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    QTimer::singleShot(kClientMs, client, [client] {
        client->abort();
        client->deleteLater();
    });
    const auto hear = [this, client] {
        QByteArray said = client->property("said").toByteArray();
        said += client->read(kRequest.size() - said.size());
        client->setProperty("said", said);
        if (!kRequest.startsWith(said)) {
            client->abort();
            client->deleteLater();
            return;
        }
        if (said.size() == kRequest.size()) {
            disconnect(client, &QLocalSocket::readyRead, this, nullptr);
            emit raiseRequested();
            client->write(kAnswer);
            client->disconnectFromServer();
        }
    };
    connect(client, &QLocalSocket::readyRead, this, hear);
    if (client->bytesAvailable() > 0) {
        hear();
    }
}
