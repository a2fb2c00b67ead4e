// The main window and the auxiliary windows against their designs, the start-up sequence from the
// splash, the banner's room, the resize rule and the closing sequence.
#include "MainWindow.h"

#include "AboutWindow.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "HelpWindow.h"
#include "PasswordDialog.h"
#include "Program.h"
#include "Seams.h"
#include "Skin.h"
#include "SplashWindow.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultFormat.h"
#include "WebsiteLauncher.h"
#include "WindowTestRun.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
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

    // Runs the splash to its 75th tick; the main window is made and the password dialog opens.
    MainWindow* startFromSplash() {
        SplashWindow* splash = TheProgram().OpenSplash();
        splash->show();
        for (int tick = 0; tick < 75; ++tick) {
            splash->onSplashTimeout();
        }
        return TheRun().mainWindow();
    }

    // Starts a run on a vault with the master password "Secret1" and the given entries, and logs in.
    MainWindow* logIn(const std::vector<vault::Entry>& entries = {}) {
        WriteVault(folder->vaultPath(), vault::VaultBytes("Secret1", entries));
        MainWindow* main = startFromSplash();
        PasswordDialog* dialog = TheRun().passwordDialog();
        Control<QLineEdit>(dialog, "txtPass")->setText("Secret1");
        dialog->confirmPassword();
        return main;
    }

    void setShowHelp(const char* value) { seams::OpenSettings()->setValue("Settings/showHelp", value); }

