// The main window: the list of entries, the command buttons and menus around it, the status line and
// the banner's place.
#pragma once

#include "ListView.h"
#include "SingleForm.h"
#include "EntryTable.h"
#include "VaultFormat.h"

#include <QMainWindow>
#include <array>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;

class MainWindow : public QMainWindow, public SingleForm<MainWindow> {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

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

    // The commands, from the buttons and the menus.
    void cmdAdd_Click(int index = 0);
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdGoto_Click();
    void cmdCopy_Click(int index);
    void mnuFileItem_Click(int index);
    void mnuDataItem_Click(int index);
    void mnuCopyItem_Click(int index);
    void mnuHelpItem_Click(int index);
    void mnuAboutItem_Click(int index);
    void lstPass_ColumnClick(int header);
    void cmdWebsite_Click(int index = 0);

    // The text Go To hands to the desktop for a location: "http://" goes in front of a web address
    // without a scheme.
    static QString GotoTarget(const QString& location);

    // Appends entries to the list, in their order.
    void ShowEntries(const std::vector<vault::Entry>& entries);
    // Shows a loaded vault's entries, taking over the table that holds them.
    void ShowEntries(vault::EntryTable&& entries);
    void SetStatusText(const QString& text);
    QString StatusText() const;
    QLabel* StatusPanel() const { return statusPanel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectCommands();

    QLabel* statusPanel_ = nullptr;
    bool copied_ = false;   // a field was put on the clipboard this run
    QString copiedValue_;   // the last one
};
