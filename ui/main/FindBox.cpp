#include "FindBox.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

FindBox::FindBox(QWidget* owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
    setObjectName(QStringLiteral("findBox"));
    setWindowTitle(QStringLiteral("Find"));
    auto* label = new QLabel(QStringLiteral("&Find:"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setMinimumWidth(220);
    label->setBuddy(txtFind); // a screen reader names the box by it
    lblResult = new QLabel(this);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setText(QStringLiteral("Enter: next.  Shift+Enter: previous."));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtFind, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(lblResult);
    setFixedSize(sizeHint());
    // A long result is cut short here; a screen reader gets it whole (see ShowResult).
    lblResult->setMinimumWidth(1);

    for (const auto& [keys, forward] : {std::pair{QKeySequence(Qt::Key_F3), true},
                                        std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F3), false}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, forward = forward] { emit findRequested(forward); });
    }
}

QString FindBox::text() const {
    return txtFind->text();
}

void FindBox::Open(const QPoint& corner) {
    if (owner_ != nullptr && owner_->windowHandle() != nullptr) {
        winId(); // its native window, to stand above the owner's
        windowHandle()->setTransientParent(owner_->windowHandle());
    }
    if (!placed_) {
        // The desktop's frame is known only once the window is shown: count a title bar's height for it.
        const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        move(corner - QPoint(width(), height() + titleBar));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    txtFind->setFocus();
    txtFind->selectAll();
}

void FindBox::ShowResult(const QString& result) {
    lblResult->setText(lblResult->fontMetrics().elidedText(result, Qt::ElideMiddle, lblResult->width()));
    // Read by a screen reader with the box it belongs to.
    txtFind->setAccessibleDescription(result);
}

void FindBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit findRequested(!(event->modifiers() & Qt::ShiftModifier));
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void FindBox::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}
