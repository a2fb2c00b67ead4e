// When Keyshelf locks by itself and when it does not: after the set idle minutes, again after every unlock,
// and never before the vault is open.
//
// The idle time is minutes long: this program's monotonic clock (which Qt's and GLib's timers read through
// clock_gettime) is the system's plus a time the test moves forward, so that minutes pass at once.
#include "Controls.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>
#include <atomic>
#include <dlfcn.h>
#include <memory>
#include <time.h>

namespace {

std::atomic<long long> skippedSeconds{0};

void SkipSeconds(int seconds) {
    skippedSeconds += seconds;
}

} // namespace

extern "C" int clock_gettime(clockid_t clock, struct timespec* now) {
    using ClockGettime = int (*)(clockid_t, struct timespec*);
    static const auto real = reinterpret_cast<ClockGettime>(::dlsym(RTLD_NEXT, "clock_gettime"));
    const int result = real(clock, now);
    if (result == 0 && (clock == CLOCK_MONOTONIC || clock == CLOCK_MONOTONIC_RAW || clock == CLOCK_MONOTONIC_COARSE ||
                        clock == CLOCK_BOOTTIME)) {
        now->tv_sec += skippedSeconds.load();
    }
    return result;
}

class IdleLockTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;

    static void typePassword(const QString& password) {
        QVERIFY(TheRun().passwordDialog() != nullptr);
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText(password);
        TheRun().passwordDialog()->confirmPassword();
    }

private slots:
    void initTestCase() {
        WindowTestRun::PrepareApplication();
        // The clock double is in use: a skipped second shows in Qt's own timing.
        QElapsedTimer timer;
        timer.start();
        SkipSeconds(1);
        QVERIFY(timer.elapsed() >= 1000);
    }
    void init() {
        run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        seams::OpenSettings()->setValue("Settings/banner", "0");
    }
    void cleanup() { run.reset(); }

    // lockMinutes=1: a minute without a key or the mouse locks, and so it does again after each unlock.
    void theIdleLockComesAgainAfterEveryUnlock() {
        seams::OpenSettings()->setValue("Settings/lockMinutes", "1");
        QVERIFY(run->writeVault({{"alice", "a-pw", "a.example"}}));
        MainWindow* main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        typePassword("Secret1");
        QVERIFY(main->isVisible());
        for (int unlock = 1; unlock <= 2; ++unlock) {
            QVERIFY(!TheRun().locked());
            SkipSeconds(65); // a minute, and the leeway Qt gives a timer that long
            QTRY_VERIFY2_WITH_TIMEOUT(TheRun().locked(), qPrintable(QString("after unlock %1").arg(unlock)), 2000);
            QVERIFY(!main->isVisible());
            typePassword("Secret1");
            QVERIFY(main->isVisible());
        }
    }

    // Ctrl+L while the vault is not open yet does nothing: the first run's gate still asks for a new master
    // password.
    void ctrlLBeforeTheVaultIsOpenDoesNothing() {
        MainWindow* main = TheProgram().LoadMainWindow();
        main->show();
        QApplication::setActiveWindow(main);
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!TheRun().locked());
        QVERIFY(TheRun().passwordDialog() == nullptr);
        TheProgram().OpenVault();
        QVERIFY(TheRun().passwordDialog() != nullptr);
        QVERIFY(Control<QLineEdit>(TheRun().passwordDialog(), "txtPass2")->isVisibleTo(TheRun().passwordDialog()));
    }
};

KEYSHELF_TEST_MAIN(IdleLockTest)
#include "IdleLockTest.moc"
