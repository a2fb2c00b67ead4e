// The claim on a vault that keeps one Keyshelf per vault: which starts are the same vault, and what a
// local client that is not Keyshelf can do with the socket.
// Each test has a runtime folder of its own; a second claim in the same process stands for a second start.
#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <dlfcn.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder Qt is shown as its owner's alone, whatever its mode: Qt 6.4 itself refuses a runtime folder
// others may enter, and this stands for a Qt that does not. Qt reads a folder's mode with statx; the claim
// reads it with lstat.
QByteArray qtSeesPrivate;

} // namespace

extern "C" int statx(int dirfd, const char* path, int flags, unsigned int mask, struct statx* info) {
    using Statx = int (*)(int, const char*, int, unsigned int, struct statx*);
    static const auto real = reinterpret_cast<Statx>(::dlsym(RTLD_NEXT, "statx"));
    const int result = real(dirfd, path, flags, mask, info);
    if (result == 0 && !qtSeesPrivate.isEmpty() && qtSeesPrivate == path) {
        info->stx_mode &= ~(S_IRWXG | S_IRWXO);
    }
    return result;
}

class SingleInstanceTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> root;

    QString VaultIn(const QString& folder) {
        QDir(root->path()).mkpath(folder);
        return root->path() + QLatin1Char('/') + folder + QStringLiteral("/data.enc");
    }
    QString OnlySocket() const {
        const QStringList found =
            QDir(root->path() + QStringLiteral("/runtime")).entryList({QStringLiteral("*.socket")}, QDir::System);
        return found.size() == 1 ? root->path() + QStringLiteral("/runtime/") + found.first() : QString();
    }

private slots:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(root->path()).mkdir(QStringLiteral("runtime")));
        QVERIFY(QFile::setPermissions(root->path() + QStringLiteral("/runtime"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root->path() + QStringLiteral("/runtime")));
        QVERIFY(QFile::link(root->path() + QStringLiteral("/a"), root->path() + QStringLiteral("/link-to-a")));
    }
    void cleanup() { root.reset(); }

    void laterStartsOnTheSameVaultHandOver_data() {
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("sameVault");
        QTest::newRow("the same folder") << "a" << true;
        QTest::newRow("the folder through a link") << "link-to-a" << true;
        QTest::newRow("another folder") << "b" << false;
    }
    void laterStartsOnTheSameVaultHandOver() {
        QFETCH(QString, second);
        QFETCH(bool, sameVault);
        SingleInstance first(VaultIn(QStringLiteral("a")));
        QCOMPARE(first.ClaimVault(), SingleInstance::Claim::First);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        SingleInstance later(VaultIn(second));
        QCOMPARE(later.ClaimVault(), sameVault ? SingleInstance::Claim::Elsewhere : SingleInstance::Claim::First);
        // The request waits for the first one's event loop, as in a busy program: the later start was not
        // told the windows came forward, only that it asked.
        if (sameVault) {
            QCOMPARE(later.handOver(), SingleInstance::HandOver::Asked);
        }
        QCOMPARE(raised.wait(sameVault ? 2000 : 300), sameVault);
        QCOMPARE(raised.count(), sameVault ? 1 : 0);
    }

    // Any program of the user's can connect: the request raises once per connection, and anything else
    // (or silence) ends the connection without raising.
    void clientsGetTheWindowsForwardAndNothingElse_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("raises");
        QTest::newRow("the request") << QByteArray("keyshelf-raise\n") << 1;
        QTest::newRow("the request twice") << QByteArray("keyshelf-raise\nkeyshelf-raise\n") << 1;
        QTest::newRow("another protocol") << QByteArray("GET / HTTP/1.0\r\n\r\n") << 0;
        QTest::newRow("nearly the request") << QByteArray("keyshelf-raisE\n") << 0;
        QTest::newRow("a flood") << QByteArray(1 << 20, 'k') << 0;
        QTest::newRow("part of it, then silence") << QByteArray("keyshelf-ra") << 0;
    }
    void clientsGetTheWindowsForwardAndNothingElse() {
        QFETCH(QByteArray, sent);
        QFETCH(int, raises);
        SingleInstance first(VaultIn(QStringLiteral("a")));
        QCOMPARE(first.ClaimVault(), SingleInstance::Claim::First);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        QLocalSocket client;
        client.connectToServer(OnlySocket());
        QVERIFY(client.waitForConnected(1000));
        client.write(sent);
        // The server ends every connection, answered or not, within its second.
        QByteArray answer;
        const QDeadlineTimer deadline(3000);
        while (client.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired()) {
            QTest::qWait(10);
            answer += client.readAll();
        }
        QCOMPARE(client.state(), QLocalSocket::UnconnectedState);
        answer += client.readAll();
        QCOMPARE(raised.count(), raises);
        QCOMPARE(answer, raises > 0 ? QByteArray("ok\n") : QByteArray());
    }

    // A runtime folder too deep for a socket's 108-byte name: the run goes on unguarded, as before.
    void aRuntimeFolderWithoutRoomLeavesTheRunUnguarded() {
        const QString deep = root->path() + QStringLiteral("/deep").repeated(20);
        QVERIFY(QDir().mkpath(deep));
        QVERIFY(QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        SingleInstance first(VaultIn(QStringLiteral("a")));
        QCOMPARE(first.ClaimVault(), SingleInstance::Claim::Unguarded);
    }

    // A holder that has the lock but does not answer (hung, or its socket gone): a later start still ends
    // without opening the vault, within the hand-over time.
    void aHolderThatDoesNotAnswerStillHasTheVault() {
        const QString vault = VaultIn(QStringLiteral("a"));
        const QByteArray lock = QFile::encodeName(root->path() + QStringLiteral("/runtime/") +
                                                  SingleInstance::KeyFor(vault) + QStringLiteral(".lock"));
        const int held = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
        SingleInstance later(vault);
        QElapsedTimer took;
        took.start();
        QCOMPARE(later.ClaimVault(), SingleInstance::Claim::Elsewhere);
        QVERIFY2(took.elapsed() < 2000, QByteArray::number(took.elapsed()));
        ::close(held);
    }

    // A runtime folder others may enter or read, where someone else could sit on the names: the run goes on
    // unguarded, even where Qt would take the folder.
    void aRuntimeFolderOthersMayEnterIsNotTrusted_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("0700") << 0700 << true;
        QTest::newRow("0740: the group reads") << 0740 << false;
        QTest::newRow("0710: the group enters") << 0710 << false;
        QTest::newRow("0770: the group writes") << 0770 << false;
        QTest::newRow("0704: others read") << 0704 << false;
        QTest::newRow("0701: others enter") << 0701 << false;
    }
    void aRuntimeFolderOthersMayEnterIsNotTrusted() {
        QFETCH(int, mode);
        QFETCH(bool, trusted);
        const QByteArray runtime = QFile::encodeName(root->path() + QStringLiteral("/runtime"));
        QCOMPARE(::chmod(runtime.constData(), static_cast<mode_t>(mode)), 0);
        qtSeesPrivate = runtime;
        SingleInstance first(VaultIn(QStringLiteral("a")));
        const SingleInstance::Claim claim = first.ClaimVault();
        qtSeesPrivate.clear();
        QCOMPARE(claim, trusted ? SingleInstance::Claim::First : SingleInstance::Claim::Unguarded);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
