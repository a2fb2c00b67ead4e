// The main window: the list of entries, the command buttons and menus around it, the status line and
// the banner's place.
#pragma once

#include "FindBox.h"
#include "ListView.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;

class QToolButton;

// It shows the entries of the run's vault; every change to them (add, edit, delete) and what it cannot do
// itself (the help and about windows, the website) it asks for with a signal.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(EntryStore* entries, QWidget* parent = nullptr);
    ~MainWindow() override;

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

    // Caption, website button, columns and status panel; then `loaded` asks for the vault to be opened.
    void Form_Load();
    // Sizes the list to the window; nothing else moves.
    void Form_Resize();
    // Closing is never refused.
    bool Form_QueryUnload();
    // Takes a copied field off the clipboard; `closing` then ends the program.
    void Form_Unload();
    // Shows the window once the master password is accepted or created, with its icon and the banner's room.
    void afterFormLoad();

    // The commands, from the buttons and the menus.
    void cmdAdd_Click(int index = 0);
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdGoto_Click();
    void cmdCopy_Click(int index);
    void lstPass_ColumnClick(int header);
    void cmdWebsite_Click(int index = 0);

    // The text Go To hands to the desktop for a location: "http://" goes in front of a web address
    // without a scheme (the rule is webAddress::GotoTarget's).
    static QString GotoTarget(const QString& location);

    // Find: Ctrl+F opens the find box; F3 and Shift+F3 select the next and the previous entry whose
    // username or location holds its text, going round at the ends. Finding only selects: every row
    // stays, and so does what a save writes.
    void OpenFind();
    void FindNext(bool forward);
    FindBox* findBox() const { return findBox_; }

    void SetStatusText(const QString& text);
    // Selects the entry at a position (a change put it back there).
    void SelectEntry(int position);
    // Selects that entry alone, makes it current and brings it into view.
    void SelectOnly(int position);
    // The texts of the first selected entry, if one is selected.
    std::optional<ListEntry> SelectedEntry() const;
    QString StatusText() const;
    QLabel* StatusPanel() const { return statusPanel_; }

signals:
    void loaded();                                          // the window is laid out: open the vault
    void addRequested();                                    // Add: an empty editor
    void editRequested(quint64 id, const ListEntry& entry); // Edit: the editor for this entry
    void removeRequested(quint64 id);                       // Delete, confirmed: remove this entry
    void helpRequested();
    void aboutRequested();
    void websiteRequested();
    void closing();                   // the window has closed: the program ends
    void bannerDue();                 // the window and its list are painted: the banner may start
    void windowMade(QWidget* window); // a window of its own (the find box), to be given the program's look

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectCommands();

    void ReportFind(const QString& result);

    QPointer<FindBox> findBox_;
    QLabel* statusPanel_ = nullptr;
    quint64 gotoLaunches_ = 0; // Go To's openers started: only the latest one's failure is reported
};
