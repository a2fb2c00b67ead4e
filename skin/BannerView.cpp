#include "BannerView.h"

#include "Seams.h"

#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <unistd.h>

namespace {

// A page that follows no link itself: what the user clicks opens in their browser.
class BannerPage : public QWebEnginePage {
public:
    BannerPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (type == NavigationTypeLinkClicked) {
            if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
                seams::ShellOpen(url.toString());
            }
            return false;
        }
        // Only web pages, never local files or other schemes.
        if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https") &&
            url.scheme() != QLatin1String("about") && url.scheme() != QLatin1String("data")) {
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

    // A link that asks for a new window: its address goes to the browser, and no window is made.
    QWebEnginePage* createWindow(WebWindowType) override {
        auto* catcher = new QWebEnginePage(profile(), this);
        connect(catcher, &QWebEnginePage::urlChanged, catcher, [catcher](const QUrl& url) {
            if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
                seams::ShellOpen(url.toString());
            }
            catcher->deleteLater();
        });
        return catcher;
    }
};

} // namespace

BannerView* BannerView::In(QWidget* wbBanner) {
    if (auto* existing = wbBanner->findChild<BannerView*>(QString(), Qt::FindDirectChildrenOnly)) {
        return existing;
    }
    auto* banner = new BannerView(wbBanner);
    auto* layout = new QVBoxLayout(wbBanner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    banner->show();
    return banner;
}

BannerView::BannerView(QWidget* parent) : QWidget(parent), view_(new QWebEngineView(this)) {
    setObjectName(QStringLiteral("bannerView"));
    // A profile of its own that keeps nothing on disk: no cookies, cache or history of the banner.
    auto* profile = new QWebEngineProfile(this);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    view_->setPage(new BannerPage(profile, view_));
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setAccessibleName(QStringLiteral("Banner"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(view_, &QWebEngineView::loadFinished, this, &BannerView::loadFinished);
}

void BannerView::Navigate(const QString& address) {
    view_->setUrl(QUrl(address));
}

void PrepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
}
