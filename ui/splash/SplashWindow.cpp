#include "SplashWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"

#include <QLabel>
#include <QTimer>

SplashWindow::SplashWindow(const SkinControlMaker& makeSkinControl, QWidget* parent) : QWidget(parent) {
    using Control = layouts::SplashWindowDesign::Control;
    const auto built = layouts::Build<layouts::SplashWindowDesign>(
        this, [&makeSkinControl](const layouts::Control& c, QWidget* parent) -> QWidget* {
            return c.kind == layouts::Kind::SkinControl && makeSkinControl ? makeSkinControl(parent) : nullptr;
        });
    skinControl_ = makeSkinControl ? built.get<QWidget>(Control::Skin) : nullptr;
    timer_ = built.get<QTimer>(Control::Timer);
    connect(timer_, &QTimer::timeout, this, &SplashWindow::onSplashTimeout);
    // Its title is never shown (the window has no frame); a screen reader names it by the product.
    setAccessibleName(buildConfig::Current().productName);

    setFixedSize(built.get<QLabel>(Control::Picture)->size());
    layouts::CentreOnScreen(this);
    timer_->setInterval(kTickMs);
    timer_->start();
}

void SplashWindow::onSplashTimeout() {
    if (++ticks_ != kTicks) {
        return;
    }
    timer_->stop();
    emit finished();
    hide();
}
