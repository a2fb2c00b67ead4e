// Every window as a person sees it: each caption fits its control in this platform's fonts, and a picture
// of each window is kept in build/screenshots for a person to look at.
#include "AboutWindow.h"
#include "BuildConfiguration.h"
#include "Builder.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "FakeDesktop.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "PasswordDialog.h"
#include "Seams.h"
#include "SplashWindow.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultSession.h"
#include "WebsiteLauncher.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

// Captions wider than their control, or wrapped labels taller than theirs.
QStringList Clipped(QWidget* window) {
    QStringList clipped;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isHidden() || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) {
            continue;
        }
        const QFontMetrics metrics(w->font());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            const int padding = qobject_cast<QCheckBox*>(w) != nullptr ? 22 : 8;
            if (metrics.horizontalAdvance(b->text()) + padding > b->width()) {
                clipped << b->objectName() + " \"" + b->text() + "\"";
            }
        } else if (auto* l = qobject_cast<QLabel*>(w); l != nullptr && !l->text().isEmpty()) {
            const QRect needed =
                metrics.boundingRect(QRect(0, 0, l->width(), 10000), Qt::TextWordWrap | Qt::AlignLeft, l->text());
            if (needed.height() > l->height() + 1 || needed.width() > l->width()) {
                clipped << l->objectName() + " \"" + l->text().left(30) + "\"";
            }
        }
    }
    return clipped;
}

} // namespace

class WindowGalleryTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    std::unique_ptr<FakeDesktop> desktop;
    QString shots = QDir(QStringLiteral(KEYSHELF_SCREENSHOTS)).absolutePath();

    void keep(QWidget* window, const QString& name) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QDir().mkpath(shots);
        QVERIFY(window->grab().save(shots + "/window-" + name + ".png"));
        QCOMPARE(Clipped(window).join("; "), QString());
    }

private slots:
    void initTestCase() {
        Startup::PrepareApplication();
        desktop = std::make_unique<FakeDesktop>(folder.path());
    }
    void cleanup() { DestroyAllWindows(); }
    void cleanupTestCase() { desktop.reset(); }

    void mainWindow() {
        VaultSession session(folder.filePath("data.enc"));
        MainWindow main(session.entries());
        main.setStatusText("Loaded 3 entries");
        keep(&main, "main");
    }
    void passwordDialog() {
        QWidget dialog;
        layouts::Build(&dialog, layouts::PasswordDialogDesign::window);
        keep(&dialog, "password-as-created");
    }
    void editor() {
        QWidget editor;
        layouts::Build(&editor, layouts::EntryEditorDesign::window);
        keep(&editor, "editor-as-created");
    }
    void help() {
        HelpWindow help;
        keep(&help, "help-as-created");
    }
    void about() {
        AboutWindow about;
        keep(&about, "about-as-created");
    }
    void splash() {
        SplashWindow splash;
        Control<QTimer>(&splash, "Timer2")->stop(); // it would hide itself
        keep(&splash, "splash");
    }
    void websiteLauncher() {
        WebsiteLauncher launcher;
        Control<QTimer>(&launcher, "Timer1")->stop();
        keep(&launcher, "website-launcher");
    }
};

KEYSHELF_TEST_MAIN(WindowGalleryTest)
#include "WindowGalleryTest.moc"
