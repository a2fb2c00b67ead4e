#include "SplashWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Skin.h"

#include <QLabel>
#include <QTimer>

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent) {
    layouts::Build(this, layouts::frmSplash, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        return c.kind == layouts::Kind::SkinControl ? new Skin(parent) : nullptr;
    });
    Image1 = findChild<QLabel*>(QStringLiteral("Image1"));
    skn = findChild<Skin*>(QStringLiteral("skn"));
    Timer2 = findChild<QTimer*>(QStringLiteral("Timer2"));
    connect(Timer2, &QTimer::timeout, this, &SplashWindow::Timer2_Timer);
    // Its title is never shown (the window has no frame); a screen reader names it by the product.
    setAccessibleName(buildConfig::strProductName);
}

void SplashWindow::Form_Load() {
    setFixedSize(Image1->size());
    layouts::CentreOnScreen(this);
    Timer2->setInterval(kTickMs);
    Timer2->start();
}

void SplashWindow::Timer2_Timer() {
    intTemp = static_cast<qint16>(intTemp + 2);
    if (intTemp != 150) {
        return;
    }
    Timer2->stop();
    emit finished();
    hide();
    setVisible(false);
}
