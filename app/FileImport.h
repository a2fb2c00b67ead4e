// Importing a CSV file into the run's vault from the main window: the file chosen when no path is given,
// the import dialog, one save, then the offer to delete the file, which holds every password in plain text.
#pragma once

#include "VaultSession.h"

#include <QString>
#include <functional>

class QWidget;

class FileImport {
public:
    // `report` tells the user what a save that failed means for them; `skin` gives a window made here the
    // skin's look.
    FileImport(VaultSession& session, std::function<void(const VaultSession::Outcome&)> report,
               std::function<void(QWidget*)> skin);

    // Imports `path`, chosen first when it is empty, with the dialog and the questions over `parent`.
    void run(QString path, QWidget* parent);

private:
    VaultSession& session_;
    std::function<void(const VaultSession::Outcome&)> report_;
    std::function<void(QWidget*)> skin_;
};
