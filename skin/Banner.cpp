#include "Banner.h"

#include "BannerFetch.h"
#include "Seams.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QTextFrame>
#include <QVBoxLayout>

namespace {

// The page as rich text, with the pictures that were fetched for it and nothing else: rich text asks its
// document for every picture and stylesheet it meets, and this one never looks on the network or the disk.
class PageDocument : public QTextDocument {
public:
    PageDocument(const banner::Fetch& fetch, QObject* parent) : QTextDocument(parent), fetch_(fetch) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource) {
            const auto it = fetch_.pictures().constFind(fetch_.pageUrl().resolved(name));
            if (it != fetch_.pictures().constEnd()) {
                return it.value();
            }
            // Rich text draws a missing picture as a broken-file icon; a picture that was not fetched
            // takes no room instead.
            static const QImage nothing = [] {
                QImage image(1, 1, QImage::Format_ARGB32);
                image.fill(Qt::transparent);
                return image;
            }();
            return nothing;
        }
        return {};
    }

private:
    const banner::Fetch& fetch_;
};

} // namespace

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
    connect(fetch_, &banner::Fetch::finished, this, &Banner::ShowPage);
}

void Banner::Navigate(const QString& address) {
    fetch_->Start(QUrl(address));
}

QUrl Banner::pageUrl() const {
    return document_ != nullptr ? fetch_->pageUrl() : QUrl();
}

void Banner::ShowPage(bool ok) {
    delete document_;
    document_ = nullptr;
    pressed_ = QUrl();
    if (ok) {
        auto* document = new PageDocument(*fetch_, this);
        document->setDocumentMargin(0);
        document->setUndoRedoEnabled(false);
        document->setHtml(fetch_->html());
        document->setTextWidth(width());
        document_ = document;
    }
    unsetCursor();
    update();
    emit loadFinished(ok);
}

QUrl Banner::LinkAt(const QPoint& point) const {
    if (document_ == nullptr) {
        return {};
    }
    const QString anchor = document_->documentLayout()->anchorAt(point);
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
    if (document_ == nullptr) {
        return; // blank: the window behind shows through
    }
    QPainter painter(this);
    painter.setClipRect(event->rect());
    // The page's own background covers the whole band, as a browser's canvas takes the body's.
    const QBrush background = document_->rootFrame()->frameFormat().background();
    if (background.style() != Qt::NoBrush) {
        painter.fillRect(rect(), background);
    }
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = event->rect();
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    document_->documentLayout()->draw(&painter, context);
}

void Banner::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (document_ != nullptr) {
        document_->setTextWidth(width());
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
