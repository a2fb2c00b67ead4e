// The banner, the skin layer, the website launcher and the about window.
#include "TestMain.h"

#include "Banner.h"
#include "BannerServer.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "DesignCheck.h"
#include "MainWindow.h"
#include "HelpWindow.h"
#include "Seams.h"
#include "Skin.h"
#include "Startup.h"
#include "VaultFormat.h"
#include "AboutWindow.h"
#include "EntryEditor.h"
#include "PasswordDialog.h"
#include "SplashWindow.h"
#include "WebsiteLauncher.h"
#include "Program.h"
#include "Appearance.h"
#include "WindowTestRun.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

constexpr int OnPixels(int twips) {
    return twips / 15 * 15;
}

} // namespace

class AppearanceTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowTestRun> folder;

    static Banner* ShowBannerAndWait(MainWindow* main) {
        TheProgram().appearance().ShowBanner(main);
        Banner* banner = main->wbBanner->findChild<Banner*>();
        QSignalSpy loaded(banner, &Banner::loadFinished);
        if (!loaded.wait(30000) || !loaded.first().first().toBool()) {
            return nullptr;
        }
        return banner;
    }

    // The module's web view in the band.
    static QWebEngineView* View(Banner* banner) { return banner->findChild<QWebEngineView*>(); }

    // The widget the web engine draws into, which gets the mouse.
    static QWidget* Surface(Banner* banner) {
        QWidget* proxy = View(banner)->focusProxy();
        return proxy != nullptr ? proxy : View(banner);
    }

    // The centre of the page's element `id`, in the view's pixels; a null point when there is none.
    static QPoint CentreOf(Banner* banner, const char* id) {
        // The answer may come after the wait gave up: it lands in memory the callback shares.
        auto answer = std::make_shared<std::optional<QVariant>>();
        View(banner)->page()->runJavaScript(
            QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                           "return [r.left+r.width/2, r.top+r.height/2];})()")
                .arg(QLatin1String(id)),
            QWebEngineScript::ApplicationWorld, [answer](const QVariant& v) { *answer = v; });
        if (!QTest::qWaitFor([&] { return answer->has_value(); }, 30000)) {
            return {};
        }
        const QVariantList xy = answer->value().toList();
        return xy.size() == 2 ? QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble())) : QPoint();
    }

    // A run from the splash to the main window on a vault with one entry.
    MainWindow* logIn() {
        QFile f(folder->filePath("data.enc"));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"u", "p", "www.u.example"}})));
        f.close();
        SplashWindow* splash = TheProgram().OpenSplash();
        for (int tick = 0; tick < 75; ++tick) {
            splash->Timer2_Timer();
        }
        TheProgram().passwordDialog()->txtPass->setText("Secret1");
        TheProgram().passwordDialog()->cmdOK_Click();
        return TheProgram().mainWindow();
    }

