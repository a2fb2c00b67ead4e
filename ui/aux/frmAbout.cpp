#include "frmAbout.h"

#include "Builder.h"

#include <QCloseEvent>

#include <QLabel>

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmAbout);
    Picture1 = findChild<QLabel*>(QStringLiteral("Picture1"));
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    lblVersion = findChild<QLabel*>(QStringLiteral("lblVersion"));
    lblCompany = findChild<QLabel*>(QStringLiteral("lblCompany"));
    lblWebsite = findChild<QLabel*>(QStringLiteral("lblWebsite"));
    // The website's address in pure blue.
    QPalette palette = lblWebsite->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWebsite->setPalette(palette);
    Register(this);
}

void frmAbout::Form_Load() {}

void frmAbout::closeEvent(QCloseEvent* event) {
    Unregister(this);
    QWidget::closeEvent(event);
}
