#include "BannerView.h"

#include <QAuthenticator>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QQuickWindow>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

bool IsWebAddress(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// The page of the band. It comes from the network over plain HTTP, so anyone on the way can serve anything
// there: it may show itself and nothing more. No dialog, no new window, no console output, no clipboard,
// no files, no permission, and it never leaves the address the band loaded.
class BannerPage : public QWebEnginePage {
public:
    BannerPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
        s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
        s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
        s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
        s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
        s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        s->setAttribute(QWebEngineSettings::SpatialNavigationEnabled, false);
        s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
        s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false); // the band shows no icon
        s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
        // A null authenticator cancels the request: the band never asks for a name and password.
        connect(this, &QWebEnginePage::authenticationRequired, this,
                [](const QUrl&, QAuthenticator* authenticator) { *authenticator = QAuthenticator(); });
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                [](const QUrl&, QAuthenticator* authenticator, const QString&) { *authenticator = QAuthenticator(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    }

    // Loads `url` as the band's page: the one main-frame navigation the page accepts.
    void Load(const QUrl& url) {
        address_ = url;
        loading_ = true;
        load(url);
    }
    void LoadDone() { loading_ = false; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!IsWebAddress(url) && url.scheme() != QLatin1String("about") && url.scheme() != QLatin1String("data")) {
            return false;
        }
        if (isMainFrame) {
            // Only the band's own load and the server's redirects of it. Whatever the page asks for itself
            // (a script's location, a synthetic click, a form, a reload, history) keeps it where it is; a
            // link the user clicks is opened by the view, in the browser.
            const bool ours = (type == NavigationTypeTyped && url == address_) ||
                              (type == NavigationTypeRedirect && loading_);
            if (!ours) {
                return false;
            }
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

    // No window the page asks for is made.
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    // Dialogs answer as if dismissed, without showing anything.
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    // Nothing the page logs reaches the program's output.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override { return {}; }

private:
    QUrl address_;
    bool loading_ = false;
};

// Finds the link at a point of the page, in a script world of its own so that nothing the page defines
// can change the answer; links inside frames of the page's own origin count, others cannot be seen.
QString LinkAtScript(const QPointF& point) {
    return QStringLiteral(
               "(function (x, y) {"
               "  var doc = document, e = null;"
               "  for (var depth = 0; depth < 8; ++depth) {"
               "    e = doc.elementFromPoint(x, y);"
               "    if (!e || (e.tagName !== 'IFRAME' && e.tagName !== 'FRAME')) break;"
               "    var r = e.getBoundingClientRect(), inner = null;"
               "    try { inner = e.contentDocument; } catch (err) { inner = null; }"
               "    if (!inner) { e = null; break; }"
               "    x -= r.left + e.clientLeft; y -= r.top + e.clientTop; doc = inner;"
               "  }"
               "  for (; e; e = e.parentElement) {"
               "    if ((e.tagName === 'A' || e.tagName === 'AREA') && e.href) return String(e.href);"
               "  }"
               "  return '';"
               "})(%1, %2)")
        .arg(point.x())
        .arg(point.y());
}

} // namespace

BannerView::BannerView(QWidget* parent, const BannerHost& host)
    : QWidget(parent), host_(host),
      surface_(new QWidget(this, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)),
      view_(new QWebEngineView(surface_)) {
    setObjectName(QStringLiteral("bannerView"));
    surface_->setObjectName(QStringLiteral("bannerSurface"));
    surface_->setFocusPolicy(Qt::NoFocus);
    surface_->setAcceptDrops(false);
    // A profile of its own that keeps nothing on disk: no cookies, cache or history of the banner. It
    // downloads nothing either.
    auto* profile = new QWebEngineProfile(this);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    page_ = new BannerPage(profile, view_);
    view_->setPage(page_);
    FollowPalette();
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setFocusPolicy(Qt::NoFocus);
    view_->setAcceptDrops(false);
    view_->setAccessibleName(QStringLiteral("Banner"));
    view_->installEventFilter(this);
    auto* inner = new QVBoxLayout(surface_);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(view_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        static_cast<BannerPage*>(page_)->LoadDone();
        if (loadFinished_) {
            loadFinished_(ok);
        }
    });
}

BannerView::~BannerView() {
    // The surface goes first, with its native window: the container would delete that window itself, under
    // the widget that owns it.
    delete surface_;
}

