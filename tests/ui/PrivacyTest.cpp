// Privacy while Keyshelf is open: a copied field leaves the clipboard after the set time unless something
// else was copied since, and locking hides every window until the master password is typed again, the
// windows then coming back as they were.
#include "Controls.h"
#include "EntryEditor.h"
#include "FakeDesktop.h"
#include "ListView.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>
#include <memory>

class PrivacyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;
    MainWindow* main = nullptr;

    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    // Logged in to a vault of one entry, with `settings` in [Settings].
    void start(const QList<QPair<QString, QString>>& settings) {
        for (const auto& [name, value] : settings) {
            seams::OpenSettings()->setValue("Settings/" + name, value);
        }
        QVERIFY(run->writeVault({{"alice", "a-pw", "mail.example.com"}}));
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        typePassword("Secret1");
        QVERIFY(main->isVisible());
    }
    static void typePassword(const QString& password) {
        QVERIFY(TheRun().passwordDialog() != nullptr);
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText(password);
        TheRun().passwordDialog()->confirmPassword();
    }
    void copyPassword() {
        Control<ListView>(main, "lstPass")->setSelected(1, true);
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(clipboard(), QString("a-pw"));
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() { run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"}); }
    void cleanup() {
        run.reset();
        main = nullptr;
    }

    void aCopyLeavesTheClipboardAfterTheSetTime_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("copiedElsewhere"); // empty: nothing
        QTest::addColumn<QString>("left");            // on the clipboard once the time is past
        QTest::newRow("still Keyshelf's copy") << "1"
                                               << ""
                                               << "";
        QTest::newRow("something else copied since") << "1"
                                                     << "from another program"
                                                     << "from another program";
        QTest::newRow("0: never") << "0"
                                  << ""
                                  << "a-pw";
        QTest::newRow("not a number: the default, 30 s") << "soon"
                                                         << ""
                                                         << "a-pw";
    }
    void aCopyLeavesTheClipboardAfterTheSetTime() {
        QFETCH(QString, seconds);
        QFETCH(QString, copiedElsewhere);
        QFETCH(QString, left);
        start({{"clipboardSeconds", seconds}});
        copyPassword();
        QCOMPARE(StatusText(main), QString("Copied Password a-pw"));
        if (!copiedElsewhere.isEmpty()) {
            QGuiApplication::clipboard()->setText(copiedElsewhere);
        }
        if (left.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(clipboard(), QString(), 5000);
            QCOMPARE(StatusText(main), QString("Clipboard cleared"));
        } else {
            QTest::qWait(1500);
            QCOMPARE(clipboard(), left);
            QCOMPARE(StatusText(main), QString("Copied Password a-pw"));
        }
    }

    // lockMinutes: the windows lock once nobody has pressed a key or moved the mouse for that long, timed
    // from the last use; after the master password the wait starts again.
    void theIdleTimeLocksAfterTheSetMinutesWithoutUse() {
        using namespace std::chrono_literals;
        start({{"lockMinutes", "1"}});
        TheDesktop().advanceClock(59s);
        QVERIFY(!TheRun().locked());
        QTest::keyClick(Control<ListView>(main, "lstPass"), Qt::Key_Down);
        TheDesktop().advanceClock(59s);
        QVERIFY(!TheRun().locked());
        TheDesktop().advanceClock(1s);
        QVERIFY(TheRun().locked());
        QVERIFY(!main->isVisible());
        typePassword("Secret1");
        QVERIFY(!TheRun().locked());
        TheDesktop().advanceClock(60s);
        QVERIFY(TheRun().locked());
    }

    // Ctrl+L while the vault is not open yet does nothing: the first run's gate still asks for a new master
    // password.
    void ctrlLBeforeTheVaultIsOpenDoesNothing() {
        MainWindow* shown = TheProgram().LoadMainWindow();
        shown->show();
        QApplication::setActiveWindow(shown);
        QVERIFY(QTest::qWaitForWindowActive(shown));
        QTest::keyClick(shown, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!TheRun().locked());
        QVERIFY(TheRun().passwordDialog() == nullptr);
        TheProgram().OpenVault();
        QVERIFY(TheRun().passwordDialog() != nullptr);
        QVERIFY(Control<QLineEdit>(TheRun().passwordDialog(), "txtPass2")->isVisibleTo(TheRun().passwordDialog()));
    }

    void ctrlLLocksAndTheMasterPasswordUnlocks() {
        start({});
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(TheRun().locked());
        QVERIFY(!main->isVisible());
        typePassword("Secret1");
        QVERIFY(!TheRun().locked());
        QVERIFY(main->isVisible());
    }

    // The desktop's lock comes the same way: what was typed in an open editor is there again afterwards,
    // the copy is off the clipboard, and the vault is not written.
    void lockingKeepsAnOpenEditorAndWritesNothing() {
        start({});
        const QByteArray before = run->onDisk();
        copyPassword();
        main->addEntry();
        EntryEditor* editor = TheRun().editor();
        QVERIFY(editor != nullptr);
        Control<QLineEdit>(editor, "txtUsername")->setText("typed, not saved");

        TheProgram().Lock();
        QVERIFY(!main->isVisible());
        QVERIFY(!editor->isVisible());
        QCOMPARE(clipboard(), QString());
        QVERIFY(TheRun().passwordDialog()->isVisible());

        typePassword("Secret1");
        QVERIFY(main->isVisible());
        QCOMPARE(TheRun().editor(), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->text(), QString("typed, not saved"));
        QCOMPARE(run->onDisk(), before);
    }
};

KEYSHELF_TEST_MAIN(PrivacyTest)
#include "PrivacyTest.moc"
