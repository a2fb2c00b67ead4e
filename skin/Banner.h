// The banner band above the main window's list: the page at the build's banner address, fetched by
// Keyshelf itself (BannerFetch) and drawn as Qt rich text by keyshelf-band, a renderer process of its own
// per page (BandRun), which hands back the band's picture and its link areas. No browser engine: the
// page's scripts never run, and nothing it names but its own pictures is fetched. However costly the page
// is to lay out or its pictures to decode, the window spends nothing on it: the renderer has a deadline
// and kernel limits, and past them the band stays blank.
//
// The page is not trusted. It gets no key and no focus and shows no tooltip; the one thing it can make
// happen is what the user does: a real left click on a link to the page's own server (http or https)
// opens that link once in the user's browser. Until the page arrives, and whenever it cannot be had, the
// band is blank in the colour of the window behind it.
#pragma once

#include "BandExchange.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

namespace banner {
class Fetch;
}
namespace band {
class Run;
}

class Banner : public QWidget {
    Q_OBJECT
public:
    // The banner inside the placeholder `wbBanner`, made on first use.
    static Banner* In(QWidget* wbBanner);

    void Navigate(const QString& address);

    // Whether the band shows its page, and what it shows: its picture (in the window's pixels) and the
    // areas of its links, with their addresses as the page wrote them.
    bool shown() const { return !painted_.picture.isNull(); }
    const QImage& picture() const { return painted_.picture; }
    const QList<band::Link>& links() const { return painted_.links; }
    // The page's address after redirects; empty while the band is blank.
    QUrl pageUrl() const;
    // The address a click at `point` would open; empty where there is no link it may open.
    QUrl LinkAt(const QPoint& point) const;

signals:
    // The page (with its pictures) finished loading, or failed to.
    void loadFinished(bool ok);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    explicit Banner(QWidget* parent);
    void Fetched(bool ok);
    void Render();
    void ShowPage(const std::optional<band::Painted>& painted);

    banner::Fetch* fetch_;
    bool fetched_ = false;       // the page and its pictures are here to paint
    QPointer<band::Run> render_; // the renderer painting it
    QSize renderSize_;           // the band's size it paints for
    band::Painted painted_;
    QUrl pressed_; // the link a real left press went down on, until the release
};
