// The main window: the list of entries, the command buttons and menus around it, the status line and
// the banner's place.
#pragma once

#include "FindBox.h"
#include "ListView.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <optional>

class QLabel;
class QStatusBar;
class QToolButton;

namespace layouts {
struct MainWindowDesign;
template <class Design> class Built;
} // namespace layouts

// It shows the entries of the run's vault; every change to them (add, edit, delete) and what it cannot do
// itself (the help and about windows, the website) it asks for with a signal.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    using Field = vault::Field;

    // Laid out with the product's caption, the website button, the list's columns and the status line.
    // Whoever made it shows it; the password dialog keeps it out of sight until showUnlocked.
    explicit MainWindow(EntryStore* entries, QWidget* parent = nullptr);

    // Shows the window once the master password is accepted or created, with its icon and the banner's room,
    // cut to the screen's free area when that is smaller.
    void showUnlocked();

    void setStatusText(const QString& text);
    // Selects the entry at a position (a change put it back there).
    void selectEntry(int position);
    // Selects that entry alone, makes it current and brings it into view.
    void selectOnly(int position);
    // The texts of the first selected entry, if one is selected.
    std::optional<ListEntry> selectedEntry() const;

    // The find box, while it exists.
    FindBox* findBox() const { return findBox_; }

    // Where the banner goes: the band above the list, and the picture shown in its place until then.
    struct BannerPlace {
        QWidget* band;
        QWidget* picture;
    };
    BannerPlace bannerPlace() const { return {bannerPlace_, bannerPicture_}; }

public slots:
    // The commands, from the buttons, the menus and the list's keys. Each that needs an entry acts on the
    // first selected one, and says on the status line when none is selected.
    void addEntry();
    void editEntry();
    // Asks first; a confirmed delete is asked of the program with removeRequested.
    void deleteEntry();
    // Go To: hands the entry's location to the desktop's opener.
    void openLocation();
    // Puts the field on the clipboard, marked as secret and cleared a set time later, on locking and when
    // the program ends.
    void copyField(Field field);
    // A click on the header of `column` (1 for the first).
    void sortByColumn(int column);
    void openWebsite();

    // Find: Ctrl+F opens the find box; F3 and Shift+F3 select the next and the previous entry whose
    // username or location holds its text, going round at the ends. Finding only selects: every row
    // stays, and so does what a save writes.
    void openFind();
    void findNext(bool forward);

signals:
    void addRequested();                                    // Add: an empty editor
    void editRequested(quint64 id, const ListEntry& entry); // Edit: the editor for this entry
    void removeRequested(quint64 id);                       // Delete, confirmed: remove this entry
    void helpRequested();
    void aboutRequested();
    void websiteRequested();
    void closing();   // the window has closed: the program ends
    void bannerDue(); // the window and its list are painted: the banner may start
    // Ctrl+I (no file yet: one is to be chosen), or a .csv file dropped on the window.
    void importRequested(const QString& path);
    // Ctrl+L: every window hides until the master password is typed again.
    void lockRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Closing is never refused: a copied field leaves the clipboard, then `closing` ends the program.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void connectCommands(const layouts::Built<layouts::MainWindowDesign>& built);
    // Sizes the list to the window; nothing else moves.
    void fitListToWindow();
    // Cuts the window to the screen's free area when it does not fit there.
    void keepOnScreen();
    void reportFind(const QString& result);
    // Where the find box's bottom right corner goes, in the window's coordinates.
    QPoint findBoxCorner() const;
    // F10: the menu bar takes the keys with its first menu's title highlighted.
    void enterMenuBar();

    QToolButton* addButton_ = nullptr;
    QToolButton* editButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QToolButton* gotoButton_ = nullptr;
    QToolButton* websiteButton_ = nullptr;
    vault::FieldValues<QToolButton*> copyButtons_{}; // none for a field that has no button
    ListView* list_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusPanel_ = nullptr; // the status line: the bar's first panel
    QWidget* bannerPlace_ = nullptr;
    QWidget* bannerPicture_ = nullptr;

    QPointer<FindBox> findBox_;
    quint64 gotoLaunches_ = 0; // Go To's openers started: only the latest one's failure is reported
};
