// The main window: the list of entries, the commands around it and the status line.
#pragma once

#include "ListView.h"
#include "VaultFormat.h"

#include <QMainWindow>
#include <vector>

class QLabel;
class QStatusBar;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The program's one main window, or nullptr before it is made.
    static Form1* instance();

    ListView* lstPass = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // Sets the caption and the list's columns, then opens the vault (which shows the password dialog).
    void Form_Load();
    // Finishes start-up once the master password is accepted or created.
    void afterFormLoad();

    // Appends entries to the list, in their order.
    void ShowEntries(const std::vector<vault::Entry>& entries);
    // The list's rows in display order, as entries.
    std::vector<vault::Entry> Entries() const;
    void SetStatusText(const QString& text);
    QString StatusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* statusPanel_ = nullptr;
};
