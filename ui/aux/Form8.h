// The help window: Help.rtf in a read-only rich-text view, and whether to show it at start-up.
#pragma once

#include "SingleForm.h"

#include <QWidget>

class QCheckBox;
class QTextEdit;

class Form8 : public QWidget, public SingleForm<Form8> {
    Q_OBJECT
public:
    explicit Form8(QWidget* parent = nullptr);

    QTextEdit* rtf1 = nullptr;
    QCheckBox* Check1 = nullptr;

    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;
};
