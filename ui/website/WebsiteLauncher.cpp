#include "WebsiteLauncher.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Seams.h"
#include "WebAddress.h"

#include <QCloseEvent>
#include <QTimer>

namespace website {

QString strLaunchMode;

QString LaunchAddress(const QString& address) {
    return webAddress::WithWebScheme(address);
}

} // namespace website

WebsiteLauncher::WebsiteLauncher(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmWebsite);
    Timer1 = findChild<QTimer*>(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &WebsiteLauncher::Timer1_Timer);
    Register(this);
}

void WebsiteLauncher::Form_Load() {
    buildConfig::ApplyBuildConfiguration();
    if (website::strLaunchMode != QStringLiteral("Website")) {
        return;
    }
    seams::ShellOpen(website::LaunchAddress(buildConfig::strComments));
    website::strLaunchMode.clear();
}

void WebsiteLauncher::Timer1_Timer() {
    close();
}

void WebsiteLauncher::closeEvent(QCloseEvent* event) {
    Unregister(this);
    event->accept();
    if (endProgram_) {
        seams::EndProgram();
    }
}
