#include "Startup.h"

#include "Identity.h"
#include "Seams.h"
#include "VaultFile.h"
#include "modIcon.h"

#include <QApplication>
#include <QFont>

namespace Startup {

int Run(QApplication&) {
    const QString product = QString::fromUtf8(identity::ProductName);
    QApplication::setApplicationName(product);
    QApplication::setOrganizationName(product);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(identity::VersionMajor).arg(identity::VersionMinor));
    // The designs name Windows fonts; draw them with a font every Linux desktop has.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QApplication::setWindowIcon(modIcon::LoadIcon(QStringLiteral("AAA")));

    // The windows come next; for now a run prepares the vault file and says what it found.
    const std::string path = modGlobals::VaultPath(seams::ExecutableDir().toStdString());
    const auto master = modGlobals::ReadMasterPassword(path);
    if (!master) {
        seams::MsgBox(QString::fromStdString(master.error().Message()), seams::vbCritical, QStringLiteral("Error"));
        return 1;
    }
    seams::MsgBox(master->empty() ? QStringLiteral("The vault %1 is ready for a master password to be created.")
                                        .arg(QString::fromStdString(path))
                                  : QStringLiteral("The vault %1 holds a master password.")
                                        .arg(QString::fromStdString(path)),
                  seams::vbInformation);
    return 0;
}

} // namespace Startup
