// The banner, the skin layer, the website launcher and the about window.
#include "Appearance.h"

#include "AboutWindow.h"
#include "BandExchange.h"
#include "Banner.h"
#include "BannerFetch.h"
#include "BannerServer.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "MainWindow.h"
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

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolTip>
#include <QtEndian>

namespace {

constexpr int OnPixels(int twips) {
    return twips / 15 * 15;
}

// The longest the event loop went without turning, while it runs: what the user would wait for the
// window to answer.
class PauseMeter : public QObject {
public:
    PauseMeter() {
        clock_.start();
        startTimer(5);
    }
    qint64 longest() const { return longest_; }

protected:
    void timerEvent(QTimerEvent*) override { longest_ = qMax(longest_, clock_.restart()); }

private:
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

} // namespace

class AppearanceTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowTestRun> folder;

    static Banner* ShowBannerAndWait(MainWindow* main) {
        TheRun().appearance().ShowBanner(main->bannerPlace().band, main->bannerPlace().picture);
        Banner* banner = Control<QWidget>(main, "wbBanner")->findChild<Banner*>();
        QSignalSpy loaded(banner, &Banner::loadFinished);
        if (!loaded.wait(30000) || !loaded.first().first().toBool()) {
            return nullptr;
        }
        return banner;
    }

    // Every link of the band's page, each with a point on it, as the page's layout places them.
    static QMap<QString, QPoint> AnchorsOf(Banner* banner) {
        QMap<QString, QPoint> anchors;
        for (const band::Link& link : banner->links()) {
            if (!anchors.contains(link.href)) {
                anchors.insert(link.href, link.area.center());
            }
        }
        return anchors;
    }

    // How many of the band's pixels are of `colour`.
    static int PixelsOfColour(const Banner* banner, QColor colour) {
        const QImage picture = banner->picture().convertToFormat(QImage::Format_RGB32);
        int count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                count += picture.pixel(x, y) == colour.rgb();
            }
        }
        return count;
    }

    // The about window's skinned labels by their index in the group: the template, then the clones.
    static QList<QLabel*> SkinnedLabelsOf(const AboutWindow* about) {
        QList<QLabel*> labels;
        while (auto* label = about->findChild<QLabel*>(QStringLiteral("SkinLabel1(%1)").arg(labels.size()))) {
            labels.append(label);
        }
        return labels;
    }

    // A run from the splash to the main window on a vault with one entry.
    MainWindow* logIn() {
        QFile f(folder->filePath("data.enc"));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::fromStdString(vault::VaultBytes("Secret1", {{"u", "p", "www.u.example"}})));
        f.close();
        SplashWindow* splash = TheProgram().OpenSplash();
        for (int tick = 0; tick < 75; ++tick) {
            splash->onSplashTimeout();
        }
        Control<QLineEdit>(TheRun().passwordDialog(), "txtPass")->setText("Secret1");
        TheRun().passwordDialog()->confirmPassword();
        return TheRun().mainWindow();
    }

