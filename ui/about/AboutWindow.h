// The about window: the product's name, version, owner and website.
#pragma once

#include <QList>
#include <QWidget>

class QLabel;

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the product's name, version, owner and website; with skinning on, every plain label gets a
    // skinned twin, for the skin that whoever opened the window applies.
    explicit AboutWindow(QWidget* parent = nullptr);

signals:
    void websiteRequested(); // a click on the website's address
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cloneLabels(const QList<QLabel*>& plainLabels);
    // Gives the link and the product's name text colours that can be read on what lies behind them, in
    // the window's palette of the moment.
    void fitColours();

    QLabel* header_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* website_ = nullptr;
    // The skinned labels: the first is the design's hidden template; skinning adds one per plain label.
    QList<QLabel*> skinLabels_;
};
