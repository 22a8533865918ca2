#pragma once

#include "store/BSN_Users.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmAucNewUser;
}

// Adds a program user, or edits the signed-in one when its Editing flag is set: the site
// account, the program name and password, the options and the grid columns. A save writes the
// Users row (with a new user's two folders and shortcuts) in one transaction and the user's
// settings-store section after it; a refused save writes nothing. However the dialog closes,
// the user list is reloaded and no Editing flag is left set.
class frmAucNewUser : public QDialog
{
    Q_OBJECT

public:
    enum Page
    {
        ProfilePage = 0,
        OptionsPage = 1,
        ColumnsPage = 2
    };

    // Reads the mode and the edited user from gCurrentUser.
    explicit frmAucNewUser(QWidget *owner = nullptr);
    ~frmAucNewUser() override;

    void showPage(Page page);
    bool isEditing() const { return m_editUser != nullptr; }

    // True when the options may be saved; otherwise one message box said why.
    bool ValidateUserOptions();

    void done(int result) override;

private:
    enum class SaveResult
    {
        Saved,
        Refused,
        Failed
    };

    void SetNewUserDefaults();
    void LoadUserProfile();
    void UpdateRequiredFields();
    void UpdateAutoLogOnState();
    void EnableOptionFields();
    void UpdateWizardButtons();
    void cmdOK_Click();
    SaveResult saveProfile();
    bool saveSettings();

    std::unique_ptr<Ui::frmAucNewUser> ui;
    UserPtr m_editUser;     // the user being edited; none when adding
    qint32 m_signInKey = 0; // the user to make current when the dialog closes
};
