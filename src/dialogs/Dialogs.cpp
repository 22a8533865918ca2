#include "dialogs/Dialogs.h"

#include "dialogs/frmAbout.h"
#include "dialogs/frmAppSettings.h"
#include "dialogs/frmAucNewUser.h"
#include "dialogs/frmCloseZandrift.h"
#include "dialogs/frmComment.h"
#include "dialogs/frmDBCompact.h"
#include "dialogs/frmDeleteUser.h"
#include "dialogs/frmLegend.h"
#include "dialogs/frmSchedule.h"
#include "dialogs/frmSignin.h"
#include "dialogs/frmSplash.h"
#include "store/Globals.h"

qint16 CloseResult = 0;

void Dialogs::showSplash(QWidget *owner)
{
    frmSplash splash(owner);
    splash.exec();
}

void Dialogs::signIn(QWidget *owner)
{
    frmSignin dialog(owner);
    dialog.exec();
}

void Dialogs::profileWizard(QWidget *owner)
{
    frmAucNewUser dialog(owner);
    dialog.exec();
}

void Dialogs::columnChooser(QWidget *owner)
{
    if (!gCurrentUser)
        return;
    gCurrentUser->Editing = true;
    frmAucNewUser dialog(owner);
    dialog.showPage(frmAucNewUser::ColumnsPage);
    dialog.exec();
}

void Dialogs::systemSettings(QWidget *owner)
{
    frmAppSettings dialog(owner);
    dialog.exec();
}

void Dialogs::scheduleSnipe(QWidget *owner)
{
    frmSchedule dialog(owner);
    dialog.exec();
}

void Dialogs::closeConfirmation(QWidget *owner)
{
    frmCloseZandrift dialog(owner);
    dialog.exec();
}

bool Dialogs::comment(QWidget *owner, const QString &auctionTitle, QString &text)
{
    frmComment dialog(owner);
    dialog.setAuction(auctionTitle, text);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.comment();
    return true;
}

void Dialogs::compactDatabase(QWidget *owner)
{
    frmDBCompact dialog(owner, engine);
    dialog.exec();
}

void Dialogs::deleteUser(QWidget *owner)
{
    frmDeleteUser dialog(owner, engine);
    dialog.exec();
}

void Dialogs::about(QWidget *owner)
{
    frmAbout dialog(owner);
    dialog.exec();
}

void Dialogs::legend(QWidget *owner)
{
    frmLegend dialog(owner);
    dialog.exec();
}