private slots:
    void initTestCase() { WindowTestRun::PrepareApplication(); }

    void init() { folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true}); }

    void cleanup() { folder.reset(); }

    // Each window as made matches its design but for what it fills in itself: the product's texts, the
    // help document, the splash timer's rate.
    void everyWindowMatchesItsDesign() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        QCOMPARE(CheckDesign(&main, layouts::MainWindowDesign::window),
                 QStringList({"caption is Keyshelf by Keyshelf Software",
                              "cmdWebsite(0): caption Visit www.keyshelf.example"}));
        HelpWindow help;
        QCOMPARE(CheckDesign(&help, layouts::HelpWindowDesign::window),
                 QStringList({"rtf1: caption " + Control<QTextEdit>(&help, "rtf1")->toPlainText()}));
        AboutWindow about;
        QCOMPARE(CheckDesign(&about, layouts::AboutWindowDesign::window, {"Picture1", "SkinLabel1(0)"}),
                 QStringList({"caption is About Keyshelf", "Label1: caption Keyshelf",
                              "lblWebsite: caption www.keyshelf.example", "lblCompany: caption Keyshelf Software",
                              "lblVersion: caption 1.0"}));
        SplashWindow splash([](QWidget* parent) { return new Skin(parent); });
        QCOMPARE(CheckDesign(&splash, layouts::SplashWindowDesign::window),
                 QStringList({"Timer2: no timer of its interval"}));
        WebsiteLauncher launcher;
        QCOMPARE(CheckDesign(&launcher, layouts::WebsiteLauncherDesign::window), QStringList());

        // What the tables cannot say on their own.
        QLabel* header = Control<QLabel>(&about, "Picture1");
        QVERIFY(header->x() + header->width() > about.width()); // 60 twips past the edge
        QCOMPARE(Control<QLabel>(&about, "lblWebsite")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(Control<QLabel>(&about, "SkinLabel1(0)")->isHidden());
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(launcher.windowFlags().testFlag(Qt::FramelessWindowHint));
        // The splash ticks from the start, at the rate window timers have on the desktop the design is from.
        QVERIFY(Control<QTimer>(&splash, "Timer2")->isActive());
        QCOMPARE(Control<QTimer>(&splash, "Timer2")->interval(), SplashWindow::kTickMs);
        QVERIFY(Control<QTimer>(&launcher, "Timer1")->isActive());
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
        QVERIFY(Control<QWidget>(&main, "wbBanner")->isHidden());
        QCOMPARE(Control<QWidget>(&main, "wbBanner")->focusPolicy(), Qt::NoFocus);
        // Tab runs Add, Edit, Delete, the website button, the list, then the copy buttons and Go To between.
        QStringList order;
        QWidget* w = Control<QToolButton>(&main, "cmdAdd(0)");
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
        // The designed menus, then the one for sealing and the master password.
        QCOMPARE(captions, QStringList({"File", "Data", "Copy", "Help", "About", "&Vault"}));
        // Each designed item with the key shown beside its caption (the first of its keys).
        const QList<QPair<QMenu*, QStringList>> expected = {
            {Control<QMenu>(&main, "mnuFile"), {"Exit", "Ctrl+Q"}},
            {Control<QMenu>(&main, "mnuData"),
             {"Add Username/Password", "Ctrl+N", "Delete Selected Item", "Del", "Edit Selected Item", "Ctrl+E",
              "Goto \"Used At\" Location", "Ctrl+U"}},
            {Control<QMenu>(&main, "mnuCopy"),
             {"Selected Username", "Ctrl+B", "Selected Password", "Ctrl+Shift+C", "Selected Used At Location",
              "Ctrl+Shift+U"}},
            {Control<QMenu>(&main, "mnuHelp"), {"View Help", "F1"}},
            {Control<QMenu>(&main, "mnuAbout"), {"About this software", ""}},
        };
        for (const auto& [menu, items] : expected) {
            QVERIFY(menu != nullptr);
            QStringList shown;
            for (QAction* a : menu->actions()) {
                QVERIFY(!a->isSeparator());
                QVERIFY(a->isEnabled() && a->isVisible() && !a->isCheckable());
                shown << a->text() << a->shortcut().toString(QKeySequence::NativeText);
            }
            QCOMPARE(shown, items);
        }
        QCOMPARE(Control<QAction>(&main, "mnuDataItem(3)")->objectName(), QString("mnuDataItem(3)"));
        QCOMPARE(Control<QAction>(&main, "mnuCopyItem(2)")->text(), QString("Selected Used At Location"));
    }

    void madeWithCaptionColumnsAndStatusPanel() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        QCOMPARE(main.windowTitle(), QString("Keyshelf by Keyshelf Software"));
        QCOMPARE(Control<QToolButton>(&main, "cmdWebsite(0)")->text(), QString("Visit www.keyshelf.example"));
        ListView* list = Control<ListView>(&main, "lstPass");
        QCOMPARE(list->columnHeaderCount(), 3);
        QCOMPARE(list->entryModel()->headerText(1), QString("Username"));
        QCOMPARE(list->entryModel()->headerText(2), QString("Password"));
        QCOMPARE(list->entryModel()->headerText(3), QString("Website/Location"));
        QCOMPARE(list->columnHeaderWidth(1), OnPixels(2345));
        QCOMPARE(list->columnHeaderWidth(2), OnPixels(2375));
        QCOMPARE(list->columnHeaderWidth(3), 4095);
        QCOMPARE(Control<QLabel>(&main, "Panel1")->width(), 601); // the window's outer width, 9015 twips
        // The vault was opened: the password dialog is up, the list still empty.
        QVERIFY(TheRun().passwordDialog() != nullptr);
        QCOMPARE(list->count(), 0);
    }

    void firstRunFromTheSplash() {
        SplashWindow* splash = TheProgram().OpenSplash();
        QCOMPARE(splash->size(), Control<QLabel>(splash, "Image1")->size());
        QCOMPARE(Control<QLabel>(splash, "Image1")->pixmap().size(),
                 QSize(476, 316)); // the picture inside a one-pixel border
        splash->show();
        for (int tick = 0; tick < 74; ++tick) {
            splash->onSplashTimeout();
        }
        QVERIFY(TheRun().mainWindow() == nullptr);
        splash->onSplashTimeout(); // the 75th
        QVERIFY(!Control<QTimer>(splash, "Timer2")->isActive());
        QVERIFY(!splash->isVisible());
        QVERIFY(TheRun().splash() == splash); // hidden, still loaded
        MainWindow* main = TheRun().mainWindow();
        QVERIFY(main != nullptr);
        PasswordDialog* dialog = TheRun().passwordDialog();
        QVERIFY(dialog != nullptr && TheRun().passwordDialog()->mode() == PasswordDialog::Mode::Create);
        QTRY_VERIFY_WITH_TIMEOUT(!main->isVisible(), 300); // the gate keeps it hidden

        Control<QLineEdit>(dialog, "txtPass")->setText("abcd");
        Control<QLineEdit>(dialog, "txtPass2")->setText("abcd");
        dialog->confirmPassword();
        QVERIFY(main->isVisible());
        QCOMPARE(StatusText(main), QString("Password created successfully"));
        QCOMPARE(Control<ListView>(main, "lstPass")->count(), 0);
        QCOMPARE(Control<ListView>(main, "lstPass")->columnHeaderCount(), 3);
        QVERIFY(!main->windowIcon().isNull());
        // No "showHelp" setting yet: the help window opens with the main window.
        QVERIFY(TheRun().helpWindow() != nullptr && TheRun().helpWindow()->isVisible());
    }

    void laterRunShowsTheEntriesAndHonoursTheHelpSetting() {
        setShowHelp("0");
        MainWindow* main = logIn({{"amy", "pw1", "mail.example"}, {"bob", "pw2", ""}});
        QCOMPARE(StatusText(main), QString("Loaded 2 entries"));
        ListView* list = Control<ListView>(main, "lstPass");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->text(1), QString("amy"));
        QCOMPARE(list->subItem(1, 2), QString("mail.example"));
        QVERIFY(TheRun().helpWindow() == nullptr);
        QVERIFY(TheRun().passwordDialog() == nullptr);
        // Any other value than "1" keeps it closed too; "1" opens it.
        cleanup();
        init();
        setShowHelp("1");
        logIn();
        QVERIFY(TheRun().helpWindow() != nullptr);
    }

    void bannerRoom() {
        setShowHelp("0");
        QVERIFY(buildConfig::Bannered());
        int heightBefore = 0;
        {
            MainWindow plain(TheRun().session().entries()); // the size the window has before the banner step
            heightBefore = layouts::OuterHeight(&plain);
        }
        MainWindow* main = logIn();
        QCOMPARE(layouts::OuterHeight(main),
                 OnPixels(heightBefore - layouts::kFrameHeight - layouts::kMenuHeight + 995) + layouts::kFrameHeight +
                     layouts::kMenuHeight);
        ListView* list = Control<ListView>(main, "lstPass");
        QCOMPARE(layouts::Top(list), OnPixels(2975));
        // The list keeps the resize rule's bottom below the band.
        QCOMPARE(layouts::Height(list), OnPixels(layouts::OuterHeight(main) - layouts::Top(list) - 1000));
        QVERIFY(list->geometry().bottom() < Control<QStatusBar>(main, "StatusBar1")->geometry().top());

        // Without the banner the window keeps its design height.
        cleanup();
        init();
        setShowHelp("0");
        WriteVault(folder->vaultPath(), vault::VaultBytes("Secret1", {}));
        main = TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        TheBuild().bannered = false; // as a build with the banner switched off has it
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText("Secret1");
        TheRun().passwordDialog()->confirmPassword();
        QCOMPARE(layouts::OuterHeight(main), heightBefore);
        QCOMPARE(layouts::Top(Control<ListView>(main, "lstPass")), 1980);
    }

    // The window, banner room and all, lies within the screen's free area with its title bar; the list
    // takes what is left above the status bar. (Run again at scale 2 on a screen 1000 pixels high, where
    // the designed size does not fit: tests/CMakeLists.txt.)
    void fitsTheScreen() {
        setShowHelp("0");
        MainWindow* main = logIn();
        const QRect area = main->screen()->availableGeometry();
        const int titleBar = main->style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QRect frame = main->frameGeometry();
        QVERIFY2(area.contains(frame) && main->height() + titleBar <= area.height(),
                 qPrintable(QString("%1x%2 at %3,%4 on %5x%6")
                                .arg(frame.width())
                                .arg(frame.height())
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(area.width())
                                .arg(area.height())));
        ListView* list = Control<ListView>(main, "lstPass");
        QCOMPARE(layouts::Height(list), OnPixels(std::abs(layouts::OuterHeight(main) - layouts::Top(list) - 1000)));
    }

    void resizeRule() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        TheProgram().OpenVault();
        main.show();
        ListView* list = Control<ListView>(&main, "lstPass");
        QStatusBar* bar = Control<QStatusBar>(&main, "StatusBar1");
        const QRect addButton = Control<QToolButton>(&main, "cmdAdd(0)")->geometry();
        const int panelWidth = Control<QLabel>(&main, "Panel1")->width();

        layouts::SetOuterWidth(&main, 12000);
        layouts::SetOuterHeight(&main, 9000);
        QCOMPARE(layouts::Width(list), OnPixels(12000 - 120));
        QCOMPARE(layouts::Height(list), OnPixels(layouts::OuterHeight(&main) - 1980 - 1000));
        QCOMPARE(Control<QToolButton>(&main, "cmdAdd(0)")->geometry(), addButton); // only the list changes
        QCOMPARE(Control<QLabel>(&main, "Panel1")->width(), panelWidth);           // set once, as the window is made
        // The status bar stays docked along the bottom, full width.
        QWidget* client = layouts::ClientArea(&main);
        QCOMPARE(bar->geometry().bottom(), client->height() - 1);
        QCOMPARE(bar->width(), client->width());

        // Too small for the layout: the absolute value, never an error. 2500 high with the list at 1980
        // gives 480 (here 2490, the nearest whole pixels, gives 490).
        layouts::SetOuterHeight(&main, 2500);
        QCOMPARE(layouts::Height(list), OnPixels(std::abs(layouts::OuterHeight(&main) - 1980 - 1000)));
        QVERIFY(std::abs(layouts::Height(list) - 480) <= 15);

        // Minimized: the list keeps its size; restoring applies the rule again.
        layouts::SetOuterHeight(&main, 8000);
        const QSize before = list->size();
        main.showMinimized();
        main.resize(200, 200);
        if (main.isMinimized()) {
            QCOMPARE(list->size(), before);
        }
        main.showNormal();
        QCOMPARE(layouts::Height(list), OnPixels(std::abs(layouts::OuterHeight(&main) - 1980 - 1000)));
    }

    // A .csv file dropped on the window asks for its import; other drops are not taken.
    void droppingACsvFileAsksForItsImport() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        QSignalSpy asked(&main, &MainWindow::importRequested);
        const struct {
            QList<QUrl> urls;
            bool taken;
        } drops[] = {
            {{QUrl::fromLocalFile(QStringLiteral("/home/me/Passwords.CSV"))}, true},
            {{QUrl::fromLocalFile(QStringLiteral("/home/me/notes.txt"))}, false},
            {{QUrl(QStringLiteral("https://example.com/a.csv"))}, false},
            {{QUrl::fromLocalFile(QStringLiteral("/a.csv")), QUrl::fromLocalFile(QStringLiteral("/b.csv"))}, false},
        };
        for (const auto& drop : drops) {
            QMimeData data;
            data.setUrls(drop.urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&main, &enter);
            QCOMPARE(enter.isAccepted(), drop.taken);
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&main, &dropped);
        }
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.front().front().toString(), QStringLiteral("/home/me/Passwords.CSV"));
    }

    void closingClosesEveryWindowAndEnds() {
        setShowHelp("1");
        MainWindow* main = logIn();
        QPointer<HelpWindow> help = TheRun().helpWindow();
        QPointer<AboutWindow> about = TheProgram().LoadAboutWindow();
        about->show();
        QPointer<SplashWindow> splash = TheRun().splash();
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
        QTRY_COMPARE(TheDesktop().endCalls(), 1); // once its one second is up

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
