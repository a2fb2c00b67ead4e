// The help window: Help.rtf from the program's folder, the "showHelp" setting both ways, and no window
// at all without the document.
#include "HelpWindow.h"

#include "BuildConfiguration.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "RtfDocument.h"
#include "Seams.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WindowTestRun.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

class HelpWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowTestRun> folder;

    QString setting() const { return seams::OpenSettings()->value("Settings/showHelp", "<absent>").toString(); }
    void setSetting(const QString& value) { seams::OpenSettings()->setValue("Settings/showHelp", value); }

    // A start past the gate; returns the help window it opened, or nullptr.
    HelpWindow* start() {
        DestroyAllWindows();
        TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        TheBuild().bannered = false;
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText("Secret1");
        TheRun().passwordDialog()->confirmPassword();
        return TheRun().helpWindow();
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true});
        QFile vault(folder->filePath("data.enc"));
        vault.open(QIODevice::WriteOnly);
        vault.write(QByteArray::fromStdString(vault::VaultBytes("Secret1", {})));
    }

    void cleanup() { folder.reset(); }

    void showsTheHelpDocumentOnTop() {
        HelpWindow* help = start(); // no setting yet: the window opens, box ticked
        QVERIFY(help != nullptr && help->isVisible());
        QCOMPARE(Control<QCheckBox>(help, "Check1")->checkState(), Qt::Checked);
        QVERIFY(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QString text = Control<QTextEdit>(help, "rtf1")->toPlainText();
        QVERIFY(text.contains("Keyshelf"));
        QVERIFY(text.contains("data.enc"));
        QVERIFY(!text.contains("RichTextBox1"));
        QVERIFY(Control<QTextEdit>(help, "rtf1")->isReadOnly());
    }

    void theBoxWritesTheSettingBothWays() {
        HelpWindow* help = start();
        QTest::mouseClick(Control<QCheckBox>(help, "Check1"), Qt::LeftButton, {},
                          QPoint(6, Control<QCheckBox>(help, "Check1")->height() / 2));
        QCOMPARE(setting(), QString("0"));
        QVERIFY(start() == nullptr); // the next start keeps it closed

        // From the menu it opens with the box cleared; ticking writes "1".
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        help = TheRun().helpWindow();
        QVERIFY(help != nullptr && help->isVisible());
        QCOMPARE(Control<QCheckBox>(help, "Check1")->checkState(), Qt::Unchecked);
        Control<QCheckBox>(help, "Check1")->click();
        QCOMPARE(setting(), QString("1"));
    }

    void storedValues_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("opensAtStart");
        QTest::addColumn<int>("boxState");
        QTest::addColumn<QString>("afterwards");
        QTest::newRow("1") << "1" << true << int(Qt::Checked) << "1";
        QTest::newRow("0") << "0" << false << int(Qt::Unchecked) << "0";
        QTest::newRow("2 greys the box") << "2" << false << int(Qt::PartiallyChecked) << "2";
        QTest::newRow("not a number") << "yes" << false << int(Qt::Unchecked) << "yes";
        QTest::newRow("out of range") << "7" << false << int(Qt::Unchecked) << "7";
        QTest::newRow("1 with a space") << " 1" << false << int(Qt::Checked) << "1";
    }
    void storedValues() {
        QFETCH(QString, stored);
        QFETCH(bool, opensAtStart);
        QFETCH(int, boxState);
        QFETCH(QString, afterwards);
        setSetting(stored);
        QCOMPARE(start() != nullptr, opensAtStart); // only exactly "1" opens it
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        QCOMPARE(int(Control<QCheckBox>(TheRun().helpWindow(), "Check1")->checkState()), boxState);
        QCOMPARE(setting(), afterwards);
    }

    void aGreyedBoxClickedBecomesTicked() {
        setSetting("2");
        start();
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        QCheckBox* box = Control<QCheckBox>(TheRun().helpWindow(), "Check1");
        box->click();
        QCOMPARE(box->checkState(), Qt::Checked);
        QCOMPARE(setting(), QString("1"));
        box->click();
        QCOMPARE(box->checkState(), Qt::Unchecked);
    }

    void noDocumentNoWindow() {
        QFile::remove(folder->filePath("Help.rtf"));
        QVERIFY(start() == nullptr);
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        QVERIFY(TheRun().helpWindow() == nullptr);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY(!(w->objectName() == "Form8" && w->isVisible()));
        }
    }

    void notRtfShowsAnEmptyBox() {
        QFile f(folder->filePath("Help.rtf"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("This is plain text, not a rich-text document.");
        f.close();
        HelpWindow* help = start();
        QVERIFY(help != nullptr && help->isVisible());
        QCOMPARE(Control<QTextEdit>(help, "rtf1")->toPlainText(), QString());
    }

    // Help files far beyond any real help, of a size the window still reads: it opens with what fits, says
    // that the rest is left out, and lays the whole document out.
    void hugeHelpFilesShowWhatFits_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("first");
        QByteArray paragraphs = "{\\rtf1 Welcome";
        for (int i = 0; i < 700000; ++i) {
            paragraphs += "\\par\n";
        }
        QTest::newRow("700,000 paragraphs") << paragraphs + "}"
                                            << "Welcome";
        QByteArray letters = "{\\rtf1 ";
        while (letters.size() < 3500000) {
            for (int i = 0; i < 20; ++i) {
                letters += "\\b a\\b0 b";
            }
            letters += "\\par\n";
        }
        QTest::newRow("a format change on every letter") << letters + "}"
                                                         << "abababab";
    }
    void hugeHelpFilesShowWhatFits() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, first);
        QFile f(folder->filePath("Help.rtf"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(rtf);
        f.close();
        HelpWindow* help = start();
        QVERIFY(help != nullptr && help->isVisible());
        QTextDocument* document = Control<QTextEdit>(help, "rtf1")->document();
        QVERIFY(document->toPlainText().startsWith(first));
        QCOMPARE(document->lastBlock().text(), rtf::kLeftOut);
        QVERIFY(document->blockCount() <= rtf::kMaxParagraphs + 1);
        int runs = 0;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                ++runs;
            }
        }
        QVERIFY(runs <= rtf::kMaxRuns + 1);
        // The view lays it all out at its own width, and shows its end.
        const QSizeF size = document->documentLayout()->documentSize();
        QVERIFY(size.height() > 0 && size.height() <= rtf::kMaxHeight);
        QScrollBar* bar = Control<QTextEdit>(help, "rtf1")->verticalScrollBar();
        bar->setValue(bar->maximum());
        Control<QTextEdit>(help, "rtf1")->viewport()->repaint();
        QApplication::processEvents();
        QVERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
    }

    void openingAgainBringsTheSameWindowWithoutReloading() {
        HelpWindow* help = start();
        const QString shown = Control<QTextEdit>(help, "rtf1")->toPlainText();
        QFile f(folder->filePath("Help.rtf"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{\\rtf1 Changed}");
        f.close();
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        QCOMPARE(TheRun().helpWindow(), help);
        QCOMPARE(Control<QTextEdit>(help, "rtf1")->toPlainText(), shown);
        // Closed and opened again: the new window reads the document afresh.
        help->close();
        QTRY_VERIFY(TheRun().helpWindow() == nullptr);
        Control<QAction>(TheRun().mainWindow(), "mnuHelpItem(0)")->trigger();
        QCOMPARE(Control<QTextEdit>(TheRun().helpWindow(), "rtf1")->toPlainText(), QString("Changed"));
    }
};

KEYSHELF_TEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
