// The baseline of the start-up benchmark: the least a Qt Widgets program does to meet the user as Keyshelf
// does. A frameless window of the splash's size comes first; after as long as the splash stays up, a
// dialog window of the password dialog's size and title takes its place, as the password dialog takes
// the splash's, so that memory is compared at the same point: that one window showing.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

// Sizes as the window designs give them, in twips (15 to the pixel): the splash picture 7170 x 4770, the
// password dialog's client area 6825 x 1800.
constexpr int kPerPixel = 15;
constexpr QSize kSplash(7170 / kPerPixel, 4770 / kPerPixel);
constexpr QSize kDialog(6825 / kPerPixel, 1800 / kPerPixel);
// The splash's timer: 75 ticks of 16 ms before the password dialog.
constexpr int kSplashMs = 75 * 16;

void Centre(QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(screen.center() - QPoint(window.width() / 2, window.height() / 2));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget splash(nullptr, Qt::Window | Qt::FramelessWindowHint);
    splash.setWindowTitle(QStringLiteral("Plain Window"));
    splash.setFixedSize(kSplash);
    Centre(splash);
    splash.show();

    QWidget dialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(QStringLiteral("Password Required"));
    dialog.setFixedSize(kDialog);
    QTimer::singleShot(kSplashMs, &dialog, [&dialog, &splash] {
        Centre(dialog);
        dialog.show();
        splash.hide();
    });
    return app.exec();
}
