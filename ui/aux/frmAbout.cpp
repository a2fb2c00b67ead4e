#include "frmAbout.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Identity.h"
#include "frmWebsite.h"
#include "modSkin.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmAbout);
    Picture1 = findChild<QLabel*>(QStringLiteral("Picture1"));
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    lblVersion = findChild<QLabel*>(QStringLiteral("lblVersion"));
    lblCompany = findChild<QLabel*>(QStringLiteral("lblCompany"));
    lblWebsite = findChild<QLabel*>(QStringLiteral("lblWebsite"));
    SkinLabel1.append(findChild<QLabel*>(QStringLiteral("SkinLabel1(0)")));
    // The website's address in pure blue, opened by a click.
    QPalette palette = lblWebsite->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWebsite->setPalette(palette);
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->installEventFilter(this);
    Register(this);
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + buildConfig::strProductName);
    Label1->setText(QString::fromUtf8(identity::ProductName));
    lblCompany->setText(QString::fromUtf8(identity::CompanyName));
    lblVersion->setText(QStringLiteral("%1.%2").arg(identity::VersionMajor).arg(identity::VersionMinor));
    lblWebsite->setText(QString::fromUtf8(identity::Comments));
    if (buildConfig::blnSkin) {
        CloneLabels();
        modSkin::SkinForm(this);
    }
}

void frmAbout::CloneLabels() {
    // Every plain label gets a skinned twin lying exactly over it, at the next index of the group.
    const QList<QWidget*> controls = findChildren<QWidget*>();
    for (QWidget* control : controls) {
        auto* label = qobject_cast<QLabel*>(control);
        if (label == nullptr || layouts::TypeName(label) != QStringLiteral("Label")) {
            continue;
        }
        auto* clone = new QLabel(label->parentWidget());
        clone->setObjectName(QStringLiteral("SkinLabel1(%1)").arg(SkinLabel1.size()));
        clone->setProperty("typeName", QStringLiteral("SkinLabel"));
        clone->setGeometry(label->geometry());
        clone->setFont(label->font());
        clone->setText(label->text());
        clone->setPalette(label->palette());
        clone->setAlignment(label->alignment());
        clone->setWordWrap(label->wordWrap());
        clone->setVisible(label->isVisible());
        clone->raise();
        SkinLabel1.append(clone);
    }
}

void frmAbout::lblWebsite_Click() {
    website::strLaunchMode = QStringLiteral("Website");
    if (frmWebsite* launcher = frmWebsite::Open()) {
        launcher->show();
    }
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWebsite && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblWebsite_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::closeEvent(QCloseEvent* event) {
    Unregister(this);
    QWidget::closeEvent(event);
}