// Drawing with OpenGL (the engine's default; the band draws in software, see keyshelf_create_banner), the
// view's drawing widget composes its picture with OpenGL, and the top-level window it sits in must be an
// OpenGL window for that: in the main window itself, Qt would destroy and make again the main window's
// native window (it vanishes from the screen for a moment and comes back under another id). So the view
// lives in a window of its own, made once the drawing widget exists (so that it is an OpenGL window from
// the start if it needs to be), which is embedded into the band as a native child of the main window. The
// main window keeps the surface it was painted with.
void BannerView::Embed() {
    if (container_ != nullptr) {
        return;
    }
    surface_->winId();
    container_ = QWidget::createWindowContainer(surface_->windowHandle(), this);
    container_->setObjectName(QStringLiteral("bannerContainer"));
    container_->setFocusPolicy(Qt::NoFocus);
    container_->setAcceptDrops(false);
    layout()->addWidget(container_);
    container_->show();
}

// Until the page paints, and wherever it leaves its background clear, the band shows the colour of the
// window behind it rather than a browser's white. That is the colour of the nearest widget that paints
// its own background: a skinned window paints its own colour, which its children's palettes do not
// carry. The surface is a window of its own, which takes no colours from the band unless given them.
void BannerView::FollowPalette() {
    QWidget* behind = parentWidget();
    while (behind != nullptr && !behind->autoFillBackground() && !behind->isWindow()) {
        behind = behind->parentWidget();
    }
    const QColor colour = (behind != nullptr ? behind : this)->palette().color(QPalette::Window);
    QPalette surface = palette();
    surface.setColor(QPalette::Window, colour);
    surface_->setPalette(surface);
    if (page_ != nullptr) {
        page_->setBackgroundColor(colour);
    }
}

void BannerView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        FollowPalette();
    }
}

void BannerView::navigate(const QString& address) {
    static_cast<BannerPage*>(page_)->Load(QUrl(address));
}

void BannerView::setLoadFinishedHandler(std::function<void(bool ok)> handler) {
    loadFinished_ = std::move(handler);
}

// The page never receives a press, a release or a key: those are what lets a page's script act as the
// user (open windows, write the clipboard, hold dialogs). It still sees the pointer move over it, and
// scrolling. A click is the view's own: it opens the link under the pointer in the user's browser, once.
bool BannerView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
        // The engine draws into a child widget it makes (and may make again); every one is filtered.
        if (watched == view_) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
                child->installEventFilter(this);
                child->setFocusPolicy(Qt::NoFocus);
                child->setAcceptDrops(false);
                // Once it is made (it is still being constructed here), its window can be made.
                QMetaObject::invokeMethod(this, &BannerView::Embed, Qt::QueuedConnection);
            }
        }
        return false;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        pressed_ = mouse->button() == Qt::LeftButton;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = pressed_ && mouse->button() == Qt::LeftButton && mouse->buttons() == Qt::NoButton &&
                           static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint());
        pressed_ = false;
        if (click) {
            OpenLinkAt(mouse->position() / page_->zoomFactor());
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

void BannerView::OpenLinkAt(const QPointF& point) {
    QPointer<BannerView> self(this);
    page_->runJavaScript(LinkAtScript(point), QWebEngineScript::ApplicationWorld, [self](const QVariant& result) {
        if (self.isNull()) {
            return;
        }
        const QUrl url(result.toString());
        if (url.isValid() && IsWebAddress(url) && self->host_.openAddress != nullptr) {
            self->host_.openAddress(url.toString(QUrl::FullyEncoded));
        }
    });
}

extern "C" Q_DECL_EXPORT BannerBand* keyshelf_create_banner(QWidget* parent, const BannerHost* host) {
    if (host == nullptr || host->version != kBannerInterfaceVersion) {
        return nullptr;
    }
    // The band is a small still picture: it is drawn in software (Qt Quick's software renderer, and the
    // engine then composes its frames without the GPU too). Drawing with OpenGL loaded the graphics driver
    // and its buffers into the program for the band alone: about 63 MB of the 226 MB that the program and
    // its helpers took with the page showing (Mesa's software driver under Xvfb; a graphics card's driver
    // is no smaller). Set before the engine starts, which reads it once.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return new BannerView(parent, *host);
}
