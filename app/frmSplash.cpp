#include "frmSplash.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Form1.h"
#include "Skin.h"
#include "modSkin.h"

#include <QLabel>
#include <QTimer>

frmSplash::frmSplash(QWidget* parent) : QWidget(parent) {
    layouts::Build(this, layouts::frmSplash, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        return c.kind == layouts::Kind::SkinControl ? new Skin(parent) : nullptr;
    });
    Image1 = findChild<QLabel*>(QStringLiteral("Image1"));
    skn = findChild<Skin*>(QStringLiteral("skn"));
    Timer2 = findChild<QTimer*>(QStringLiteral("Timer2"));
    connect(Timer2, &QTimer::timeout, this, &frmSplash::Timer2_Timer);
    Register(this);
}

void frmSplash::Form_Load() {
    setFixedSize(Image1->size());
    buildConfig::ApplyBuildConfiguration();
    if (buildConfig::blnSkin) {
        modSkin::SkinSplash(this, skn);
    }
    layouts::CentreOnScreen(this);
    Timer2->setInterval(kTickMs);
    Timer2->start();
}

void frmSplash::Timer2_Timer() {
    intTemp = static_cast<qint16>(intTemp + 2);
    if (intTemp != 150) {
        return;
    }
    Timer2->stop();
    modSkin::SkinStartUp();
    if (Form1* main = Form1::Open()) {
        main->show();
    }
    hide();
    setVisible(false);
}
