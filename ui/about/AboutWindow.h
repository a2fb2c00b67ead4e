// The about window: the product's name, version, owner and website.
#pragma once

#include <QWidget>

class QLabel;

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCompany = nullptr;
    QLabel* lblWebsite = nullptr;
    // The skinned labels: element 0 is the hidden template; skinning adds one per plain label.
    QList<QLabel*> SkinLabel1;

    // Fills in the product's name, version, owner and website; with skinning on, clones the labels
    // into skinned labels and skins the window.
    void Form_Load();
    // Asks for the product's website.
    void lblWebsite_Click();

signals:
    void websiteRequested();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CloneLabels();
    // Gives the link and the product's name text colours that can be read on what lies behind them, in
    // the window's palette of the moment.
    void FitColours();
};
