#include "Dialogs.h"

#include "frmCloseZandrift.h"
#include "frmSplash.h"
#include "frmAppSettings.h"
#include "frmSchedule.h"

// Each form replaces its own empty body below as it is built.

qint16 CloseResult = 0;

void Dialogs::showSplash(QWidget *owner)
{
    frmSplash splash(owner);
    splash.exec();
}

void Dialogs::signIn(QWidget *)
{
}

void Dialogs::profileWizard(QWidget *)
{
}

void Dialogs::columnChooser(QWidget *)
{
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

bool Dialogs::comment(QWidget *, const QString &, QString &)
{
    return false;
}

void Dialogs::compactDatabase(QWidget *)
{
}

void Dialogs::deleteUser(QWidget *)
{
}

void Dialogs::about(QWidget *)
{
}

void Dialogs::legend(QWidget *)
{
}
