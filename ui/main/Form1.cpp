#include "Form1.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Twips.h"
#include "Form8.h"
#include "Seams.h"
#include "frmAbout.h"
#include "frmSplash.h"
#include "frmWebsite.h"
#include "modGlobals.h"
#include "modIcon.h"
#include "modSkin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>
#include <cstdlib>

namespace {

template <class T> T* Find(QObject* window, const QString& name) {
    return window->findChild<T*>(name);
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    layouts::Build(this, layouts::Form1, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        switch (c.kind) {
        case layouts::Kind::ListView:
            return new ListView(parent);
        case layouts::Kind::WebBrowser: {
            // The web view itself is made only when the banner is shown; until then this is its place.
            auto* place = new QWidget(parent);
            place->setFocusPolicy(Qt::NoFocus);
            return place;
        }
        default:
            return nullptr;
        }
    });
    cmdAdd[0] = Find<QToolButton>(this, "cmdAdd(0)");
    cmdEdit = Find<QToolButton>(this, "cmdEdit");
    cmdDelete = Find<QToolButton>(this, "cmdDelete");
    cmdWebsite[0] = Find<QToolButton>(this, "cmdWebsite(0)");
    lstPass = Find<ListView>(this, "lstPass");
    for (int i = 0; i < 3; ++i) {
        cmdCopy[i] = Find<QToolButton>(this, QStringLiteral("cmdCopy(%1)").arg(i));
    }
    cmdGoto = Find<QToolButton>(this, "cmdGoto");
    StatusBar1 = Find<QStatusBar>(this, "StatusBar1");
    wbPicture = Find<QLabel>(this, "wbPicture");
    wbBanner = Find<QWidget>(this, "wbBanner");
    mnuFile = Find<QMenu>(this, "mnuFile");
    mnuData = Find<QMenu>(this, "mnuData");
    mnuCopy = Find<QMenu>(this, "mnuCopy");
    mnuHelp = Find<QMenu>(this, "mnuHelp");
    mnuAbout = Find<QMenu>(this, "mnuAbout");
    auto items = [this](auto& group, const char* name) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            group[i] = Find<QAction>(this, QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
        }
    };
    items(mnuFileItem, "mnuFileItem");
    items(mnuDataItem, "mnuDataItem");
    items(mnuCopyItem, "mnuCopyItem");
    items(mnuHelpItem, "mnuHelpItem");
    items(mnuAboutItem, "mnuAboutItem");

    // The status line is the bar's first panel.
    statusPanel_ = new QLabel(StatusBar1);
    statusPanel_->setObjectName(QStringLiteral("Panel1"));
    statusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->addWidget(statusPanel_);
    StatusBar1->setAccessibleName(QStringLiteral("Status"));
    lstPass->setAccessibleName(QStringLiteral("Entries"));
    Register(this);
}

void Form1::Form_Load() {
    using namespace buildConfig;
    setWindowTitle(strProductName + QStringLiteral(" by ") + strCompanyName);
    cmdWebsite[0]->setText(QStringLiteral("Visit ") + strComments);
    lstPass->addColumnHeader(QStringLiteral("Username"), layouts::Width(cmdCopy[0]) - 10);
    lstPass->addColumnHeader(QStringLiteral("Password"), layouts::Width(cmdCopy[1]) + 20);
    lstPass->addColumnHeader(QStringLiteral("Website/Location"), layouts::Width(cmdCopy[2]));
    statusPanel_->setFixedWidth(twips::ToPixels(std::abs(layouts::OuterWidth(this))));
    loaded_ = true;
    modGlobals::OpenVault();
}

void Form1::Form_Resize() {
    if (isMinimized() || lstPass == nullptr) {
        return;
    }
    lstPass->setWidth(std::abs(layouts::OuterWidth(this) - 2 * lstPass->Left()));
    lstPass->setHeight(std::abs(layouts::OuterHeight(this) - lstPass->Top() - 1000));
}

bool Form1::Form_QueryUnload() {
    return true;
}

void Form1::Form_Unload() {
    if (Form8* help = Form8::instance()) {
        help->close();
    }
    if (frmAbout* about = frmAbout::instance()) {
        about->close();
    }
    if (frmSplash* splash = frmSplash::instance()) {
        splash->close();
        splash->deleteLater();
    }
    frmWebsite* launcher = frmWebsite::instance();
    if (launcher != nullptr && launcher->isVisible()) {
        // The program ends when the launcher has closed itself.
        launcher->EndProgramWhenClosed();
        return;
    }
    if (launcher != nullptr) {
        launcher->close();
    }
    seams::EndProgram();
}

void Form1::afterFormLoad() {
    using namespace buildConfig;
    modIcon::SetWindowIcon(this, QStringLiteral("AAA"), true);
    if (blnSkin) {
        modSkin::SkinForm(this);
    }
    setVisible(true);
    if (blnBanner) {
        const int room = layouts::Height(wbBanner) + 50;
        layouts::SetOuterHeight(this, std::abs(room + layouts::OuterHeight(this)));
        lstPass->setTop(std::abs(room + lstPass->Top()));
        // The list keeps its bottom where the resize rule puts it, below the band it made room for.
        Form_Resize();
        modSkin::ShowBanner(this);
    }
    if (seams::OpenSettings()->value(QStringLiteral("Settings/showHelp"), QStringLiteral("1")).toString() ==
        QStringLiteral("1")) {
        bool created = false;
        Form8* help = Form8::Load(&created);
        if (created) {
            help->Form_Load();
        }
        if (Form8::instance() != nullptr) {
            help->show();
        }
    }
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
    StatusBar1->setAccessibleDescription(text);
}

QString Form1::StatusText() const {
    return statusPanel_->text();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}
