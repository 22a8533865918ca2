#include "dialogs/frmSplash.h"

#include "dialogs/DialogArt.h"
#include "platform/FormTimer.h"
#include "ui_frmSplash.h"

frmSplash::frmSplash(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::frmSplash>())
{
    initDialogArt();
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // The window is exactly the picture.
    setFixedSize(ui->Image1->pixmap().size());
    tmrPause = new FormTimer(0, this);
    connect(tmrPause, &FormTimer::timeout, this, &frmSplash::tmrPause_Timer);
    tmrPause->setInterval(2000);
    tmrPause->setEnabled(true);
}

frmSplash::~frmSplash() = default;

void frmSplash::tmrPause_Timer()
{
    tmrPause->setEnabled(false);
    accept();
}
