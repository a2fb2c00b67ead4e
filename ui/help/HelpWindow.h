// The help window: Help.rtf in a read-only rich-text view, and whether to show it at start-up.
#pragma once

#include <QWidget>

class QCheckBox;
class QTextEdit;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Shows Help.rtf from the program's folder (an empty view when it cannot be read), stays on top and
    // sets the box from the setting "showHelp".
    explicit HelpWindow(QWidget* parent = nullptr);

    // Whether Help.rtf is in the program's folder: without it there is no help window.
    static bool hasDocument();

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadDocument();
    // Writes the box's state to the setting "showHelp".
    void saveShowAtStartup();
    // Shows the document's colours where they can be read on the view's background, and lighter or darker
    // ones of the same hue where they cannot.
    void fitColours();

    QTextEdit* view_ = nullptr;
    QCheckBox* showAtStartup_ = nullptr;
};
