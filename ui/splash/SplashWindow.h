// The splash window, where every run begins: the product's picture while the program starts.
#pragma once

#include <QWidget>

class QTimer;
class Skin;

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    // Sized to its picture, centred, its timer running: the caller shows it.
    explicit SplashWindow(QWidget* parent = nullptr);

    // The skin control, which carries the whole skin.
    Skin* skin() const { return skin_; }

    // The timer's period here. Window timers on the desktop the designs come from fire about every
    // 16 ms whatever they ask for, so 75 ticks make the splash last about 1.2 seconds.
    static constexpr int kTickMs = 16;
    static constexpr int kTicks = 75;

public slots:
    // A tick of the timer; on the 75th `finished` is sent and the splash hides.
    void onSplashTimeout();

signals:
    // The splash has shown long enough: the main window is due.
    void finished();

private:
    Skin* skin_ = nullptr;
    QTimer* timer_ = nullptr;
    int ticks_ = 0;
};
