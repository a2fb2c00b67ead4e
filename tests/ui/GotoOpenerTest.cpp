// Go To with a real opener: a stand-in `xdg-open` first on the PATH fails, succeeds or leaves a "browser"
// running, and the status line tells what became of it, without Keyshelf ever waiting for it.
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
#include <QTemporaryDir>
#include <csignal>
#include <memory>

using vault::Entry;

class GotoOpenerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;
    MainWindow* main = nullptr;

    QTemporaryDir bin;
    QByteArray oldPath = qgetenv("PATH");

    QString status() const { return StatusText(main); }
    QString inBin(const QString& name) const { return bin.filePath(name); }

    // The program with these entries, Go To's opener run for real.
    void start(const std::vector<Entry>& entries) {
        main = nullptr;
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        main = folder->openWith(entries);
        QVERIFY(main != nullptr);
        QCOMPARE(EntryList(main)->count(), static_cast<int>(entries.size()));
        TheDesktop().setWatchedProgramsRun(true);
    }
    static void touch(const QString& path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // Go To on the entry in this row of the list.
    void goTo(int row) {
        EntryList(main)->clearSelection();
        EntryList(main)->setSelected(row, true);
        main->openLocation();
        QCOMPARE(status(), QString("Opening Location..."));
    }

    // The stand-in opener runs `body` with the address as $1 and its folder as $dir, after noting its
    // process id in $dir/pids.
    void opener(const QByteArray& body) {
        QFile script(inBin("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ndir=$(dirname \"$0\")\necho $$ >>\"$dir/pids\"\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Every stand-in started so far has ended and been reaped, which Keyshelf does as it takes in how it
    // ended: its report, if any, is on the status line.
    bool openersTakenIn() const {
        QFile pids(bin.filePath("pids"));
        if (!pids.open(QIODevice::ReadOnly)) {
            return false;
        }
        for (const QByteArray& pid : pids.readAll().split('\n')) {
            if (!pid.isEmpty() && QFile::exists("/proc/" + pid)) {
                return false;
            }
        }
        return true;
    }

private slots:
    void initTestCase() {
        WindowTestRun::PrepareApplication();
        QVERIFY(bin.isValid());
        qputenv("PATH", bin.path().toLocal8Bit() + ":" + oldPath);
    }
    void cleanupTestCase() { qputenv("PATH", oldPath); }
    void cleanup() {
        folder.reset();
        QFile::remove(inBin("pids"));
    }

    void reportsWhatTheOpenerSaid_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("report");
        QTest::newRow("its last line, status 2")
            << "example.fr"
            << QByteArray(
                   "printf 'xdg-open: no method\\n\\nxdg-open: file %s does not exist\\n\\n' \"'${1#http://}'\" >&2\n"
                   "exit 2")
            << "Could not open example.fr: xdg-open: file 'example.fr' does not exist";
        QTest::newRow("nothing said, status 3, the location cut")
            << "example.fr/" + QString(100, 'a') << QByteArray("exit 3")
            << "Could not open example.fr/" + QString(68, 'a') + QChar(0x2026) +
                   ": no program handles it (status 3: a tool xdg-open needs was not found)";
        QTest::newRow("nothing said, status 4")
            << "example.fr" << QByteArray("exit 4")
            << "Could not open example.fr: no program handles it (status 4: the action failed)";
        QTest::newRow("nothing said, status 1")
            << "example.fr" << QByteArray("exit 1")
            << "Could not open example.fr: xdg-open reported a syntax error (status 1)";
        QTest::newRow("a signal") << "example.fr" << QByteArray("kill -TERM $$")
                                  << "Could not open example.fr: xdg-open was ended by signal 15 (Terminated)";
        QTest::newRow("control characters dropped, long text cut")
            << "example.fr" << QByteArray("printf 'bad\\033[31m red\\tx%0300d\\n' 0 >&2\nexit 1")
            << "Could not open example.fr: bad[31m redx" + QString(187, '0') + QChar(0x2026);
        QTest::newRow("success says nothing, warnings or not")
            << "example.fr" << QByteArray("echo 'xdg-open: a warning' >&2\nexit 0") << "Opening Location...";
    }
    void reportsWhatTheOpenerSaid() {
        QFETCH(QString, location);
        QFETCH(QByteArray, body);
        QFETCH(QString, report);
        start({{"dave", "d-pw", location.toStdString()}});
        opener(body);
        goTo(1);
        QTRY_VERIFY(openersTakenIn());
        QCOMPARE(status(), report);
        QCOMPARE(TheDesktop().startedPrograms().size(), 1);
        QCOMPARE(TheDesktop().startedPrograms()[0].arguments, QStringList("http://" + location));
    }

    // A failure is news even after the status line has moved on, but only the latest Go To's: an older
    // opener that fails later does not speak over a newer one.
    void onlyTheLatestGotoIsReported() {
        start({{"a", "a-pw", "slow.example"}, {"b", "b-pw", "quick.example"}});
        opener("case \"$1\" in\n"
               "*slow*) for i in $(seq 500); do [ -e \"$dir/release\" ] && break; sleep 0.02; done\n"
               "        rm -f \"$dir/release\"; echo 'xdg-open: the older one' >&2; exit 4 ;;\n"
               "*) echo 'xdg-open: the newer one' >&2; exit 4 ;;\n"
               "esac");
        goTo(1);
        main->copyField(MainWindow::Field::Username);
        touch(inBin("release"));
        QTRY_COMPARE(status(), QString("Could not open slow.example: xdg-open: the older one"));

        goTo(1);
        goTo(2);
        QTRY_COMPARE(status(), QString("Could not open quick.example: xdg-open: the newer one"));
        touch(inBin("release"));
        QTRY_VERIFY(openersTakenIn());
        QCOMPARE(status(), QString("Could not open quick.example: xdg-open: the newer one"));
    }

    // An opener that leaves a browser holding its standard error is reported on as it ends, while the
    // browser still runs, and the browser, writing far more than a pipe holds after that, is not stopped.
    void aBrowserLeftHoldingTheErrorOutputKeepsRunning() {
        start({{"dave", "d-pw", "held.example"}});
        opener("sh -c 'echo $$ >\"$1/browser.pid\"; sleep 0.3; head -c 300000 /dev/zero >&2 &&"
               " : >\"$1/browser.wrote\" && exec sleep 30' - \"$dir\" &\n"
               "echo 'xdg-open: gave up' >&2\n"
               "exit 4");
        goTo(1);
        QTRY_COMPARE(status(), QString("Could not open held.example: xdg-open: gave up"));
        QTRY_VERIFY(QFile::exists(inBin("browser.pid")));
        const QByteArray browser = [&] {
            QFile f(inBin("browser.pid"));
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
        }();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(inBin("browser.wrote")), 10000);
        QVERIFY2(QFile::exists("/proc/" + browser), "the browser stand-in ended");
        ::kill(browser.toInt(), SIGTERM);
    }
};

KEYSHELF_TEST_MAIN(GotoOpenerTest)
#include "GotoOpenerTest.moc"
