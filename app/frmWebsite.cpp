#include "frmWebsite.h"

#include "Builder.h"
#include "Seams.h"

#include <QCloseEvent>
#include <QTimer>

frmWebsite::frmWebsite(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmWebsite);
    Timer1 = findChild<QTimer*>(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &frmWebsite::Timer1_Timer);
    Register(this);
}

void frmWebsite::Form_Load() {}

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
