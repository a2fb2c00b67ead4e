// The banner's web view: a page from the banner address in a band of the main window. It is made only
// when the banner is shown, so that start-up does not wait for the web engine.
//
// The page is kept in its band: no error pages, no clipboard, no new windows, no local files, no
// permissions, nothing stored on disk. A link the user follows opens in their own browser instead.
#pragma once

#include <QWidget>

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

private:
    explicit BannerView(QWidget* parent);
    QWebEngineView* view_;
};

// Prepares the web engine for this process before the application object exists: without a sandbox when
// the process runs as root (the engine refuses to start otherwise), with it for everyone else.
void PrepareWebEngine();
