// The window that shows what importing a CSV file would do before anything is stored: the program that
// wrote the file, how many entries are added, skipped and refused (every refused row with its reason), the
// columns no entry keeps, and the choice for a login the list holds with another password: beside it, or
// its new password.
#pragma once

#include "CsvImport.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

class ImportDialog : public QDialog {
    Q_OBJECT
public:
    // What the import would do, for the choice given: the owner plans it against the list.
    using Planner = std::function<vault::ImportPlan(bool replacePasswords)>;

    ImportDialog(const QString& fileName, const vault::ImportFile& file, Planner planner, QWidget* parent = nullptr);

    // The person's choice for logins the list holds with another password.
    bool replacePasswords() const;

private:
    void showPlan();

    const vault::ImportFile& file_;
    Planner planner_;
    QScrollArea* reportArea_ = nullptr;
    QLabel* report_ = nullptr;
    QRadioButton* besideButton_ = nullptr;
    QRadioButton* replaceButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
};
