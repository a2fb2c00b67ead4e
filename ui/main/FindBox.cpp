#include "FindBox.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

FindBox::FindBox(QWidget* window) : QFrame(window) {
    setObjectName(QStringLiteral("findBox"));
    setAccessibleName(QStringLiteral("Find"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true); // the list's rows do not show through
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
    hide();
}

QString FindBox::text() const {
    return text_->text();
}

void FindBox::openAt(const QPoint& corner) {
    keepAt(corner);
    show();
    raise();
    text_->setFocus();
    text_->selectAll();
}

void FindBox::keepAt(const QPoint& corner) {
    // Within the window, however small the user made it.
    move(std::max(0, corner.x() - width()), std::max(0, corner.y() - height()));
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
        QFrame::keyPressEvent(event);
    }
}

void FindBox::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}
