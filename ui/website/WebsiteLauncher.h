// The website launcher: a window without content that opens the product's website and closes itself
// a second later.
#pragma once

#include <QWidget>

class QTimer;

namespace website {
// The address the launcher opens for a website address: "http://" goes in front of one without a scheme.
QString LaunchAddress(const QString& address);
} // namespace website

class WebsiteLauncher : public QWidget {
    Q_OBJECT
public:
    explicit WebsiteLauncher(QWidget* parent = nullptr);

    QTimer* Timer1 = nullptr;

    // Opens the product's website when asked to.
    void Form_Load(bool openWebsite);
    // A second after creation: the launcher goes.
    void Timer1_Timer();

    // The main window has closed while this one showed: end the program when it goes.
    void EndProgramWhenClosed() { endProgram_ = true; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool endProgram_ = false;
};
