// The banner's web view: a page from the banner address in a band of the main window. It is made only
// when the banner is shown, so that start-up does not wait for the web engine.
//
// The page comes from the network and is not trusted: it is kept in its band, with no dialogs, no
// clipboard, no new windows, no console output, no local files, no permissions and nothing stored on
// disk, and it never navigates away. It never receives a click or a key either; a link the user clicks
// opens in their own browser, once per click.
#pragma once

#include <QWidget>

class QWebEnginePage;
class QWebEngineView;

class BannerView : public QWidget {
    Q_OBJECT
public:
    // The banner view inside the placeholder `wbBanner`, made on first use.
    static BannerView* In(QWidget* wbBanner);

    void Navigate(const QString& address);
    QWebEngineView* view() const { return view_; }

signals:
    // The page finished loading (or failed to).
    void loadFinished(bool ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit BannerView(QWidget* parent);
    // Opens the link at `point` (in the page's CSS pixels) in the browser, if there is one.
    void OpenLinkAt(const QPointF& point);

    QWebEngineView* view_;
    QWebEnginePage* page_ = nullptr;
    bool pressed_ = false; // the left button went down on the view and has not come up yet
};

// Prepares the web engine for this process before the application object exists: without a sandbox when
// the process runs as root (the engine refuses to start otherwise), with it for everyone else, and with
// its start-up report kept off the terminal. Does nothing in a build without the banner.
void PrepareWebEngine();
