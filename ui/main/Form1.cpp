#include "Form1.h"

#include "Identity.h"
#include "modGlobals.h"
#include "modIcon.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

namespace {
Form1* gInstance = nullptr;
}

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    gInstance = this;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    lstPass = new ListView(this);
    lstPass->setObjectName(QStringLiteral("lstPass"));
    setCentralWidget(lstPass);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    setStatusBar(StatusBar1);
    resize(601, 437);
}

Form1::~Form1() {
    if (gInstance == this) {
        gInstance = nullptr;
    }
}

Form1* Form1::instance() {
    return gInstance;
}

void Form1::Form_Load() {
    setWindowTitle(QString::fromUtf8(identity::ProductName) + QStringLiteral(" by ") +
                   QString::fromUtf8(identity::CompanyName));
    lstPass->addColumnHeader(QStringLiteral("Username"), 2355);
    lstPass->addColumnHeader(QStringLiteral("Password"), 2355);
    lstPass->addColumnHeader(QStringLiteral("Website/Location"), 4095);
    modGlobals::OpenVault();
}

void Form1::afterFormLoad() {
    modIcon::SetWindowIcon(this, QStringLiteral("AAA"), true);
    setVisible(true);
    modGlobals::UnloadPasswordDialog();
}

void Form1::ShowEntries(const std::vector<vault::Entry>& entries) {
    QList<ListItem> rows;
    rows.reserve(static_cast<qsizetype>(entries.size()));
    for (const vault::Entry& e : entries) {
        rows.append({QString::fromStdString(e.username), QString::fromStdString(e.password),
                     QString::fromStdString(e.location)});
    }
    lstPass->items()->addRows(rows);
}

std::vector<vault::Entry> Form1::Entries() const {
    std::vector<vault::Entry> entries;
    entries.reserve(static_cast<std::size_t>(lstPass->count()));
    for (int i = 1; i <= lstPass->count(); ++i) {
        const ListItem row = lstPass->items()->item(i);
        entries.push_back({row.text.toStdString(), row.sub1.toStdString(), row.sub2.toStdString()});
    }
    return entries;
}

void Form1::SetStatusText(const QString& text) {
    statusPanel_->setText(text);
}

void Form1::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

QString Form1::StatusText() const {
    return statusPanel_->text();
}
