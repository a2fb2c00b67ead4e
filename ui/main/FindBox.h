// The main window's find box: a small panel inside the main window, laid over the bottom right corner of
// the list, away from the commands; the list brings each entry found to its middle, clear of the box. Being
// part of the window it goes wherever the window goes, on every desktop (a window of its own could not
// be placed beside the main window under Wayland), takes the window's look, and moves no designed control.
// It takes the text to look for and asks for the next or previous entry holding it; the main window selects
// that entry and reports the result, which the box shows too.
#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;

class FindBox : public QFrame {
    Q_OBJECT
public:
    explicit FindBox(QWidget* window);

    QString text() const;
    // Shows the box with its bottom right corner at `corner` (in the window's coordinates), above the
    // window's controls, with its text selected.
    void openAt(const QPoint& corner);
    // Keeps an open box's bottom right corner at `corner` (the window was resized).
    void keepAt(const QPoint& corner);
    void showResult(const QString& result);

signals:
    void findRequested(bool forward); // Enter forward, Shift+Enter back (F3 and Shift+F3 are the window's)
    void closed();                    // Escape

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* text_ = nullptr;
    QLabel* result_ = nullptr;
};
