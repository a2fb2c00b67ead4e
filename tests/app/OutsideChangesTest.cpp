// While the list is in use, a change another program makes to the vault shows by itself, the selected
// entry kept; what cannot be read again is said in the status line, and a new master password is asked for.
#include "OutsideChanges.h"

#include "Controls.h"
#include "FakeDesktop.h"
#include "ListView.h"
#include "MainWindow.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {
const std::vector<vault::Entry> kEntries = {{"alice", "a-pw", ""}, {"bob", "b-pw", ""}};
}

class OutsideChangesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void aChangeElsewhereShowsWhileTheListIsInUse_data() {
        QTest::addColumn<QByteArray>("written"); // empty: a folder in its place
        QTest::addColumn<bool>("listInUse");
        QTest::addColumn<QStringList>("shown"); // the list's usernames afterwards
        QTest::addColumn<QString>("status");    // how the status line begins
        QTest::addColumn<int>("askedForPassword");
        const QByteArray zed =
            QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"zed", "z-pw", ""}, kEntries[0], kEntries[1]}));
        QTest::newRow("reloaded, bob still selected")
            << zed << true << QStringList{"zed", "alice", "bob"}
            << "Reloaded 3 entries: the file was changed by another program" << 0;
        QTest::newRow("an editor or a question is open: later")
            << zed << false << QStringList{"alice", "bob"} << QString() << 0;
        QTest::newRow("a new master password")
            << QByteArray::fromStdString(vault::VaultBytes("Another master", kEntries)) << true << QStringList{}
            << QString() << 1;
        QTest::newRow("cannot be read: the entries kept")
            << QByteArray() << true << QStringList{"alice", "bob"} << "Not reloaded: " << 0;
    }
    void aChangeElsewhereShowsWhileTheListIsInUse() {
        QFETCH(QByteArray, written);
        QFETCH(bool, listInUse);
        QFETCH(QStringList, shown);
        QFETCH(QString, status);
        QFETCH(int, askedForPassword);
        WindowTestRun run;
        const auto session = run.unlockedSession(kEntries);
        QVERIFY(session != nullptr);
        MainWindow main(session->entries());
        connect(session.get(), &VaultSession::statusChanged, &main, &MainWindow::setStatusText);
        main.setStatusText(QString());
        main.selectOnly(2);
        OutsideChanges changes(*session, [listInUse] { return listInUse; });
        changes.setWindow(&main);
        QSignalSpy asked(&changes, &OutsideChanges::newMasterPassword);

        if (written.isEmpty()) {
            QVERIFY(QFile::remove(run.vaultPath()) && QDir().mkdir(run.vaultPath()));
        } else {
            QFile file(run.vaultPath());
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(written) == written.size());
        }
        changes.check();

        QStringList usernames;
        for (int position = 1; position <= EntryList(&main)->count(); ++position) {
            usernames << EntryList(&main)->text(position);
        }
        QCOMPARE(usernames, shown);
        if (!shown.isEmpty()) {
            QCOMPARE(main.selectedEntry().value_or(ListEntry{}).username, QString("bob"));
        }
        QVERIFY2(StatusText(&main).startsWith(status) && StatusText(&main).isEmpty() == status.isEmpty(),
                 qPrintable(StatusText(&main)));
        QCOMPARE(asked.count(), askedForPassword);
        QVERIFY(TheDesktop().shownBoxes().isEmpty());
    }
};

KEYSHELF_TEST_MAIN(OutsideChangesTest)
#include "OutsideChangesTest.moc"
