// The band's place in the main window. The web view itself is in the banner module (keyshelf-banner.so
// beside the program), which is loaded when the band starts, after the main window and its list are on
// the screen: the program links nothing of Qt WebEngine. Without the module the band stays blank.
#pragma once

#include <QWidget>

class BannerBand;

class Banner : public QWidget {
    Q_OBJECT
public:
    // The banner inside the placeholder `wbBanner`, made on first use (and the module loaded with it).
    static Banner* In(QWidget* wbBanner);

    void Navigate(const QString& address);
    // The module's band, which shows the page; null when the module could not be loaded.
    QWidget* band() const;

signals:
    // The page finished loading (or failed to).
    void loadFinished(bool ok);

private:
    explicit Banner(QWidget* parent);

    BannerBand* band_ = nullptr;
};

// Prepares the process for the web engine before the application object exists: without a sandbox when the
// process runs as root (the engine refuses to start otherwise), with it for everyone else, and with its
// start-up report kept off the terminal. Touches nothing of the engine, which starts only with the band.
// Does nothing in a build without the banner.
void PrepareWebEngine();

namespace banner {
// Where the module is loaded from: the program's own folder (never a path from the environment or the
// working folder), unless a test named another.
QString ModulePath();

namespace testing {
// Tests: the module to load instead of the one beside the program (the test programs live elsewhere).
void SetModulePath(const QString& path);
} // namespace testing
} // namespace banner
