#include "frmWebsite.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Seams.h"

#include <QCloseEvent>
#include <QTimer>

namespace website {

QString strLaunchMode;

QString LaunchAddress(const QString& address) {
    if (address.contains(QLatin1String("https://"), Qt::CaseInsensitive) ||
        address.contains(QLatin1String("http://"), Qt::CaseInsensitive)) {
        return address;
    }
    return QStringLiteral("http://") + address;
}

} // namespace website

frmWebsite::frmWebsite(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmWebsite);
    Timer1 = findChild<QTimer*>(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &frmWebsite::Timer1_Timer);
    Register(this);
}

void frmWebsite::Form_Load() {
    buildConfig::ApplyBuildConfiguration();
    if (website::strLaunchMode != QStringLiteral("Website")) {
        return;
    }
    seams::ShellOpen(website::LaunchAddress(buildConfig::strComments));
    website::strLaunchMode.clear();
}

void frmWebsite::Timer1_Timer() {
    close();
}

void frmWebsite::closeEvent(QCloseEvent* event) {
    Unregister(this);
    event->accept();
    if (endProgram_) {
        seams::EndProgram();
    }
}
