// Locking hides every window until the master password is typed again, the windows then coming back as
// they were; Ctrl+L, the desktop's screen lock and the idle time lock alike.
#include "WindowLock.h"

#include "Controls.h"
#include "EntryEditor.h"
#include "FakeDesktop.h"
#include "ListView.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "ScreenLockWatch.h"
#include "Seams.h"
#include "TestMain.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>
#include <memory>

class WindowLockTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;
    MainWindow* main = nullptr;

    // Logged in to a vault of one entry, with `lockMinutes` in the settings when it is given.
    void start(const char* lockMinutes = nullptr) {
        if (lockMinutes != nullptr) {
            seams::OpenSettings()->setValue("Settings/lockMinutes", lockMinutes);
        }
        main = run->openWith({{"alice", "a-pw", "mail.example.com"}});
        QVERIFY(main != nullptr && main->isVisible());
    }
    static void typePassword(const QString& password) {
        QVERIFY(TheRun().passwordDialog() != nullptr);
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText(password);
        TheRun().passwordDialog()->confirmPassword();
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() { run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"}); }
    void cleanup() {
        run.reset();
        main = nullptr;
    }

    // lockMinutes: the windows lock once nobody has pressed a key or moved the mouse for that long, timed
    // from the last use; after the master password the wait starts again.
    void theIdleTimeLocksAfterTheSetMinutesWithoutUse() {
        using namespace std::chrono_literals;
        start("1");
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
        start();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(TheRun().locked());
        QVERIFY(!main->isVisible());
        typePassword("Secret1");
        QVERIFY(!TheRun().locked());
        QVERIFY(main->isVisible());
    }

    // The desktop's screen lock comes the same way: what was typed in an open editor is there again
    // afterwards, the copy is off the clipboard, and the vault is not written.
    void theScreenLockKeepsAnOpenEditorAndWritesNothing() {
        start();
        const QByteArray before = run->onDisk();
        Control<ListView>(main, "lstPass")->setSelected(1, true);
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("a-pw"));
        main->addEntry();
        EntryEditor* editor = TheRun().editor();
        QVERIFY(editor != nullptr);
        Control<QLineEdit>(editor, "txtUsername")->setText("typed, not saved");

        auto* screen = TheRun().windowLock().findChild<ScreenLockWatch*>();
        QVERIFY(screen != nullptr);
        emit screen->screenLocked();
        QVERIFY(!main->isVisible());
        QVERIFY(!editor->isVisible());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        QVERIFY(TheRun().passwordDialog()->isVisible());

        typePassword("Secret1");
        QVERIFY(main->isVisible());
        QCOMPARE(TheRun().editor(), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->text(), QString("typed, not saved"));
        QCOMPARE(run->onDisk(), before);
    }
};

KEYSHELF_TEST_MAIN(WindowLockTest)
#include "WindowLockTest.moc"
