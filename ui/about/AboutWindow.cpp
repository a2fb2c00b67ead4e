#include "AboutWindow.h"

#include "BuildConfiguration.h"
#include "Builder.h"
#include "Contrast.h"
#include "Identity.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QShortcut>

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
    using Control = layouts::AboutWindowDesign::Control;
    setAttribute(Qt::WA_DeleteOnClose);
    const auto built = layouts::Build<layouts::AboutWindowDesign>(this);
    // Escape closes the window, as it closes every small window of the desktop.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    header_ = built.get<QLabel>(Control::Header);
    productName_ = built.get<QLabel>(Control::ProductName);
    website_ = built.get<QLabel>(Control::Website);
    skinLabels_.append(built.get<QLabel>(Control::SkinLabelTemplate));
    // The website's address in pure blue (where it can be read: see fitColours), opened by a click.
    fitColours();
    website_->setCursor(Qt::PointingHandCursor);
    website_->installEventFilter(this);

    const BuildConfiguration& build = buildConfig::Current();
    setWindowTitle(QStringLiteral("About ") + build.productName);
    productName_->setText(build.productName);
    built.get<QLabel>(Control::Owner)->setText(build.companyName);
    built.get<QLabel>(Control::Version)
        ->setText(QStringLiteral("%1.%2").arg(build.versionMajor).arg(build.versionMinor));
    website_->setText(build.comments);
    // The skin is applied by whoever opened the window; its skinned labels are this window's own.
    if (buildConfig::Skinned()) {
        cloneLabels({productName_, built.get<QLabel>(Control::VersionCaption), built.get<QLabel>(Control::OwnerCaption),
                     built.get<QLabel>(Control::WebsiteCaption), website_, built.get<QLabel>(Control::Owner),
                     built.get<QLabel>(Control::Version)});
    }
}

void AboutWindow::fitColours() {
    if (header_ == nullptr || productName_ == nullptr || website_ == nullptr) {
        return; // still being built
    }
    // The link keeps its blue where it can be read on the window, as on a light desktop; on a dark one it
    // is a lighter blue.
    const QPalette colours = palette();
    SetTextColour(
        website_, skinLabels_,
        contrast::Legible(kWebsiteBlue, colours.color(QPalette::Window), colours.color(QPalette::WindowText)));
    // The product's name lies on the header picture, a pale band whatever the palette, in the text colour
    // the picture box gives it; a dark palette's light text is drawn dark there instead.
    QColor header = header_->palette().color(QPalette::Window);
    const QPixmap picture = header_->pixmap();
    if (!picture.isNull()) {
        const QRect under = productName_->geometry().translated(-header_->contentsRect().topLeft());
        header = contrast::Behind(picture.toImage(), under);
    }
    SetTextColour(productName_, skinLabels_, contrast::Legible(colours.color(QPalette::Text), header));
}

void AboutWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        fitColours();
    }
    QWidget::changeEvent(event);
}

void AboutWindow::cloneLabels(const QList<QLabel*>& plainLabels) {
    // Every plain label gets a skinned twin lying exactly over it, at the next index of the group.
    for (QLabel* label : plainLabels) {
        auto* clone = new QLabel(label->parentWidget());
        clone->setObjectName(QStringLiteral("SkinLabel1(%1)").arg(skinLabels_.size()));
        layouts::SetKind(clone, layouts::Kind::SkinLabel);
        clone->setGeometry(label->geometry());
        clone->setFont(label->font());
        clone->setText(label->text());
        clone->setPalette(label->palette());
        clone->setAlignment(label->alignment());
        clone->setWordWrap(label->wordWrap());
        clone->setVisible(label->isVisible());
        clone->raise();
        skinLabels_.append(clone);
    }
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == website_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit websiteRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AboutWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}
