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
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("txtFind"));
    text_->setMinimumWidth(220);
    label->setBuddy(text_); // a screen reader names the box by it
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("lblResult"));
    result_->setText(QStringLiteral("Enter: next.  Shift+Enter: previous."));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(text_, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(result_);
    setFixedSize(sizeHint());
    // A long result is cut short here; a screen reader gets it whole (see showResult).
    result_->setMinimumWidth(1);

    for (const auto& [keys, forward] :
         {std::pair{QKeySequence(Qt::Key_F3), true}, std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F3), false}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, forward = forward] { emit findRequested(forward); });
    }
}

QString FindBox::text() const {
    return text_->text();
}

void FindBox::openAt(const QPoint& corner) {
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
    text_->setFocus();
    text_->selectAll();
}

void FindBox::showResult(const QString& result) {
    result_->setText(result_->fontMetrics().elidedText(result, Qt::ElideMiddle, result_->width()));
    // Read by a screen reader with the box it belongs to.
    text_->setAccessibleDescription(result);
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
