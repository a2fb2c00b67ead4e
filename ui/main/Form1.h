// The main window: the list of entries, the command buttons and menus around it, the status line and
// the banner's place.
#pragma once

#include "ListView.h"
#include "SingleForm.h"
#include "VaultFormat.h"

#include <QMainWindow>
#include <array>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;

class Form1 : public QMainWindow, public SingleForm<Form1> {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    std::array<QToolButton*, 1> cmdAdd{};
    QToolButton* cmdEdit = nullptr;
    QToolButton* cmdDelete = nullptr;
    std::array<QToolButton*, 1> cmdWebsite{};
    ListView* lstPass = nullptr;
    std::array<QToolButton*, 3> cmdCopy{};
    QToolButton* cmdGoto = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* wbPicture = nullptr;
    QWidget* wbBanner = nullptr;

    QMenu* mnuFile = nullptr;
    QMenu* mnuData = nullptr;
    QMenu* mnuCopy = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuAbout = nullptr;
    std::array<QAction*, 1> mnuFileItem{};
    std::array<QAction*, 4> mnuDataItem{};
    std::array<QAction*, 3> mnuCopyItem{};
    std::array<QAction*, 1> mnuHelpItem{};
    std::array<QAction*, 1> mnuAboutItem{};

    // Caption, website button, columns and status panel, then the vault (which opens the password dialog).
    void Form_Load();
    // Sizes the list to the window; nothing else moves.
    void Form_Resize();
    // Closing is never refused.
    bool Form_QueryUnload();
    // Closes the other windows and ends the program.
    void Form_Unload();
    // Finishes start-up once the master password is accepted or created.
    void afterFormLoad();

    // Appends entries to the list, in their order.
    void ShowEntries(const std::vector<vault::Entry>& entries);
    // The list's rows in display order, as entries.
    std::vector<vault::Entry> Entries() const;
    void SetStatusText(const QString& text);
    QString StatusText() const;
    QLabel* StatusPanel() const { return statusPanel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* statusPanel_ = nullptr;
    bool loaded_ = false;
};
