#include "AboutWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Contrast.h"
#include "Identity.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

namespace {

const QColor kWebsiteBlue(0, 0, 255);

// Draws the text of `label`, and of the skinned twins lying over it, in `colour`.
void SetTextColour(QLabel* label, const QList<QLabel*>& twins, const QColor& colour) {
    QList<QLabel*> labels = twins;
    labels.append(label);
    for (QLabel* l : labels) {
        if (l == label || (l->parentWidget() == label->parentWidget() && l->geometry() == label->geometry())) {
            QPalette palette = l->palette();
            palette.setColor(QPalette::WindowText, colour);
            l->setPalette(palette);
        }
    }
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::frmAbout);
    // Escape closes the window, as it closes every small window of the desktop.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    Picture1 = findChild<QLabel*>(QStringLiteral("Picture1"));
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    lblVersion = findChild<QLabel*>(QStringLiteral("lblVersion"));
    lblCompany = findChild<QLabel*>(QStringLiteral("lblCompany"));
    lblWebsite = findChild<QLabel*>(QStringLiteral("lblWebsite"));
    SkinLabel1.append(findChild<QLabel*>(QStringLiteral("SkinLabel1(0)")));
    // The website's address in pure blue (where it can be read: see FitColours), opened by a click.
    FitColours();
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->installEventFilter(this);
}

void AboutWindow::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + buildConfig::strProductName);
    Label1->setText(QString::fromUtf8(identity::ProductName));
    lblCompany->setText(QString::fromUtf8(identity::CompanyName));
    lblVersion->setText(QStringLiteral("%1.%2").arg(identity::VersionMajor).arg(identity::VersionMinor));
    lblWebsite->setText(QString::fromUtf8(identity::Comments));
    // The skin is applied by whoever opened the window; its skinned labels are this window's own.
    if (buildConfig::Skinned()) {
        CloneLabels();
    }
}

void AboutWindow::FitColours() {
    if (Picture1 == nullptr || Label1 == nullptr || lblWebsite == nullptr) {
        return; // still being built
    }
    // The link keeps its blue where it can be read on the window, as on a light desktop; on a dark one it
    // is a lighter blue.
    const QPalette colours = palette();
    SetTextColour(
        lblWebsite, SkinLabel1,
        contrast::Legible(kWebsiteBlue, colours.color(QPalette::Window), colours.color(QPalette::WindowText)));
    // The product's name lies on the header picture, a pale band whatever the palette, in the text colour
    // the picture box gives it; a dark palette's light text is drawn dark there instead.
    QColor header = Picture1->palette().color(QPalette::Window);
    const QPixmap picture = Picture1->pixmap();
    if (!picture.isNull()) {
        const QRect under = Label1->geometry().translated(-Picture1->contentsRect().topLeft());
        header = contrast::Behind(picture.toImage(), under);
    }
    SetTextColour(Label1, SkinLabel1, contrast::Legible(colours.color(QPalette::Text), header));
}

void AboutWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        FitColours();
    }
    QWidget::changeEvent(event);
}

void AboutWindow::CloneLabels() {
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

void AboutWindow::lblWebsite_Click() {
    emit websiteRequested();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWebsite && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblWebsite_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AboutWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
