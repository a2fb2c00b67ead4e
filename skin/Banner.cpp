#include "Banner.h"

#include "BandRun.h"
#include "BannerFetch.h"
#include "Seams.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

Banner* Banner::In(QWidget* wbBanner) {
    if (auto* existing = wbBanner->findChild<Banner*>(QString(), Qt::FindDirectChildrenOnly)) {
        return existing;
    }
    auto* banner = new Banner(wbBanner);
    auto* layout = new QVBoxLayout(wbBanner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    banner->show();
    return banner;
}

Banner::Banner(QWidget* parent) : QWidget(parent), fetch_(new banner::Fetch(this)) {
    setObjectName(QStringLiteral("banner"));
    setAccessibleName(QStringLiteral("Banner"));
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptDrops(false);
    setMouseTracking(true); // the pointer shows which links a click opens
    connect(fetch_, &banner::Fetch::finished, this, &Banner::Fetched);
}

void Banner::Navigate(const QString& address) {
    fetched_ = false;
    delete render_;
    fetch_->Start(QUrl(address));
}

QUrl Banner::pageUrl() const {
    return shown() ? fetch_->pageUrl() : QUrl();
}

void Banner::Fetched(bool ok) {
    fetched_ = ok;
    if (!ok) {
        ShowPage(std::nullopt);
        return;
    }
    Render();
}

void Banner::Render() {
    delete render_;
    renderSize_ = size();
    if (renderSize_.isEmpty()) {
        return; // painted once the band has its size
    }
    band::Request request;
    request.job = band::Job::Paint;
    request.pageUrl = fetch_->pageUrl();
    request.html = fetch_->html();
    request.size = renderSize_;
    request.pixelRatio = qBound(1.0, devicePixelRatioF(), 4.0);
    request.font = font().toString();
    request.textRgb = palette().color(QPalette::WindowText).rgba();
    request.linkRgb = palette().color(QPalette::Link).rgba();
    request.pictures = fetch_->pictures();
    request.pictureSide = fetch_->limits().pictureSide;
    request.decodedBytes = fetch_->limits().decodedBytes;
    const QSize pixels = (QSizeF(request.size) * request.pixelRatio).toSize();
    auto* run =
        new band::Run(band::EncodeRequest(request), band::MaxPaintedBytes(pixels), fetch_->limits().renderer, this);
    connect(run, &band::Run::finished, this,
            [this, run, pixels, ratio = request.pixelRatio](bool ok, const QByteArray& answer) {
                run->deleteLater();
                std::optional<band::Painted> painted = ok ? band::DecodePainted(answer, pixels) : std::nullopt;
                if (painted) {
                    painted->picture.setDevicePixelRatio(ratio);
                }
                ShowPage(painted);
            });
    render_ = run;
}

void Banner::ShowPage(const std::optional<band::Painted>& painted) {
    painted_ = painted.value_or(band::Painted());
    pressed_ = QUrl();
    unsetCursor();
    update();
    emit loadFinished(painted.has_value());
}

QUrl Banner::LinkAt(const QPoint& point) const {
    QString anchor;
    for (const band::Link& link : painted_.links) {
        if (link.area.contains(point)) {
            anchor = link.href;
            break;
        }
    }
    if (anchor.isEmpty()) {
        return {};
    }
    const QUrl page = fetch_->pageUrl();
    const QUrl link = page.resolved(QUrl(anchor));
    // Only the page's own server, over the web: never another host, a file, mail or a script address.
    const bool web = link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https");
    if (!web || link.host().isEmpty() || link.host().compare(page.host(), Qt::CaseInsensitive) != 0) {
        return {};
    }
    return link;
}

bool Banner::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: // the page's titles are its words, not Keyshelf's
    case QEvent::WhatsThis:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::Wheel:
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

void Banner::paintEvent(QPaintEvent* event) {
    if (!shown()) {
        return; // blank: the window behind shows through
    }
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.drawImage(QPoint(0, 0), painted_.picture);
}

// The page is painted again for the band's new size; until then the band shows what it had.
void Banner::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fetched_ && size() != renderSize_) {
        Render();
    }
}

// Only the user's own click counts: a press and a release of the left button from the window system, on
// the same link. One click opens one link; a double click is one click.
void Banner::mousePressEvent(QMouseEvent* event) {
    event->accept();
    pressed_ = event->spontaneous() && event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton
                   ? LinkAt(event->position().toPoint())
                   : QUrl();
}

void Banner::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QUrl pressed = pressed_;
    pressed_ = QUrl();
    if (pressed.isEmpty() || !event->spontaneous() || event->button() != Qt::LeftButton ||
        event->buttons() != Qt::NoButton || LinkAt(event->position().toPoint()) != pressed) {
        return;
    }
    seams::ShellOpen(pressed.toString(QUrl::FullyEncoded));
}

void Banner::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    pressed_ = QUrl();
}

void Banner::mouseMoveEvent(QMouseEvent* event) {
    if (LinkAt(event->position().toPoint()).isEmpty()) {
        unsetCursor();
    } else {
        setCursor(Qt::PointingHandCursor);
    }
}
