// The main window and the auxiliary windows against their designs, the start-up sequence from the
// splash, the banner's room, the resize rule and the closing sequence.
#include "TestMain.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "DesignCheck.h"
#include "MainWindow.h"
#include "HelpWindow.h"
#include "Seams.h"
#include "Startup.h"
#include "VaultFormat.h"
#include "AboutWindow.h"
#include "PasswordDialog.h"
#include "SplashWindow.h"
#include "WebsiteLauncher.h"
#include "Program.h"
#include "WindowTestRun.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

constexpr int OnPixels(int twips) {
    return twips / 15 * 15;
}

void WriteVault(const QString& path, const std::string& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowTestRun> folder;

    QString vaultPath() const { return folder->filePath("data.enc"); }

    // Runs the splash to its 75th tick; the main window loads and the password dialog opens.
    MainWindow* startFromSplash() {
        SplashWindow* splash = TheProgram().OpenSplash();
        splash->show();
        for (int tick = 0; tick < 75; ++tick) {
            splash->Timer2_Timer();
        }
        return TheProgram().mainWindow();
    }

    // Starts a run on a vault with the master password "Secret1" and the given entries, and logs in.
    MainWindow* logIn(const std::vector<vault::Entry>& entries = {}) {
        WriteVault(vaultPath(), vault::VaultBytes("Secret1", entries));
        MainWindow* main = startFromSplash();
        PasswordDialog* dialog = TheProgram().passwordDialog();
        dialog->txtPass->setText("Secret1");
        dialog->cmdOK_Click();
        return main;
    }

    void setShowHelp(const char* value) {
        seams::OpenSettings()->setValue("Settings/showHelp", value);
    }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true});
    }

    void cleanup() { folder.reset(); }

    void everyWindowMatchesItsDesign() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        QCOMPARE(CheckDesign(&main, layouts::Form1), QStringList());
        HelpWindow help;
        QCOMPARE(CheckDesign(&help, layouts::Form8), QStringList());
        AboutWindow about;
        QCOMPARE(CheckDesign(&about, layouts::frmAbout, {"Picture1", "SkinLabel1(0)"}).join("; "), QString());
        SplashWindow splash;
        QCOMPARE(CheckDesign(&splash, layouts::frmSplash).join("; "), QString());
        WebsiteLauncher launcher;
        QCOMPARE(CheckDesign(&launcher, layouts::frmWebsite), QStringList());

        // What the tables cannot say on their own.
        QVERIFY(about.Picture1->x() + about.Picture1->width() > about.width()); // 60 twips past the edge
        QCOMPARE(about.lblWebsite->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(about.findChild<QLabel*>("SkinLabel1(0)")->isHidden());
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(launcher.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!splash.findChild<QTimer*>("Timer2")->isActive()); // stopped until the splash loads
        QVERIFY(launcher.Timer1->isActive());
        QVERIFY(help.minimumSize() == help.maximumSize()); // the help window cannot be resized
        for (QWidget* w : {static_cast<QWidget*>(&help), static_cast<QWidget*>(&about)}) {
            QVERIFY(!w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
            QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
            QVERIFY(!w->windowIcon().isNull());
        }
        for (QToolButton* b : main.findChildren<QToolButton*>(QRegularExpression("^cmd"))) {
            QCOMPARE(b->iconSize(), QSize(32, 32));
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        }
    }

    void mainWindowAsCreated() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        QCOMPARE(main.windowTitle(), QString("Form1"));
        QCOMPARE(main.cmdWebsite[0]->text(), QString("Command1"));
        QCOMPARE(main.lstPass->columnHeaderCount(), 0);
        QVERIFY(main.wbBanner->isHidden());
        QCOMPARE(main.wbBanner->focusPolicy(), Qt::NoFocus);
        // Tab runs Add, Edit, Delete, the website button, the list, then the copy buttons and Go To between.
        QStringList order;
        QWidget* w = main.cmdAdd[0];
        for (int i = 0; i < 9; ++i) {
            order << w->objectName();
            do {
                w = w->nextInFocusChain();
            } while (!(w->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(order, QStringList({"cmdAdd(0)", "cmdEdit", "cmdDelete", "cmdWebsite(0)", "lstPass", "cmdCopy(0)",
                                     "cmdGoto", "cmdCopy(1)", "cmdCopy(2)"}));
    }

    void menuBar() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        const QList<QAction*> tops = main.menuBar()->actions();
        QStringList captions;
        for (QAction* a : tops) {
            captions << a->text();
        }
        QCOMPARE(captions, QStringList({"File", "Data", "Copy", "Help", "About"}));
        const QList<QPair<QMenu*, QStringList>> expected = {
            {main.mnuFile, {"Exit"}},
            {main.mnuData,
             {"Add Username/Password", "Delete Selected Item", "Edit Selected Item", "Goto \"Used At\" Location"}},
            {main.mnuCopy, {"Selected Username", "Selected Password", "Selected Used At Location"}},
            {main.mnuHelp, {"View Help"}},
            {main.mnuAbout, {"About this software"}},
        };
        for (const auto& [menu, items] : expected) {
            QVERIFY(menu != nullptr);
            QStringList shown;
            for (QAction* a : menu->actions()) {
                QVERIFY(!a->isSeparator());
                QVERIFY(a->isEnabled() && a->isVisible() && !a->isCheckable());
                QVERIFY(a->shortcut().isEmpty());
                shown << a->text();
            }
            QCOMPARE(shown, items);
        }
        QCOMPARE(main.mnuDataItem[3]->objectName(), QString("mnuDataItem(3)"));
        QCOMPARE(main.mnuCopyItem[2]->text(), QString("Selected Used At Location"));
    }

    void loadSetsCaptionColumnsAndStatusPanel() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        main.Form_Load();
        QCOMPARE(main.windowTitle(), QString("Keyshelf by Keyshelf Software"));
        QCOMPARE(main.cmdWebsite[0]->text(), QString("Visit www.keyshelf.example"));
        QCOMPARE(main.lstPass->columnHeaderCount(), 3);
        QCOMPARE(main.lstPass->entryModel()->headerText(1), QString("Username"));
        QCOMPARE(main.lstPass->entryModel()->headerText(2), QString("Password"));
        QCOMPARE(main.lstPass->entryModel()->headerText(3), QString("Website/Location"));
        QCOMPARE(main.lstPass->columnHeaderWidth(1), OnPixels(2345));
        QCOMPARE(main.lstPass->columnHeaderWidth(2), OnPixels(2375));
        QCOMPARE(main.lstPass->columnHeaderWidth(3), 4095);
        QCOMPARE(main.StatusPanel()->width(), 601); // the window's outer width, 9015 twips
        // The vault was opened: the password dialog is up, the list still empty.
        QVERIFY(TheProgram().passwordDialog() != nullptr);
        QCOMPARE(main.lstPass->count(), 0);
    }

    void firstRunFromTheSplash() {
        SplashWindow* splash = TheProgram().OpenSplash();
        QCOMPARE(splash->size(), splash->Image1->size());
        QCOMPARE(splash->Image1->pixmap().size(), QSize(476, 316)); // the picture inside a one-pixel border
        splash->show();
        for (int tick = 0; tick < 74; ++tick) {
            splash->Timer2_Timer();
        }
        QVERIFY(TheProgram().mainWindow() == nullptr);
        splash->Timer2_Timer(); // the 75th
        QVERIFY(!splash->Timer2->isActive());
        QVERIFY(!splash->isVisible());
        QVERIFY(TheProgram().splash() == splash); // hidden, still loaded
        MainWindow* main = TheProgram().mainWindow();
        QVERIFY(main != nullptr);
        PasswordDialog* dialog = TheProgram().passwordDialog();
        QVERIFY(dialog != nullptr && TheProgram().passwordDialog()->createMode());
        QTRY_VERIFY_WITH_TIMEOUT(!main->isVisible(), 300); // the gate keeps it hidden

        dialog->txtPass->setText("abcd");
        dialog->txtPass2->setText("abcd");
        dialog->cmdOK_Click();
        QVERIFY(main->isVisible());
        QCOMPARE(main->StatusText(), QString("Password created successfully"));
        QCOMPARE(main->lstPass->count(), 0);
        QCOMPARE(main->lstPass->columnHeaderCount(), 3);
        QVERIFY(!main->windowIcon().isNull());
        // No "showHelp" setting yet: the help window opens with the main window.
        QVERIFY(TheProgram().helpWindow() != nullptr && TheProgram().helpWindow()->isVisible());
    }

    void laterRunShowsTheEntriesAndHonoursTheHelpSetting() {
        setShowHelp("0");
        MainWindow* main = logIn({{"amy", "pw1", "mail.example"}, {"bob", "pw2", ""}});
        QCOMPARE(main->StatusText(), QString("Loaded 2 entries"));
        QCOMPARE(main->lstPass->count(), 2);
        QCOMPARE(main->lstPass->text(1), QString("amy"));
        QCOMPARE(main->lstPass->subItem(1, 2), QString("mail.example"));
        QVERIFY(TheProgram().helpWindow() == nullptr);
        QVERIFY(TheProgram().passwordDialog() == nullptr);
        // Any other value than "1" keeps it closed too; "1" opens it.
        cleanup();
        init();
        setShowHelp("1");
        logIn();
        QVERIFY(TheProgram().helpWindow() != nullptr);
    }

    void bannerRoom() {
        setShowHelp("0");
        QVERIFY(buildConfig::Bannered());
        int heightBefore = 0;
        {
            MainWindow plain(TheProgram().session().entries()); // the size the window has before the banner step
            heightBefore = layouts::OuterHeight(&plain);
        }
        MainWindow* main = logIn();
        QCOMPARE(layouts::OuterHeight(main), OnPixels(heightBefore - layouts::kFrameHeight - layouts::kMenuHeight + 995) +
                                                 layouts::kFrameHeight + layouts::kMenuHeight);
        QCOMPARE(layouts::Top(main->lstPass), OnPixels(2975));
        // The list keeps the resize rule's bottom below the band.
        QCOMPARE(layouts::Height(main->lstPass), OnPixels(layouts::OuterHeight(main) - layouts::Top(main->lstPass) - 1000));
        QVERIFY(main->lstPass->geometry().bottom() < main->StatusBar1->geometry().top());

        // Without the banner the window keeps its design height.
        cleanup();
        init();
        setShowHelp("0");
        WriteVault(vaultPath(), vault::VaultBytes("Secret1", {}));
        main = TheProgram().LoadMainWindow();
        main->Form_Load();
        TheBuild().bannered = false; // as a build with the banner switched off has it
        TheProgram().passwordDialog()->txtPass->setText("Secret1");
        TheProgram().passwordDialog()->cmdOK_Click();
        QCOMPARE(layouts::OuterHeight(main), heightBefore);
        QCOMPARE(layouts::Top(main->lstPass), 1980);
    }

    void resizeRule() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        main.Form_Load();
        main.show();
        const QRect addButton = main.cmdAdd[0]->geometry();
        const int panelWidth = main.StatusPanel()->width();

        layouts::SetOuterWidth(&main, 12000);
        layouts::SetOuterHeight(&main, 9000);
        QCOMPARE(layouts::Width(main.lstPass), OnPixels(12000 - 120));
        QCOMPARE(layouts::Height(main.lstPass), OnPixels(layouts::OuterHeight(&main) - 1980 - 1000));
        QCOMPARE(main.cmdAdd[0]->geometry(), addButton); // only the list changes
        QCOMPARE(main.StatusPanel()->width(), panelWidth); // set once, at load
        // The status bar stays docked along the bottom, full width.
        QWidget* client = layouts::ClientArea(&main);
        QCOMPARE(main.StatusBar1->geometry().bottom(), client->height() - 1);
        QCOMPARE(main.StatusBar1->width(), client->width());

        // Too small for the layout: the absolute value, never an error. 2500 high with the list at 1980
        // gives 480 (here 2490, the nearest whole pixels, gives 490).
        layouts::SetOuterHeight(&main, 2500);
        QCOMPARE(layouts::Height(main.lstPass), OnPixels(std::abs(layouts::OuterHeight(&main) - 1980 - 1000)));
        QVERIFY(std::abs(layouts::Height(main.lstPass) - 480) <= 15);

        // Minimized: the list keeps its size; restoring applies the rule again.
        layouts::SetOuterHeight(&main, 8000);
        const QSize before = main.lstPass->size();
        main.showMinimized();
        main.resize(200, 200);
        if (main.isMinimized()) {
            QCOMPARE(main.lstPass->size(), before);
        }
        main.showNormal();
        main.Form_Resize();
        QCOMPARE(layouts::Height(main.lstPass), OnPixels(std::abs(layouts::OuterHeight(&main) - 1980 - 1000)));
    }

    void closingClosesEveryWindowAndEnds() {
        setShowHelp("1");
        MainWindow* main = logIn();
        QPointer<HelpWindow> help = TheProgram().helpWindow();
        QPointer<AboutWindow> about = TheProgram().LoadAboutWindow();
        about->show();
        QPointer<SplashWindow> splash = TheProgram().splash();
        QVERIFY(help && about && splash);
        main->close();
        QTRY_VERIFY(help.isNull() || !help->isVisible());
        QVERIFY(about.isNull() || !about->isVisible());
        QCOMPARE(TheDesktop().endCalls(), 1);
        QCOMPARE(TheDesktop().shownBoxes().size(), 0); // no question on closing
    }

    void closingWaitsForAShowingWebsiteLauncher() {
        setShowHelp("0");
        MainWindow* main = logIn();
        QPointer<WebsiteLauncher> launcher = TheProgram().LoadWebsiteLauncher();
        launcher->show();
        main->close();
        QCOMPARE(TheDesktop().endCalls(), 0);
        launcher->Timer1_Timer(); // its one second is up
        QCOMPARE(TheDesktop().endCalls(), 1);

        // A launcher that exists but does not show is simply unloaded.
        cleanup();
        init();
        setShowHelp("0");
        main = logIn();
        launcher = TheProgram().LoadWebsiteLauncher();
        main->close();
        QCOMPARE(TheDesktop().endCalls(), 1);
        QTRY_VERIFY(launcher.isNull() || !launcher->isVisible());
    }
};

KEYSHELF_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
