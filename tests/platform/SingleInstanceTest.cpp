// The claim on a vault that keeps one Keyshelf per vault: which starts are the same vault, and what a
// local client that is not Keyshelf can do with the socket.
// Each test has a runtime folder of its own; a second claim in the same process stands for a second start.
#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

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
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
