#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmSignin;
}

// Signs one of the program's users in. The result is gCurrentUser: the chosen user after a
// correct password, unchanged after Cancel.
class frmSignin : public QDialog
{
    Q_OBJECT

public:
    // Lists the users from gDB; gUsers supplies the user objects.
    explicit frmSignin(QWidget *owner = nullptr);
    ~frmSignin() override;

    // With no user at all, runs the profile wizard first and returns without showing when the
    // wizard created a user and signed them in.
    int exec() override;

private:
    void FillUserNames();
    void UpdateHintButton();
    void cmdOK_Click();
    void cmdPasswordHint_Click();
    QString selectedName() const;

    std::unique_ptr<Ui::frmSignin> ui;
    bool m_noUsers = false;
};