private slots:
    void initTestCase() { Startup::PrepareApplication(); }

    void init() {
        buildConfig::testing::ForceSkin(std::nullopt);
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        buildConfig::testing::ForceBannerURL("http://127.0.0.1:9/adserver.asp"); // nothing listens there
        appearance::SetReportedVersion(2, 6); // the system this platform reports
    }

    void cleanup() {
        folder.reset();
        appearance::SetReportedVersion(2, 6); // the system this platform reports
        buildConfig::testing::ForceSkin(std::nullopt);
        banner::testing::SetModulePath(QStringLiteral(KEYSHELF_BANNER_MODULE));
    }

    void bannerGeometry() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        TheProgram().appearance().ShowBanner(&main);
        QWidget* box = TheProgram().appearance().bannerBox();
        QVERIFY(box != nullptr);
        QCOMPARE(box->objectName(), QString("picBox"));
        // 7335 wide less the 280-twip margin, 945 high, at the banner's place.
        QCOMPARE(layouts::Left(box), 60);
        QCOMPARE(layouts::Top(box), 1980);
        QCOMPARE(layouts::Width(box), OnPixels(7055));
        QCOMPARE(layouts::Height(box), 945);
        QCOMPARE(main.wbBanner->parentWidget(), box);
        QCOMPARE(main.wbBanner->pos(), QPoint(0, 0));
        QCOMPARE(layouts::Width(main.wbBanner), 7335); // wider than its box: the scroll bar is cut off
        QVERIFY(!main.wbBanner->isHidden());
        QVERIFY(main.wbPicture->isHidden());
        const auto* view = main.wbBanner->findChild<QWebEngineView*>();
        QVERIFY(view != nullptr);
        // The page is kept in its band.
        QWebEngineSettings* settings = view->page()->settings();
        QVERIFY(!settings->testAttribute(QWebEngineSettings::ErrorPageEnabled));
        QVERIFY(!settings->testAttribute(QWebEngineSettings::JavascriptCanAccessClipboard));
        QVERIFY(!settings->testAttribute(QWebEngineSettings::JavascriptCanOpenWindows));
        QVERIFY(!settings->testAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls));
        QVERIFY(view->page()->profile()->isOffTheRecord());

        // A form that measures in pixels gets a 20-pixel margin.
        MainWindow pixels(&TheProgram().session());
        TheProgram().appearance().ShowBanner(&pixels, true);
        QCOMPARE(TheProgram().appearance().bannerBox()->width(), 7335 / 15 - 20);
    }

    // The band shows the configured page. A script's click on its link opens nothing; the user's click
    // opens the link in the browser, once, and the band stays on its page.
    void bannerShowsTheConfiguredPageAndOpensOnlyWhatTheUserClicks() {
        BannerServer server;
        QVERIFY(server.Start());
        buildConfig::testing::ForceBannerURL(server.Address());
        MainWindow& main = *TheProgram().LoadMainWindow();
        main.show();
        Banner* banner = ShowBannerAndWait(&main);
        QVERIFY(banner != nullptr);
        QVERIFY(server.requests().contains("/adserver.asp"));
        QCOMPARE(View(banner)->url().toString(), server.Address());

        View(banner)->page()->runJavaScript("document.getElementById('offer').click()");
        QTest::qWait(1000);
        QVERIFY(seams::testing::openedAddresses().isEmpty());

        const QPoint link = CentreOf(banner, "offer");
        QVERIFY(!link.isNull());
        QTest::mouseClick(Surface(banner), Qt::LeftButton, {}, link);
        QTRY_COMPARE_WITH_TIMEOUT(seams::testing::openedAddresses(), QStringList({"http://www.keyshelf.example/offer"}),
                                  10000);
        // Off the link, nothing.
        QTest::mouseClick(Surface(banner), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::qWait(500);
        QCOMPARE(seams::testing::openedAddresses().size(), 1);
        QCOMPARE(View(banner)->url().toString(), server.Address());
    }

    // A page that tries everything at once: timers navigating and clicking, window.open, a loop of
    // alert/confirm/prompt, a console flood, clipboard writes on every press and key. It gets nowhere:
    // nothing launched, no window or dialog, nothing logged, the copied password kept, no request but the
    // page itself, and the program still answers.
    void aHostileBannerPageCannotActForTheUser() {
        BannerServer server;
        server.SetPage(BannerServer::HostilePage());
        QVERIFY(server.Start());
        MainWindow* main = logIn();
        QVERIFY(main != nullptr);
        buildConfig::testing::ForceBannerURL(server.Address()); // before the first paint, which starts the band
        main->show();
        main->lstPass->setSelected(1, true);
        main->cmdCopy_Click(1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("p"));

        static int logged = 0;
        logged = 0;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) {
                if (message.contains("flood") || message.contains("banner")) {
                    ++logged;
                }
            });
        QSet<QWidget*> before;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                before.insert(w);
            }
        }
        // The main window starts the band itself once it is painted; the page's script then reports.
        Banner* banner = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((banner = main->wbBanner->findChild<Banner*>()) != nullptr, 10000);
        QVERIFY(View(banner) != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(View(banner)->title().startsWith("confirm="), 30000);
        QTest::qWait(2000);

        // The user clicks the band, presses keys over it and scrolls it.
        const QPoint link = CentreOf(banner, "offer");
        QVERIFY(!link.isNull());
        QTest::mouseClick(Surface(banner), Qt::LeftButton, {}, link);
        QTest::mouseDClick(Surface(banner), Qt::LeftButton, {}, link);
        QTest::mouseClick(Surface(banner), Qt::MiddleButton, {}, link);
        QTest::mouseClick(Surface(banner), Qt::RightButton, {}, link);
        QTest::keyClick(Surface(banner), Qt::Key_Return);
        QTest::keyClick(Surface(banner), Qt::Key_C, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!seams::testing::openedAddresses().isEmpty(), 30000);
        QTest::qWait(2000);
        qInstallMessageHandler(previous);

        // One real left click, one launch: the double click is not two more, the other buttons none.
        QCOMPARE(seams::testing::openedAddresses(), QStringList({"http://www.keyshelf.example/offer"}));
        QVERIFY(seams::testing::startedPrograms().isEmpty());
        QCOMPARE(server.requests().join(" "), QString("/adserver.asp"));
        QCOMPARE(View(banner)->url().toString(), server.Address());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("p"));
        QCOMPARE(logged, 0);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // The band's own surface, embedded in the main window, is the only window the band may add.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!w->isVisible() || before.contains(w) || w->inherits("QToolTip") ||
                         w->objectName() == "qtooltip_label" || w->objectName() == "bannerSurface",
                     qPrintable(w->metaObject()->className() + QString(" ") + w->windowTitle()));
        }
        QCOMPARE(main->findChildren<QWebEnginePage*>().size(), 1);
        // The dialogs answered as dismissed ones do, and the page never saw a press or a key.
        const QString title = View(banner)->title();
        QVERIFY2(title.startsWith("confirm=false prompt=null events=0"), qPrintable(title));
        QVERIFY(!Surface(banner)->hasFocus());

        // Leaving the page asks it about unloading: no question is shown. (Whether the new load wins over
        // the page's own navigation attempts is a race; either way the band shows its address.)
        banner->Navigate(server.Address());
        QTest::qWait(3000);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(View(banner)->url().toString(), server.Address());

        main->cmdAdd_Click(0);
        QVERIFY(TheProgram().editor() != nullptr && TheProgram().editor()->isVisible());
    }

    // The program looks for its banner module beside itself only. Without it, or with a file there that is
    // no module, the band stays blank, one line says why, and the window works on.
    void withoutItsModuleTheBandStaysBlank() {
        banner::testing::SetModulePath(QString());
        QCOMPARE(banner::ModulePath(), QCoreApplication::applicationDirPath() + "/keyshelf-banner.so");

        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& message) {
                if (type == QtWarningMsg && message.contains("banner", Qt::CaseInsensitive)) {
                    warnings << message;
                }
            });
        QFile notAModule(folder->filePath("not-a-module.so"));
        QVERIFY(notAModule.open(QIODevice::WriteOnly));
        notAModule.write("#!/bin/sh\n");
        notAModule.close();
        for (const QString& path : {folder->filePath("keyshelf-banner.so"), notAModule.fileName()}) {
            warnings.clear();
            banner::testing::SetModulePath(path);
            MainWindow* main = logIn();
            QVERIFY(main != nullptr);
            QTRY_VERIFY(TheProgram().appearance().bannerBox() != nullptr);
            Banner* band = main->wbBanner->findChild<Banner*>();
            QVERIFY(band != nullptr);
            QVERIFY(band->band() == nullptr);
            QVERIFY(main->findChild<QWebEngineView*>() == nullptr);
            QVERIFY(!main->wbBanner->isHidden());
            band->Navigate(buildConfig::BannerURL()); // does nothing
            { // a second band tries no second load
                MainWindow other(&TheProgram().session());
                TheProgram().appearance().ShowBanner(&other);
            }
            QCOMPARE(warnings.size(), 1);
            QVERIFY2(warnings.first().contains(path), qPrintable(warnings.first()));

            main->cmdAdd_Click(0);
            QVERIFY(TheProgram().editor() != nullptr && TheProgram().editor()->isVisible());
            cleanup();
            init();
        }
        qInstallMessageHandler(previous);
    }

    void colourControlsByExactTypeName() {
        QWidget form;
        const QStringList recoloured = {"CommandButton", "TextBox", "ComboBox", "FileListBox", "DirListBox",
                                        "DriveListBox",  "ListBox", "ListView", "PictureBox"};
        const QStringList untouched = {"CheckBox", "Label", "OptionButton", "Frame", "StatusBar", "WebBrowser",
                                       "commandbutton", "Textbox", "LISTVIEW", "picturebox", ""};
        QList<QWidget*> controls;
        for (const QString& type : recoloured + untouched) {
            auto* w = new QWidget(&form);
            w->setProperty("typeName", type);
            controls << w;
        }
        const QPalette plain = controls.first()->palette();
        const qint32 back = 0x00332211, text = 0x00665544, picture = 0x00998877; // 0x00BBGGRR
        appearance::ColourControls(&form, back, text, picture);
        for (QWidget* w : controls) {
            const QString type = w->property("typeName").toString();
            const QPalette p = w->palette();
            if (type == "CommandButton") {
                QCOMPARE(p.color(QPalette::Button), QColor(0x11, 0x22, 0x33));
            } else if (type == "PictureBox") {
                QCOMPARE(p.color(QPalette::Window), QColor(0x77, 0x88, 0x99));
            } else if (recoloured.contains(type)) {
                QCOMPARE(p.color(QPalette::Base), QColor(0x11, 0x22, 0x33));
                QCOMPARE(p.color(QPalette::Text), QColor(0x44, 0x55, 0x66));
            } else {
                QVERIFY2(p == plain, qPrintable(type));
            }
        }
        // The designs' own controls carry their kinds' names.
        MainWindow& main = *TheProgram().LoadMainWindow();
        QCOMPARE(layouts::TypeName(main.cmdAdd[0]), QString("CommandButton"));
        QCOMPARE(layouts::TypeName(main.lstPass), QString("ListView"));
        QCOMPARE(layouts::TypeName(main.wbPicture), QString("PictureBox"));
        QCOMPARE(layouts::TypeName(main.StatusBar1), QString("StatusBar"));
    }

    void skinColoursAndRegion() {
        Skin skin;
        QCOMPARE(Skin::ColourOf(skin.Property(2).value()), skin.background());
        QCOMPARE(Skin::ColourOf(skin.Property(3).value()), skin.text());
        QCOMPARE(Skin::ColourOf(skin.Property(4).value()), skin.pictureBackground());
        QVERIFY(!skin.Property(5));
        QVERIFY(appearance::IsVistaOrLater());
        appearance::SetReportedVersion(2, 5);
        QVERIFY(!appearance::IsVistaOrLater());
        appearance::SetReportedVersion(1, 6); // not the NT family
        QVERIFY(!appearance::IsVistaOrLater());
        QWidget window;
        window.resize(100, 50);
        appearance::ResetWindowRegion(&window);
        QVERIFY(window.mask().contains(QRect(0, 0, 100, 50))); // the whole window, and more
    }

    void skinnedRunCallsTheSkinLayerInOrder() {
        buildConfig::testing::ForceSkin(true);
        MainWindow* main = logIn();
        QVERIFY(buildConfig::Skinned());
        QVERIFY(TheProgram().appearance().skin() != nullptr);
        QCOMPARE(TheProgram().appearance().skin(), TheProgram().splash()->skn);
        // Splash: the companion's first and second operations; end of the splash: its third.
        QCOMPARE(TheProgram().appearance().companion()->calls(), QStringList({"1", "2", "3"}));
        for (QWidget* w : {static_cast<QWidget*>(TheProgram().splash()), static_cast<QWidget*>(main)}) {
            QCOMPARE(w->property("skinned").toString(), QString("Standard Skin"));
            QVERIFY(!w->mask().isEmpty());
        }
        main->cmdAdd_Click(0);
        QCOMPARE(TheProgram().editor()->property("skinned").toString(), QString("Standard Skin"));
        main->mnuAboutItem[0]->trigger();
        QCOMPARE(TheProgram().aboutWindow()->property("skinned").toString(), QString("Standard Skin"));
        // The main window's unload: the third operation again, before the end.
        QPointer<SkinCompanion> companion = TheProgram().appearance().companion();
        main->close();
        QCOMPARE(companion->calls(), QStringList({"1", "2", "3", "3"}));
        QCOMPARE(seams::testing::endCalls(), 1);
    }

    void plainRunSkinsNothing() {
        appearance::SetReportedVersion(2, 5); // an older system: SkinStartUp does nothing either
        MainWindow* main = logIn();
        QVERIFY(!buildConfig::Skinned());
        QVERIFY(TheProgram().appearance().skin() == nullptr);
        QVERIFY(TheProgram().appearance().companion() == nullptr);
        QVERIFY(!main->property("skinned").isValid());
        QVERIFY(main->mask().isEmpty());
        // The banner is shown all the same, once the window is up.
        QTRY_VERIFY(TheProgram().appearance().bannerBox() != nullptr);
    }

    void launcherAddressRules_data() {
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("opened");
        QTest::newRow("bare host") << "www.keyshelf.example" << "http://www.keyshelf.example";
        QTest::newRow("HTTPS in capitals") << "HTTPS://www.keyshelf.example" << "HTTPS://www.keyshelf.example";
        QTest::newRow("http inside a query") << "go.example/?to=http://x" << "go.example/?to=http://x";
        QTest::newRow("empty") << "" << "http://";
    }
    void launcherAddressRules() {
        QFETCH(QString, comments);
        QFETCH(QString, opened);
        QCOMPARE(website::LaunchAddress(comments), opened);
    }

    void oneLaunchASecond() {
        MainWindow* main = logIn();
        main->cmdWebsite_Click(0);
        main->cmdWebsite_Click(0); // within the second: nothing new
        QCOMPARE(seams::testing::openedAddresses(), QStringList({"http://www.keyshelf.example"}));
        QVERIFY(TheProgram().websiteLauncher() != nullptr); // the second request found the launcher still there
        QPointer<WebsiteLauncher> launcher = TheProgram().websiteLauncher();
        QVERIFY(launcher != nullptr && !launcher->isVisible());
        QVERIFY(launcher->Timer1->isActive());
        launcher->Timer1_Timer(); // its second is up
        QTRY_VERIFY(launcher.isNull());
        main->cmdWebsite_Click(0);
        QCOMPARE(seams::testing::openedAddresses().size(), 2);

        // A launcher loaded without the mode opens nothing.
        TheProgram().websiteLauncher()->close();
        QTRY_VERIFY(TheProgram().websiteLauncher() == nullptr);
        TheProgram().LoadWebsiteLauncher()->Form_Load(false);
        QCOMPARE(seams::testing::openedAddresses().size(), 2);
    }

    void aboutWindow() {
        AboutWindow* about = TheProgram().LoadAboutWindow();
        about->Form_Load();
        QCOMPARE(about->windowTitle(), QString("About Keyshelf"));
        QCOMPARE(about->Label1->text(), QString("Keyshelf"));
        QCOMPARE(about->lblVersion->text(), QString("1.0"));
        QCOMPARE(about->lblCompany->text(), QString("Keyshelf Software"));
        QCOMPARE(about->lblWebsite->text(), QString("www.keyshelf.example"));
        QCOMPARE(about->SkinLabel1.size(), 1); // no clones without skinning
        QVERIFY(about->SkinLabel1[0]->isHidden());

        about->show();
        QTest::mouseClick(about->lblWebsite, Qt::LeftButton);
        QCOMPARE(seams::testing::openedAddresses(), QStringList({"http://www.keyshelf.example"}));
        QVERIFY(TheProgram().websiteLauncher() != nullptr && TheProgram().websiteLauncher()->isVisible());
    }

    void aboutWindowSkinnedClonesEveryPlainLabel() {
        buildConfig::testing::ForceSkin(true);
        TheProgram().appearance().setSkin(new Skin(nullptr));
        TheProgram().OpenAbout();
        AboutWindow* about = TheProgram().aboutWindow();
        const QStringList plain = {"Label1", "Label2", "Label3", "Label4", "lblWebsite", "lblCompany", "lblVersion"};
        QCOMPARE(about->SkinLabel1.size(), 1 + plain.size());
        QStringList cloned;
        for (int i = 1; i < about->SkinLabel1.size(); ++i) {
            QLabel* clone = about->SkinLabel1[i];
            QCOMPARE(clone->objectName(), QString("SkinLabel1(%1)").arg(i));
            QLabel* original = nullptr;
            for (const QString& name : plain) {
                auto* l = about->findChild<QLabel*>(name);
                if (l->geometry() == clone->geometry() && l->parentWidget() == clone->parentWidget()) {
                    original = l;
                }
            }
            QVERIFY2(original != nullptr, qPrintable(clone->objectName()));
            QCOMPARE(clone->text(), original->text());
            QCOMPARE(clone->font(), original->font());
            cloned << original->objectName();
        }
        cloned.sort();
        QStringList expected = plain;
        expected.sort();
        QCOMPARE(cloned, expected); // exactly one clone each
        QCOMPARE(about->SkinLabel1[0]->geometry(), QRect(32, 184, 37, 13)); // the template is left as it was
        delete TheProgram().appearance().skin();
    }
};

KEYSHELF_TEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
