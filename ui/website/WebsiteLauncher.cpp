#include "WebsiteLauncher.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Seams.h"
#include "WebAddress.h"

#include <QCloseEvent>
#include <QTimer>

namespace website {

QString LaunchAddress(const QString& address) {
    return webAddress::WithWebScheme(address);
}

} // namespace website

WebsiteLauncher::WebsiteLauncher(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmWebsite);
    Timer1 = findChild<QTimer*>(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &WebsiteLauncher::Timer1_Timer);
}

void WebsiteLauncher::Form_Load(bool openWebsite) {
    if (openWebsite) {
        seams::ShellOpen(website::LaunchAddress(buildConfig::strComments));
    }
}

void WebsiteLauncher::Timer1_Timer() {
    close();
}

void WebsiteLauncher::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
    if (endProgram_) {
        seams::EndProgram();
    }
}
