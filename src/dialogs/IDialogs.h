#pragma once

#include <QString>

class QWidget;

// How the main window opens its dialogs. Each dialog leaves its result where the program keeps
// it (gCurrentUser, gSettings, database rows, the shared schedule values, CloseResult); the real
// implementation opens the forms, tests fake it and read back what was asked.
class IDialogs
{
public:
    virtual ~IDialogs() = default;

    // Modal for about two seconds, then closes by itself.
    virtual void showSplash(QWidget *owner) = 0;
    // frmSignin: leaves gCurrentUser signed in, or as it was when cancelled.
    virtual void signIn(QWidget *owner) = 0;
    // frmAucNewUser: adds a user, or edits the signed-in user when its Editing flag is set.
    virtual void profileWizard(QWidget *owner) = 0;
    // The column page of the profile wizard for the signed-in user.
    virtual void columnChooser(QWidget *owner) = 0;
    // frmAppSettings.
    virtual void systemSettings(QWidget *owner) = 0;
    // frmSchedule for ScheduleAuctionKey; leaves ScheduleCancelled and SnipeUnscheduled.
    virtual void scheduleSnipe(QWidget *owner) = 0;
    // frmCloseZandrift; leaves CloseResult (0 close, 1 do not close, 2 send to the tray).
    virtual void closeConfirmation(QWidget *owner) = 0;
    // frmComment: true when the user confirmed; text holds the comment in and out.
    virtual bool comment(QWidget *owner, const QString &auctionTitle, QString &text) = 0;
    // frmDBCompact.
    virtual void compactDatabase(QWidget *owner) = 0;
    // frmDeleteUser.
    virtual void deleteUser(QWidget *owner) = 0;
    virtual void about(QWidget *owner) = 0;
    virtual void legend(QWidget *owner) = 0;
};

// The program's shared close answer, written by the close confirmation.
extern qint16 CloseResult;
