// The main window's find box: a small window of its own, kept above the main window (its transient
// parent), so that no control of the designed window moves. Like every other window it is a top-level
// widget with no parent, so it takes the program's palette and skin as they do. It opens over the bottom right corner
// of the list, away from the commands, and the list brings each entry found to its middle, clear of the box. It takes
// the text to look for and asks for the next or previous entry holding it; the main window selects that entry and
// reports the result, which the box shows too.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;

class FindBox : public QWidget {
    Q_OBJECT
public:
    explicit FindBox(QWidget* owner);

    QString text() const;
    // Shows the box with its text selected: the first time with its bottom right corner at `corner` (in
    // screen coordinates), later where the user left it.
    void openAt(const QPoint& corner);
    void showResult(const QString& result);

signals:
    void findRequested(bool forward); // Enter or F3 forward, Shift+Enter or Shift+F3 back
    void closed();                    // Escape or the close box

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* text_ = nullptr;
    QLabel* result_ = nullptr;
    QPointer<QWidget> owner_;
    bool placed_ = false;
};