private slots:
    void initTestCase() { Startup::PrepareApplication(); }

    void init() {
        folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.showHelp = "0"});
        TheBuild().bannerUrl = "http://127.0.0.1:9/adserver.asp"; // nothing listens there
    }

    void cleanup() { folder.reset(); }

    void bannerGeometry() {
        MainWindow& main = *TheProgram().LoadMainWindow();
        TheRun().appearance().ShowBanner(main.bannerPlace().band, main.bannerPlace().picture);
        QWidget* box = TheRun().appearance().bannerBox();
        QVERIFY(box != nullptr);
        QCOMPARE(box->objectName(), QString("picBox"));
        // 7335 wide less the 280-twip margin, 945 high, at the banner's place.
        QCOMPARE(layouts::Left(box), 60);
        QCOMPARE(layouts::Top(box), 1980);
        QCOMPARE(layouts::Width(box), OnPixels(7055));
        QCOMPARE(layouts::Height(box), 945);
        QCOMPARE(Control<QWidget>(&main, "wbBanner")->parentWidget(), box);
        QCOMPARE(Control<QWidget>(&main, "wbBanner")->pos(), QPoint(0, 0));
        QCOMPARE(layouts::Width(Control<QWidget>(&main, "wbBanner")),
                 7335); // wider than its box: the scroll bar is cut off
        QVERIFY(!Control<QWidget>(&main, "wbBanner")->isHidden());
        QVERIFY(Control<QLabel>(&main, "wbPicture")->isHidden());
        // The band takes no focus, and is blank until its page arrives (nothing listens here).
        Banner* band = Control<QWidget>(&main, "wbBanner")->findChild<Banner*>();
        QVERIFY(band != nullptr);
        QCOMPARE(band->focusPolicy(), Qt::NoFocus);
        QSignalSpy loaded(band, &Banner::loadFinished);
        QVERIFY(loaded.wait(10000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QVERIFY(!band->shown());

        // A form that measures in pixels gets a 20-pixel margin.
        MainWindow pixels(TheRun().session().entries());
        TheRun().appearance().ShowBanner(pixels.bannerPlace().band, pixels.bannerPlace().picture, true);
        QCOMPARE(TheRun().appearance().bannerBox()->width(), 7335 / 15 - 20);
    }

    // The band shows the configured page with its picture. Only the user's own left click on the link
    // opens it, once: not an event the program makes up, not another button, not a press on it released
    // elsewhere, and a double click is one click.
    void bannerShowsTheConfiguredPageAndOpensOnlyWhatTheUserClicks() {
        BannerServer server;
        QVERIFY(server.Start());
        TheBuild().bannerUrl = server.Address();
        MainWindow& main = *TheProgram().LoadMainWindow();
        main.show();
        Banner* banner = ShowBannerAndWait(&main);
        QVERIFY(banner != nullptr);
        QCOMPARE(server.requests(), QStringList({"/adserver.asp", "/logo.png"}));
        QCOMPARE(banner->pageUrl().toString(), server.Address());
        // The page's blue across the band, and its 40 x 20 yellow logo on it.
        QVERIFY(PixelsOfColour(banner, QColor("#1f5fbf")) > banner->width() * banner->height() / 2);
        QVERIFY(PixelsOfColour(banner, QColor("#ffd84a")) >= 40 * 20);

        const QString offer = QString("http://127.0.0.1:%1/offer").arg(server.serverPort());
        const QPoint link = AnchorsOf(banner).value("/offer");
        QVERIFY(!link.isNull());
        QCOMPARE(banner->LinkAt(link).toString(), offer);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent made(type, link, banner->mapToGlobal(link), Qt::LeftButton,
                             type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
            QCoreApplication::sendEvent(banner, &made); // not from the window system
        }
        QTest::mouseClick(banner, Qt::MiddleButton, {}, link);
        QTest::mouseClick(banner, Qt::RightButton, {}, link);
        QTest::mousePress(banner, Qt::LeftButton, {}, link);
        QTest::mouseRelease(banner, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(TheDesktop().openedAddresses().isEmpty());

        QTest::mouseClick(banner, Qt::LeftButton, {}, link);
        QCOMPARE(TheDesktop().openedAddresses(), QStringList({offer}));
        QTest::mouseDClick(banner, Qt::LeftButton, {}, link);        // the second press of a double click
        QTest::mouseClick(banner, Qt::LeftButton, {}, QPoint(2, 2)); // off the link
        QCOMPARE(TheDesktop().openedAddresses(), QStringList({offer}));

        // The page changes under a press: the release opens nothing.
        QTest::mousePress(banner, Qt::LeftButton, {}, link);
        server.SetCase("hostile");
        QSignalSpy loaded(banner, &Banner::loadFinished);
        banner->Navigate(server.Address());
        QVERIFY(loaded.wait(10000));
        QTest::mouseRelease(banner, Qt::LeftButton, {}, link);
        QCOMPARE(TheDesktop().openedAddresses().size(), 1);
    }

    // A page full of scripts, timers, frames, stylesheets, other hosts' pictures and links of every kind.
    // Only its own pictures are fetched, none of its scripts shows or runs, its one link of its own server
    // is the only one a click opens, it shows no tooltip, and it takes neither the focus nor a key.
    void aHostileBannerPageCannotActForTheUser() {
        BannerServer server;
        server.SetCase("hostile");
        QVERIFY(server.Start());
        MainWindow* main = logIn();
        QVERIFY(main != nullptr);
        TheBuild().bannerUrl = server.Address(); // before the first paint, which starts the band
        main->show();
        Control<ListView>(main, "lstPass")->setSelected(1, true);
        main->copyField(MainWindow::Field::Password);
        Banner* banner = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((banner = Control<QWidget>(main, "wbBanner")->findChild<Banner*>()) != nullptr, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(banner->shown(), 10000);
        QTest::qWait(500);
        QStringList asked = server.requests();
        asked.sort();
        QCOMPARE(asked, QStringList({"/adserver.asp", "/claims-huge.png", "/logo.png"}));

        const QMap<QString, QPoint> anchors = AnchorsOf(banner);
        for (const char* kind : {"http://elsewhere.example/offer", "javascript:alert(1)", "file:///etc/passwd",
                                 "mailto:someone@example.org", "/offer"}) {
            QVERIFY2(anchors.contains(kind), kind);
        }
        for (const QPoint& at : anchors) {
            QTest::mouseClick(banner, Qt::LeftButton, {}, at);
            QHelpEvent tip(QEvent::ToolTip, at, banner->mapToGlobal(at));
            QCoreApplication::sendEvent(banner, &tip);
            QTest::keyClick(banner, Qt::Key_Return);
            QTest::keyClick(banner, Qt::Key_C, Qt::ControlModifier);
        }
        QCOMPARE(TheDesktop().openedAddresses(),
                 QStringList({QString("http://127.0.0.1:%1/offer").arg(server.serverPort())}));
        QVERIFY(TheDesktop().startedPrograms().isEmpty());
        QVERIFY(!QToolTip::isVisible());
        QVERIFY(!banner->hasFocus());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("p"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        main->addEntry();
        QVERIFY(TheRun().editor() != nullptr && TheRun().editor()->isVisible());
    }

    // The fetcher's limits, one hostile server a row. The event loop's longest pause while each runs is
    // printed for people to read (the window answers within it), never judged.
    void bannerFetchLimits_data() {
        QTest::addColumn<QString>("serving");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("pictures");
        QTest::newRow("the test page") << "test" << true << 2 << 1;
        QTest::newRow("2 GB of page") << "huge" << false << 1 << 0;
        QTest::newRow("a length of 2 GB") << "claims-huge" << false << 1 << 0;
        QTest::newRow("no answer") << "silent" << false << 1 << 0;
        QTest::newRow("no end") << "unfinished" << false << 1 << 0;
        QTest::newRow("a redirect loop") << "loop" << false << 6 << 0;
        QTest::newRow("five redirects") << "five-moves" << true << 7 << 1;
        QTest::newRow("a redirect to a file") << "away" << false << 1 << 0;
        QTest::newRow("plain text") << "not-html" << false << 1 << 0;
        QTest::newRow("text/html alone") << "html-bare" << true << 2 << 1;
        QTest::newRow("TEXT/HTML") << "html-upper" << true << 2 << 1;
        QTest::newRow("text/html, charset after another parameter") << "html-params" << true << 2 << 1;
        // 20 of its 33 own pictures are asked for; of those, the 1.5 MB one is not kept (the renderer,
        // which decodes them, leaves out the one 4097 pixels tall and the one claiming 100,000 x 100,000).
        QTest::newRow("pictures") << "pictures" << true << 21 << 19;
        QTest::newRow("hostile") << "hostile" << true << 3 << 2;
    }
    void bannerFetchLimits() {
        QFETCH(QString, serving);
        QFETCH(bool, shown);
        QFETCH(int, requests);
        QFETCH(int, pictures);
        BannerServer server;
        QVERIFY(server.SetCase(serving));
        QVERIFY(server.Start());
        banner::Limits limits;
        limits.requestMs = 1500; // the band's own is 10 s
        banner::Fetch fetch(nullptr, limits);
        QSignalSpy finished(&fetch, &banner::Fetch::finished);
        PauseMeter meter;
        QElapsedTimer took;
        took.start();
        fetch.Start(QUrl(server.Address()));
        QVERIFY(finished.wait(20000));
        qInfo("%s: %s in %lld ms, the event loop's longest pause %lld ms", qPrintable(serving),
              finished.first().first().toBool() ? "shown" : "blank", took.elapsed(), meter.longest());
        QCOMPARE(finished.first().first().toBool(), shown);
        QCOMPARE(fetch.html().isEmpty(), !shown);
        QCOMPARE(fetch.pictures().size(), pictures);
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(finished.size(), 1);
    }

    // However its server names HTML, the page shows; any other type leaves the band blank.
    void bannerPageTypes_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("html");
        for (const char* type : {"text/html", "TEXT/HTML", "text/html; charset=utf-8", "text/html;charset=UTF-8",
                                 " Text/Html ; q=1; charset=\"utf-8\"", "application/xhtml+xml"}) {
            QTest::newRow(type) << QByteArray(type) << true;
        }
        for (const char* type :
             {"", "text/plain", "text/htmlx", "text/html-x; charset=utf-8", "text", ";text/html", "image/svg+xml"}) {
            QTest::newRow(type) << QByteArray(type) << false;
        }
    }
    void bannerPageTypes() {
        QFETCH(QByteArray, type);
        QFETCH(bool, html);
        QCOMPARE(banner::IsHtml(type), html);
    }

    // The renderer's answer is as untrusted as the page it drew: the window takes it only whole and of the
    // size it asked for, and makes room for nothing before it has checked that size.
    void aRendererAnswerIsTakenOnlyWhenWellFormed_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<bool>("taken");
        band::Painted painted;
        painted.picture = QImage(4, 2, QImage::Format_ARGB32_Premultiplied);
        painted.picture.fill(Qt::blue);
        painted.links << band::Link{QRect(1, 0, 2, 2), "/offer"};
        const QByteArray good = band::EncodePainted(painted);
        const qsizetype links = 12 + 4 * 2 * 4; // where the number of links stands
        QByteArray manyLinks = good;
        qToBigEndian(quint32(band::kMaxLinks + 1), manyLinks.data() + links);
        QByteArray huge = good;
        qToBigEndian(quint32(100000), huge.data() + 4); // a width of 100,000 pixels claimed
        QTest::newRow("as asked") << good << QSize(4, 2) << true;
        QTest::newRow("another size than asked") << good << QSize(2, 4) << false;
        QTest::newRow("a huge size claimed") << huge << QSize(4, 2) << false;
        QTest::newRow("cut short") << good.chopped(3) << QSize(4, 2) << false;
        QTest::newRow("more after its end") << good + "x" << QSize(4, 2) << false;
        QTest::newRow("too many links") << manyLinks << QSize(4, 2) << false;
        QTest::newRow("another kind of answer") << band::EncodeNames({"/logo.png"}) << QSize(4, 2) << false;
    }
    void aRendererAnswerIsTakenOnlyWhenWellFormed() {
        QFETCH(QByteArray, answer);
        QFETCH(QSize, asked);
        QFETCH(bool, taken);
        const std::optional<band::Painted> painted = band::DecodePainted(answer, asked);
        QCOMPARE(painted.has_value(), taken);
        if (taken) {
            QCOMPARE(painted->picture.pixel(3, 1), QColor(Qt::blue).rgb());
            QCOMPARE(painted->links.size(), 1);
            QCOMPARE(painted->links[0].href, QString("/offer"));
        }
    }

    // Pages built to cost the layout or the picture readers time and memory are the renderer's to meet,
    // never the window's: its event loop keeps turning, and past the renderer's limits the band is blank.
    void costlyPagesCostTheWindowNothing_data() {
        QTest::addColumn<QString>("serving");
        for (const char* page : {"marks", "spans", "nesting", "scans", "text-chunks", "links"}) {
            QTest::newRow(page) << page;
        }
    }
    void costlyPagesCostTheWindowNothing() {
        QFETCH(QString, serving);
        BannerServer server;
        QVERIFY(server.SetCase(serving));
        QVERIFY(server.Start());
        QWidget place;
        place.resize(470, 63);
        Banner* band = Banner::In(&place);
        place.show();
        QSignalSpy loaded(band, &Banner::loadFinished);
        PauseMeter meter;
        QElapsedTimer took;
        took.start();
        band->Navigate(server.Address());
        QVERIFY(loaded.wait(20000));
        qInfo("%s: %s in %lld ms, the event loop's longest pause %lld ms", qPrintable(serving),
              band->shown() ? "shown" : "blank", took.elapsed(), meter.longest());
        QVERIFY2(meter.longest() < 500, qPrintable(QString::number(meter.longest())));
        QVERIFY(band->links().size() <= band::kMaxLinks);
    }

    // What fails leaves the band blank: nothing drawn over the window's colour.
    void aBandThatCannotShowItsPageStaysBlank() {
        BannerServer server;
        server.SetCase("not-html");
        QVERIFY(server.Start());
        MainWindow& main = *logIn();
        TheBuild().bannerUrl = server.Address();
        main.show();
        Banner* banner = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((banner = Control<QWidget>(&main, "wbBanner")->findChild<Banner*>()) != nullptr,
                                 10000);
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 10000);
        QTest::qWait(200);
        QVERIFY(!banner->shown());
        const QImage band = main.grab(QRect(banner->mapTo(&main, QPoint(0, 0)), banner->size())).toImage();
        const QColor window = main.palette().color(QPalette::Window);
        for (int y = 0; y < band.height(); y += 4) {
            for (int x = 0; x < band.width(); x += 4) {
                QCOMPARE(band.pixelColor(x, y), window);
            }
        }
    }

    void colourControlsByKind() {
        using layouts::Kind;
        QWidget form;
        const QList<Kind> recoloured = {Kind::PushButton, Kind::GraphicalButton, Kind::TextBox, Kind::ListView,
                                        Kind::PictureBox};
        QList<QWidget*> controls;
        for (int k = 0; k <= static_cast<int>(Kind::SkinControl); ++k) {
            auto* w = new QWidget(&form);
            layouts::SetKind(w, static_cast<Kind>(k));
            controls << w;
        }
        auto* noControl = new QWidget(&form); // of no design, and given no kind
        const QPalette plain = noControl->palette();
        const qint32 back = 0x00332211, text = 0x00665544, picture = 0x00998877; // 0x00BBGGRR
        appearance::ColourControls(&form, back, text, picture);
        QVERIFY(noControl->palette() == plain);
        for (QWidget* w : controls) {
            const Kind kind = layouts::KindOf(w).value();
            const QPalette p = w->palette();
            if (kind == Kind::PushButton || kind == Kind::GraphicalButton) {
                QCOMPARE(p.color(QPalette::Button), QColor(0x11, 0x22, 0x33));
            } else if (kind == Kind::PictureBox) {
                QCOMPARE(p.color(QPalette::Window), QColor(0x77, 0x88, 0x99));
            } else if (recoloured.contains(kind)) {
                QCOMPARE(p.color(QPalette::Base), QColor(0x11, 0x22, 0x33));
                QCOMPARE(p.color(QPalette::Text), QColor(0x44, 0x55, 0x66));
            } else {
                QVERIFY2(p == plain, qPrintable(QString::number(static_cast<int>(kind))));
            }
        }
        // The designs' own controls carry their kinds.
        MainWindow& main = *TheProgram().LoadMainWindow();
        QCOMPARE(layouts::KindOf(Control<QToolButton>(&main, "cmdAdd(0)")), Kind::GraphicalButton);
        QCOMPARE(layouts::KindOf(Control<ListView>(&main, "lstPass")), Kind::ListView);
        QCOMPARE(layouts::KindOf(Control<QLabel>(&main, "wbPicture")), Kind::PictureBox);
        QCOMPARE(layouts::KindOf(Control<QStatusBar>(&main, "StatusBar1")), Kind::StatusBar);
    }

    void skinColoursAndRegion() {
        Skin skin;
        QCOMPARE(Skin::ColourOf(skin.Property(2).value()), skin.background());
        QCOMPARE(Skin::ColourOf(skin.Property(3).value()), skin.text());
        QCOMPARE(Skin::ColourOf(skin.Property(4).value()), skin.pictureBackground());
        QVERIFY(!skin.Property(5));
        QWidget window;
        window.resize(100, 50);
        appearance::ResetWindowRegion(&window);
        QVERIFY(window.mask().contains(QRect(0, 0, 100, 50))); // the whole window, and more
    }

    void skinnedRunSkinsEveryWindow() {
        TheBuild().skinned = true;
        MainWindow* main = logIn();
        QVERIFY(buildConfig::Skinned());
        QVERIFY(TheRun().appearance().skin() != nullptr);
        QCOMPARE(TheRun().appearance().skin(), Control<Skin>(TheRun().splash(), "skn"));
        for (QWidget* w : {static_cast<QWidget*>(TheRun().splash()), static_cast<QWidget*>(main)}) {
            QCOMPARE(w->property("skinned").toString(), QString("Standard Skin"));
            QVERIFY(!w->mask().isEmpty());
        }
        main->addEntry();
        QCOMPARE(TheRun().editor()->property("skinned").toString(), QString("Standard Skin"));
        Control<QAction>(main, "mnuAboutItem(0)")->trigger();
        QCOMPARE(TheRun().aboutWindow()->property("skinned").toString(), QString("Standard Skin"));
        // The main window's unload ends the run.
        main->close();
        QCOMPARE(TheDesktop().endCalls(), 1);
    }

    void plainRunSkinsNothing() {
        MainWindow* main = logIn();
        QVERIFY(!buildConfig::Skinned());
        QVERIFY(TheRun().appearance().skin() == nullptr);
        QVERIFY(!main->property("skinned").isValid());
        QVERIFY(main->mask().isEmpty());
        // The banner is shown all the same, once the window is up.
        QTRY_VERIFY(TheRun().appearance().bannerBox() != nullptr);
    }

    void launcherAddressRules_data() {
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("opened");
        QTest::newRow("bare host") << "www.keyshelf.example"
                                   << "http://www.keyshelf.example";
        QTest::newRow("HTTPS in capitals") << "HTTPS://www.keyshelf.example"
                                           << "HTTPS://www.keyshelf.example";
        QTest::newRow("http inside a query") << "go.example/?to=http://x"
                                             << "go.example/?to=http://x";
        QTest::newRow("empty") << ""
                               << "http://";
    }
    void launcherAddressRules() {
        QFETCH(QString, comments);
        QFETCH(QString, opened);
        QCOMPARE(website::LaunchAddress(comments), opened);
    }

    void oneLaunchASecond() {
        MainWindow* main = logIn();
        main->openWebsite();
        main->openWebsite(); // within the second: nothing new
        QCOMPARE(TheDesktop().openedAddresses(), QStringList({"http://www.keyshelf.example"}));
        QVERIFY(TheRun().websiteLauncher() != nullptr); // the second request found the launcher still there
        QPointer<WebsiteLauncher> launcher = TheRun().websiteLauncher();
        QVERIFY(launcher != nullptr && !launcher->isVisible());
        QVERIFY(Control<QTimer>(launcher, "Timer1")->isActive());
        QTRY_VERIFY(launcher.isNull()); // its second is up
        main->openWebsite();
        QCOMPARE(TheDesktop().openedAddresses().size(), 2);

        // A launcher made without being asked to open the website opens nothing.
        TheRun().websiteLauncher()->close();
        QTRY_VERIFY(TheRun().websiteLauncher() == nullptr);
        TheProgram().LoadWebsiteLauncher();
        QCOMPARE(TheDesktop().openedAddresses().size(), 2);
    }

    void aboutWindow() {
        AboutWindow* about = TheProgram().LoadAboutWindow();
        QCOMPARE(about->windowTitle(), QString("About Keyshelf"));
        QCOMPARE(Control<QLabel>(about, "Label1")->text(), QString("Keyshelf"));
        QCOMPARE(Control<QLabel>(about, "lblVersion")->text(), QString("1.0"));
        QCOMPARE(Control<QLabel>(about, "lblCompany")->text(), QString("Keyshelf Software"));
        QCOMPARE(Control<QLabel>(about, "lblWebsite")->text(), QString("www.keyshelf.example"));
        QCOMPARE(SkinnedLabelsOf(about).size(), 1); // no clones without skinning
        QVERIFY(SkinnedLabelsOf(about)[0]->isHidden());

        about->show();
        QTest::mouseClick(Control<QLabel>(about, "lblWebsite"), Qt::LeftButton);
        QCOMPARE(TheDesktop().openedAddresses(), QStringList({"http://www.keyshelf.example"}));
        QVERIFY(TheRun().websiteLauncher() != nullptr && TheRun().websiteLauncher()->isVisible());
    }

    void aboutWindowSkinnedClonesEveryPlainLabel() {
        TheBuild().skinned = true;
        TheRun().appearance().setSkin(new Skin(nullptr));
        TheProgram().OpenAbout();
        AboutWindow* about = TheRun().aboutWindow();
        const QStringList plain = {"Label1", "Label2", "Label3", "Label4", "lblWebsite", "lblCompany", "lblVersion"};
        const QList<QLabel*> skinLabels = SkinnedLabelsOf(about);
        QCOMPARE(skinLabels.size(), 1 + plain.size());
        QStringList cloned;
        for (int i = 1; i < skinLabels.size(); ++i) {
            QLabel* clone = skinLabels[i];
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
        QCOMPARE(cloned, expected);                                  // exactly one clone each
        QCOMPARE(skinLabels[0]->geometry(), QRect(32, 184, 37, 13)); // the template is left as it was
        delete TheRun().appearance().skin();
    }
};

KEYSHELF_TEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
