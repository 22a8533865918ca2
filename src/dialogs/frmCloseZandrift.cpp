#include "dialogs/frmCloseZandrift.h"

#include "dialogs/DialogArt.h"
#include "dialogs/IDialogs.h"
#include "store/AppSettings.h"
#include "store/Globals.h"
#include "ui_frmCloseZandrift.h"

#include <QKeyEvent>

frmCloseZandrift::frmCloseZandrift(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::frmCloseZandrift>())
{
    initDialogArt();
    ui->setupUi(this);
    connect(ui->cmdClose, &QPushButton::clicked, this, &frmCloseZandrift::cmdClose_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmCloseZandrift::cmdCancel_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &frmCloseZandrift::Command1_Click);
}

frmCloseZandrift::~frmCloseZandrift() = default;

void frmCloseZandrift::cmdClose_Click()
{
    finish(0);
}

void frmCloseZandrift::cmdCancel_Click()
{
    finish(1);
}

void frmCloseZandrift::Command1_Click()
{
    finish(2);
}

void frmCloseZandrift::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmCloseZandrift::SetDoNotShow()
{
    if (!ui->chkDoNotShow->isChecked() || !gSettings)
        return;
    gSettings->ShowClosingWarning = 0;
    // A failed save has shown its message; the choice still holds for this run.
    gSettings->SaveSettings();
}

void frmCloseZandrift::finish(qint16 result)
{
    CloseResult = result;
    SetDoNotShow();
    accept();
}
