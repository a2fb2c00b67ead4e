#include "Startup.h"

#include "Program.h"
#include "ProgramIcon.h"
#include "Seams.h"
#include "SingleInstance.h"
#include "VaultFile.h"
#include "WindowAccessibility.h"

#include <QApplication>
#include <QFont>
#include <cstdio>

namespace {

// A path as a terminal shows it: a folder's name may hold control characters, which a terminal would
// take as commands, or direction marks that would show it in another order.
QString Printable(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            c = QLatin1Char('?');
        }
    }
    return text;
}

// One line on the terminal (if any) for a start that ends at once, so that a start from a shell does not
// end in silence. It goes to standard error with the program's other messages on the terminal: standard
// output stays for what was asked for (--help, --version).
void ReportHandOver(const QString& product, const QString& vaultPath, SingleInstance::HandOver handOver) {
    QString outcome;
    switch (handOver) {
    case SingleInstance::HandOver::Raised:
        outcome = QStringLiteral("its window was brought to the front.");
        break;
    case SingleInstance::HandOver::Asked:
        outcome = QStringLiteral("it was asked to bring its window to the front.");
        break;
    case SingleInstance::HandOver::Unanswered:
        outcome = QStringLiteral("it does not answer, and this start ends without opening the file.");
        break;
    }
    const QString line = QStringLiteral("%1 is already open on %2: %3\n").arg(product, Printable(vaultPath), outcome);
    std::fputs(line.toLocal8Bit().constData(), stderr);
}

} // namespace

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
        seams::messageBox(QStringLiteral("%1 could not find the folder it was started from, where it keeps its vault "
                                         "data.enc, and ends without opening or creating anything.")
                              .arg(build.productName),
                          {.icon = seams::Icon::Critical});
        return 1;
    }
    // Before any window: a start on a vault that another Keyshelf has open shows nothing of its own, and
    // never reads or writes the file.
    const QString vaultPath = QString::fromStdString(vault::VaultPath(folder.toStdString()));
    SingleInstance instance(vaultPath);
    if (instance.ClaimVault() == SingleInstance::Claim::Elsewhere) {
        ReportHandOver(build.productName, vaultPath, instance.handOver());
        return 0;
    }
    Program program(desktop, build);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &program, &Program::BringToFront);
    program.Start();
    return app.exec();
}

} // namespace Startup
