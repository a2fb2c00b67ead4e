// The splash window, where every run begins: the product's picture while the program starts.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;
class Skin;

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    Skin* skn = nullptr; // the skin control, which carries the whole skin
    QTimer* Timer2 = nullptr;
    // Counts the timer's ticks, two at a time.
    qint16 intTemp = 0;

    // Sizes the window to its picture, applies the build configuration and starts the timer.
    void Form_Load();
    // On the 75th tick: `finished` is sent and the splash hides.
    void Timer2_Timer();

    // The timer's period here. Window timers on the desktop the designs come from fire about every
    // 16 ms whatever they ask for, so 75 ticks make the splash last about 1.2 seconds.
    static constexpr int kTickMs = 16;

signals:
    // The splash has shown long enough: the main window is due.
    void finished();
};
