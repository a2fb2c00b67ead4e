// The website launcher: a window without content that opens the product's website and closes itself
// a second later.
#pragma once

#include <QWidget>

namespace website {
// The address the launcher opens for a website address: "http://" goes in front of one without a scheme.
QString LaunchAddress(const QString& address);
} // namespace website

class WebsiteLauncher : public QWidget {
    Q_OBJECT
public:
    // Closes itself a second after it is made.
    explicit WebsiteLauncher(QWidget* parent = nullptr);

    // Opens the product's website in the user's browser.
    void openWebsite();
    // The main window has closed while this one showed: end the program when it goes.
    void endProgramWhenClosed() { endProgram_ = true; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool endProgram_ = false;
};
