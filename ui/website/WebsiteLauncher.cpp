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
    const auto built = layouts::Build<layouts::WebsiteLauncherDesign>(this);
    connect(built.get<QTimer>(layouts::WebsiteLauncherDesign::Control::CloseTimer), &QTimer::timeout, this,
            &QWidget::close);
}

void WebsiteLauncher::openWebsite() {
    seams::ShellOpen(website::LaunchAddress(buildConfig::Current().comments));
}

void WebsiteLauncher::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
    if (endProgram_) {
        seams::EndProgram();
    }
}
