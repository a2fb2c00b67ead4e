// The banner band above the main window's list: the page at the build's banner address, fetched by
// Keyshelf itself (BannerFetch) and drawn as Qt rich text. No browser engine: the page's scripts never
// run, and nothing it names but its own pictures is fetched.
//
// The page is not trusted. It gets no key and no focus and shows no tooltip; the one thing it can make
// happen is what the user does: a real left click on a link to the page's own server (http or https)
// opens that link once in the user's browser. Until the page arrives, and whenever it cannot be had, the
// band is blank in the colour of the window behind it.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextDocument;

namespace banner {
class Fetch;
}

class Banner : public QWidget {
    Q_OBJECT
public:
    // The banner inside the placeholder `wbBanner`, made on first use.
    static Banner* In(QWidget* wbBanner);

    void Navigate(const QString& address);

    // What the band shows: null while it is blank.
    const QTextDocument* document() const { return document_; }
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
    void ShowPage(bool ok);

    banner::Fetch* fetch_;
    QTextDocument* document_ = nullptr;
    QUrl pressed_; // the link a real left press went down on, until the release
};
