// The about window: the product's name, version, owner and website.
#pragma once

#include "SingleForm.h"

#include <QWidget>

class QLabel;

class frmAbout : public QWidget, public SingleForm<frmAbout> {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCompany = nullptr;
    QLabel* lblWebsite = nullptr;

    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;
};
