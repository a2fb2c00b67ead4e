// The website launcher: a window without content that opens the product's website and closes itself
// a second later.
#pragma once

#include "SingleForm.h"

#include <QWidget>

class QTimer;

class frmWebsite : public QWidget, public SingleForm<frmWebsite> {
    Q_OBJECT
public:
    explicit frmWebsite(QWidget* parent = nullptr);

    QTimer* Timer1 = nullptr;

    void Form_Load();
    void Timer1_Timer();

    // The main window has closed while this one showed: end the program when it goes.
    void EndProgramWhenClosed() { endProgram_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool endProgram_ = false;
};
