#include "Form8.h"

#include "Builder.h"

#include <QCloseEvent>

#include <QCheckBox>
#include <QTextEdit>

Form8::Form8(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    layouts::Build(this, layouts::Form8, [](const layouts::Control& c, QWidget* parent) -> QWidget* {
        if (c.kind != layouts::Kind::RichTextBox) {
            return nullptr;
        }
        auto* view = new QTextEdit(parent);
        view->setPlainText(QString::fromUtf8(c.caption));
        view->setReadOnly(true);
        view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        return view;
    });
    rtf1 = findChild<QTextEdit*>(QStringLiteral("rtf1"));
    Check1 = findChild<QCheckBox*>(QStringLiteral("Check1"));
    rtf1->setAccessibleName(windowTitle());
    Register(this);
}

void Form8::Form_Load() {}

void Form8::closeEvent(QCloseEvent* event) {
    Unregister(this);
    QWidget::closeEvent(event);
}
