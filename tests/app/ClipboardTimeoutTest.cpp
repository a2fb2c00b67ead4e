// A copied field leaves the clipboard after the set time, timed by the desktop's clock, unless something
// else was copied since; the status line says when it went.
#include "Controls.h"
#include "FakeDesktop.h"
#include "ListView.h"
#include "MainWindow.h"
#include "Seams.h"
#include "TestMain.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QSettings>
#include <QtTest>
#include <chrono>
#include <memory>

class ClipboardTimeoutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> run;

    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }
    void init() { run = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"}); }
    void cleanup() { run.reset(); }

    void aCopyLeavesTheClipboardAfterTheSetTime_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("copiedElsewhere"); // empty: nothing
        QTest::addColumn<int>("clearedAfter");        // seconds; 0: never
        QTest::newRow("still Keyshelf's copy") << "1" << QString() << 1;
        QTest::newRow("something else copied since") << "1"
                                                     << "from another program" << 1;
        QTest::newRow("0: never") << "0" << QString() << 0;
        QTest::newRow("not a number: the default, 30 s") << "soon" << QString() << 30;
    }
    void aCopyLeavesTheClipboardAfterTheSetTime() {
        using namespace std::chrono_literals;
        QFETCH(QString, seconds);
        QFETCH(QString, copiedElsewhere);
        QFETCH(int, clearedAfter);
        seams::OpenSettings()->setValue("Settings/clipboardSeconds", seconds);
        MainWindow* main = run->openWith({{"alice", "a-pw", "mail.example.com"}});
        QVERIFY(main != nullptr);
        Control<ListView>(main, "lstPass")->setSelected(1, true);
        main->copyField(MainWindow::Field::Password);
        QCOMPARE(clipboard(), QString("a-pw"));
        if (!copiedElsewhere.isEmpty()) {
            QGuiApplication::clipboard()->setText(copiedElsewhere);
        }
        const QString copied = copiedElsewhere.isEmpty() ? QString("a-pw") : copiedElsewhere;

        TheDesktop().advanceClock(clearedAfter == 0 ? 24h : std::chrono::seconds(clearedAfter) - 1ms);
        QCOMPARE(clipboard(), copied);
        QCOMPARE(StatusText(main), QString("Copied Password a-pw"));
        if (clearedAfter == 0) {
            return;
        }
        TheDesktop().advanceClock(1ms);
        QCOMPARE(clipboard(), copiedElsewhere);
        QCOMPARE(StatusText(main),
                 copiedElsewhere.isEmpty() ? QString("Clipboard cleared") : QString("Copied Password a-pw"));
    }
};

KEYSHELF_TEST_MAIN(ClipboardTimeoutTest)
#include "ClipboardTimeoutTest.moc"
