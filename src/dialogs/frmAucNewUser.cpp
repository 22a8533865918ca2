#include "dialogs/frmAucNewUser.h"
#include "ui_frmAucNewUser.h"

#include "dialogs/DialogGuard.h"
#include "engine/EventGuard.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/Globals.h"

#include <QRegularExpressionValidator>

frmAucNewUser::frmAucNewUser(QWidget *owner) : QDialog(owner), ui(new Ui::frmAucNewUser)
{
    ui->setupUi(this);
    // Three characters may be typed, but a longer stored value still shows (and is refused).
    auto *threeChars = new QRegularExpressionValidator(QRegularExpression(QStringLiteral(".{0,3}")), this);
    for (QLineEdit *box : {ui->txtRefreshMins, ui->txtBidSecs, ui->txtDeleteAuctionDays})
        box->setValidator(threeChars);

    if (gCurrentUser && gCurrentUser->Editing) {
        m_editUser = gCurrentUser;
        LoadUserProfile();
        setWindowTitle(QStringLiteral("Edit User Profile"));
    } else {
        SetNewUserDefaults();
        setWindowTitle(QStringLiteral("Add New User"));
    }
    if (m_editUser) {
        ui->columnPage->FillColumnLists(m_editUser->Columns);
    } else {
        AucColumns defaults;
        defaults.RestoreDefaults();
        ui->columnPage->FillColumnLists(defaults);
    }

    UpdateRequiredFields();
    // An edited user's stored choice stands until the password changes.
    if (!m_editUser || !ui->txtZandroUserPassword->text().isEmpty())
        UpdateAutoLogOnState();
    EnableOptionFields();
    UpdateWizardButtons();
    ui->txtEbayUserName->setFocus();

    for (QLineEdit *box : {ui->txtZandroUser, ui->txtEbayUserName, ui->txtEbayUserPassword, ui->txtEmail})
        connect(box, &QLineEdit::textChanged, this, &frmAucNewUser::UpdateRequiredFields);
    connect(ui->txtZandroUserPassword, &QLineEdit::textChanged, this, &frmAucNewUser::UpdateAutoLogOnState);
    connect(ui->chkAutoRefresh, &QCheckBox::toggled, this, &frmAucNewUser::EnableOptionFields);
    connect(ui->chkAutoDeleteAuctions, &QCheckBox::toggled, this, &frmAucNewUser::EnableOptionFields);
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, &frmAucNewUser::UpdateWizardButtons);
    connect(ui->cmdNext, &QPushButton::clicked, this,
            [this] { ui->SSTab1->setCurrentIndex(ui->SSTab1->currentIndex() + 1); });
    connect(ui->cmdPrevious, &QPushButton::clicked, this,
            [this] { ui->SSTab1->setCurrentIndex(ui->SSTab1->currentIndex() - 1); });
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAucNewUser::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmAucNewUser::~frmAucNewUser() = default;

void frmAucNewUser::showPage(Page page)
{
    ui->SSTab1->setCurrentIndex(page);
}

void frmAucNewUser::SetNewUserDefaults()
{
    ui->txtBidSecs->setText(QStringLiteral("30"));
    ui->chkSignIn->setChecked(true);
    ui->chkSignIn->setEnabled(true);
    ui->chkAutoLogIn->setChecked(true);
    ui->chkAutoRefresh->setChecked(true);
    ui->txtRefreshMins->setText(QStringLiteral("60"));
    ui->txtDeleteAuctionDays->setText(QStringLiteral("30"));
    ui->chkAutoDeleteAuctions->setChecked(false);
}

void frmAucNewUser::LoadUserProfile()
{
    const BSN_User &u = *m_editUser;
    ui->txtZandroUser->setText(u.ZandroName);
    ui->txtZandroUserPassword->setText(u.ZandroPassword);
    ui->txtEbayUserName->setText(u.EbayName);
    ui->txtEbayUserPassword->setText(u.EbayPassword);
    ui->txtEmail->setText(u.EbayEmail);
    ui->txtPasswordHint->setText(u.ReminderQuestion);
    ui->txtBidSecs->setText(QString::number(u.BidSeconds));
    ui->chkAutoLogIn->setChecked(u.AutoLogIn);
    ui->chkSignIn->setChecked(false);
    ui->chkSignIn->setEnabled(false);
    ui->chkAutoRefresh->setChecked(u.AutoRefeshMins >= 1);
    ui->txtRefreshMins->setText(u.AutoRefeshMins >= 1 ? QString::number(u.AutoRefeshMins) : QStringLiteral("0"));
    const SettingsStore &store = SettingsStore::instance();
    const QString section = u.settingsSection();
    ui->txtDeleteAuctionDays->setText(store.get(section, QStringLiteral("DeleteAuctionDays"), QStringLiteral("30")));
    ui->chkAutoDeleteAuctions->setChecked(
        store.get(section, QStringLiteral("AutoDeleteAuctions"), QStringLiteral("1")) == QLatin1String("1"));
}

void frmAucNewUser::UpdateRequiredFields()
{
    ui->cmdOK->setEnabled(!ui->txtZandroUser->text().isEmpty() && !ui->txtEbayUserName->text().isEmpty() &&
                          !ui->txtEbayUserPassword->text().isEmpty() && !ui->txtEmail->text().isEmpty());
}

// Automatic sign-in asks no password, so it is only offered to a user without one.
void frmAucNewUser::UpdateAutoLogOnState()
{
    const bool noPassword = ui->txtZandroUserPassword->text().isEmpty();
    ui->chkAutoLogIn->setEnabled(noPassword);
    ui->chkAutoLogIn->setChecked(noPassword);
}

void frmAucNewUser::EnableOptionFields()
{
    ui->txtRefreshMins->setEnabled(ui->chkAutoRefresh->isChecked());
    ui->txtDeleteAuctionDays->setEnabled(ui->chkAutoDeleteAuctions->isChecked());
}

void frmAucNewUser::UpdateWizardButtons()
{
    const int tab = ui->SSTab1->currentIndex();
    ui->cmdPrevious->setEnabled(tab > ProfilePage);
    ui->cmdNext->setEnabled(tab < ColumnsPage);
}

void frmAucNewUser::done(int result)
{
    // Frame, Esc, Cancel, a refusal or a save: the next opening starts from a clean state.
    if (m_editUser)
        m_editUser->Editing = false;
    if (gCurrentUser)
        gCurrentUser->Editing = false;
    if (gDB && gUsers) {
        runGuarded("Form_Unload", ErrorReport::Message, [this] {
            const qint32 key = m_signInKey ? m_signInKey : (gCurrentUser ? gCurrentUser->PrimaryKey : 0);
            gUsers->Init(*gDB);
            // The reload replaced every user object; the current one is fetched again.
            if (key) {
                if (UserPtr user = gUsers->GetUserByPrimary(key))
                    CurrentUser::instance().signIn(user);
            }
        });
    }
    QDialog::done(result);
}
