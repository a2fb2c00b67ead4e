// The banner's web view: a page from the banner address in a band of the main window. It lives in the banner
// module (keyshelf-banner.so), which the program loads only when the band starts, so that start-up neither
// links nor waits for the web engine.
//
// The page comes from the network and is not trusted: it is kept in its band, with no dialogs, no
// clipboard, no new windows, no console output, no local files, no permissions and nothing stored on
// disk, and it never navigates away. It never receives a click or a key either; a link the user clicks
// opens in their own browser (through the program's opener), once per click.
#pragma once

#include "BannerModule.h"

#include <QWidget>

class QWebEnginePage;
class QWebEngineView;

class BannerView : public QWidget, public BannerBand {
    Q_OBJECT
public:
    BannerView(QWidget* parent, const BannerHost& host);
    ~BannerView() override;

    QWidget* widget() override { return this; }
    void navigate(const QString& address) override;
    void setLoadFinishedHandler(std::function<void(bool ok)> handler) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Gives the band's own window and the page's background the colours of the window the band is in.
    void FollowPalette();
    // Opens the link at `point` (in the page's CSS pixels) in the browser, if there is one.
    void OpenLinkAt(const QPointF& point);

    // Puts the view's own window into the band (once its drawing widget exists).
    void Embed();

    BannerHost host_;
    QWidget* surface_;             // the view's own window (a child object, but a window), embedded in the band
    QWidget* container_ = nullptr; // the surface's place in the band
    QWebEngineView* view_;
    QWebEnginePage* page_ = nullptr;
    std::function<void(bool)> loadFinished_;
    bool pressed_ = false; // the left button went down on the view and has not come up yet
};
