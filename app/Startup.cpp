#include "Startup.h"

#include "Program.h"
#include "ProgramIcon.h"
#include "Seams.h"
#include "SingleInstance.h"
#include "VaultFile.h"
#include "WindowAccessibility.h"

#include <QApplication>
#include <QFont>

namespace Startup {

void PrepareApplication(const BuildConfiguration& build) {
    QApplication::setApplicationName(build.productName);
    QApplication::setOrganizationName(build.productName);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2").arg(build.versionMajor).arg(build.versionMinor));
    // The designs name Windows fonts; draw them with a font every Linux desktop has.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QApplication::setWindowIcon(programIcon::LoadIcon(QStringLiteral("AAA")));
    windowAccessibility::Install();
    // Windows come and go during start-up while none is visible; the program ends when the main window
    // closes, not when the last window happens to.
    QApplication::setQuitOnLastWindowClosed(false);
}

int Run(QApplication& app, Desktop& desktop, const BuildConfiguration& build) {
    // Before the program is made, start-up itself goes through the desktop it was given.
    const seams::DesktopInUse desktopInUse(desktop);
    const buildConfig::InUse buildInUse(build);
    PrepareApplication(build);
    // The vault lives beside the program. Without its folder the path would be "/data.enc", or relative to
    // wherever the program was started: say so and make nothing.
    const QString folder = seams::ExecutableDir();
    if (folder.isEmpty()) {
        seams::MsgBox(QStringLiteral("%1 could not find the folder it was started from, where it keeps its vault "
                                     "data.enc, and ends without opening or creating anything.")
                          .arg(build.productName),
                      seams::vbCritical);
        return 1;
    }
    // Before any window: a start on a vault that another Keyshelf has open shows nothing of its own, and
    // never reads or writes the file.
    SingleInstance instance(QString::fromStdString(vault::VaultPath(folder.toStdString())));
    if (instance.ClaimVault() == SingleInstance::Claim::Elsewhere) {
        return 0;
    }
    Program program(desktop, build);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &program, &Program::BringToFront);
    program.Start();
    return app.exec();
}

} // namespace Startup
