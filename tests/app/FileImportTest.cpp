// Importing a CSV file: a file that cannot be read is said and nothing changes, the dialog's Cancel writes
// nothing, and after a save the file, which holds every password in plain text, is deleted on a Yes.
#include "FileImport.h"

#include "FakeDesktop.h"
#include "ImportDialog.h"
#include "TestMain.h"
#include "WindowTestRun.h"

#include <QFile>
#include <QTimer>
#include <QtTest>

class FileImportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void anImportSavesOnceAndOffersToDeleteTheFile_data() {
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("dialog"); // what the import dialog is answered with; -1: none opens
        QTest::addColumn<seams::Answer>("deleteAnswer");
        QTest::addColumn<int>("entries");              // in the list afterwards
        QTest::addColumn<QList<seams::Icon>>("boxes"); // shown, in order
        QTest::addColumn<bool>("fileKept");
        QTest::newRow("cannot be read") << false << -1 << seams::Answer::Yes << 1
                                        << QList<seams::Icon>{seams::Icon::Critical} << false;
        QTest::newRow("cancelled") << true << int(QDialog::Rejected) << seams::Answer::Yes << 1 << QList<seams::Icon>{}
                                   << true;
        QTest::newRow("imported, the file deleted") << true << int(QDialog::Accepted) << seams::Answer::Yes << 3
                                                    << QList<seams::Icon>{seams::Icon::Question} << false;
        QTest::newRow("imported, No keeps the file") << true << int(QDialog::Accepted) << seams::Answer::No << 3
                                                     << QList<seams::Icon>{seams::Icon::Question} << true;
    }
    void anImportSavesOnceAndOffersToDeleteTheFile() {
        QFETCH(bool, readable);
        QFETCH(int, dialog);
        QFETCH(seams::Answer, deleteAnswer);
        QFETCH(int, entries);
        QFETCH(QList<seams::Icon>, boxes);
        QFETCH(bool, fileKept);
        WindowTestRun run;
        const auto session = run.unlockedSession({{"alice", "a-pw", ""}});
        QVERIFY(session != nullptr);
        const QByteArray before = run.onDisk();
        const QString csv = run.filePath("export.csv");
        if (readable) {
            QFile file(csv);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("url,username,password\nshop.example,ann,s-pw\nmail.example,bo,m-pw\n") > 0);
        }
        if (dialog >= 0) {
            QTimer::singleShot(0, this, [dialog] {
                if (auto* shown = qobject_cast<ImportDialog*>(QApplication::activeModalWidget())) {
                    shown->done(dialog);
                }
            });
        }
        TheDesktop().setNextAnswer(deleteAnswer);
        int reported = 0;
        FileImport(
            *session, [&reported](const VaultSession::Outcome&) { ++reported; }, [](QWidget*) {})
            .run(csv, nullptr);

        QCOMPARE(session->entries()->count(), entries);
        QCOMPARE(reported, entries > 1 ? 1 : 0);
        QCOMPARE(run.onDisk() == before, entries == 1);
        QList<seams::Icon> shown;
        for (const FakeDesktop::ShownBox& box : TheDesktop().shownBoxes()) {
            shown << box.style.icon;
        }
        QCOMPARE(shown, boxes);
        QCOMPARE(QFile::exists(csv), fileKept);
    }
};

KEYSHELF_TEST_MAIN(FileImportTest)
#include "FileImportTest.moc"
