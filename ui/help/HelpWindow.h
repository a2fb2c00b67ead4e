// The help window: Help.rtf in a read-only rich-text view, and whether to show it at start-up.
#pragma once


#include <QWidget>

class QCheckBox;
class QTextEdit;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    QTextEdit* rtf1 = nullptr;
    QCheckBox* Check1 = nullptr;

    // Shows Help.rtf from the program's folder, stays on top and sets the box from the setting "showHelp".
    // Without the document the window closes again unseen.
    void Form_Load();
    // Writes the box's state to the setting "showHelp".
    void Check1_Click();

    static QString HelpPath();

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the document's colours where they can be read on the view's background, and lighter or darker
    // ones of the same hue where they cannot.
    void FitColours();
};
