// Tells when nobody has used Keyshelf's windows, by keyboard or mouse, for a set time.
#pragma once

#include <QObject>
#include <QTimer>

class IdleWatch : public QObject {
    Q_OBJECT
public:
    explicit IdleWatch(QObject* parent = nullptr);
    ~IdleWatch() override;

    // Starts the wait again with `minutes` (0: never tells).
    void setMinutes(int minutes);

signals:
    void idle();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer timer_;
};
