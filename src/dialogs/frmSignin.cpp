#include "dialogs/frmSignin.h"
#include "ui_frmSignin.h"

#include "dialogs/DialogGuard.h"
#include "dialogs/frmAucNewUser.h"
#include "engine/EventGuard.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "store/Globals.h"
#include "store/UserRecords.h"

#include <algorithm>

frmSignin::frmSignin(QWidget *owner) : QDialog(owner), ui(new Ui::frmSignin)
{
    ui->setupUi(this);
    const QIcon icon = windowIcon();
    if (icon.isNull())
        ui->picIcon->hide();
    else
        ui->picIcon->setPixmap(icon.pixmap(32, 32));

    connect(ui->cboUserName, &QComboBox::currentIndexChanged, this, &frmSignin::UpdateHintButton);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmSignin::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->cmdPasswordHint, &QPushButton::clicked, this, &frmSignin::cmdPasswordHint_Click);

    FillUserNames();
    UpdateHintButton();
}

frmSignin::~frmSignin() = default;

int frmSignin::exec()
{
    if (m_noUsers) {
        CurrentUser::instance().signOut();
        {
            frmAucNewUser wizard(parentWidget());
            wizard.exec();
        }
        if (gCurrentUser) {
            // Nothing left to choose: the new user is signed in.
            setResult(Accepted);
            return Accepted;
        }
        // A user created without signing in can be chosen here now.
        FillUserNames();
        UpdateHintButton();
    }
    return QDialog::exec();
}

void frmSignin::FillUserNames()
{
    ui->cboUserName->clear();
    m_noUsers = false;
    if (!gDB)
        return;
    runGuarded("FillUserNames", ErrorReport::Message, [this] {
        QStringList names = user_store::userNames(*gDB);
        if (names.isEmpty()) {
            m_noUsers = true;
            return;
        }
        std::stable_sort(names.begin(), names.end(),
                         [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        ui->cboUserName->addItems(names);
    });
    ui->cboUserName->setCurrentIndex(-1);
}

void frmSignin::UpdateHintButton()
{
    const bool chosen = ui->cboUserName->currentIndex() >= 0;
    ui->cmdOK->setEnabled(chosen);
    ui->cmdPasswordHint->setEnabled(chosen);
}

QString frmSignin::selectedName() const
{
    const int i = ui->cboUserName->currentIndex();
    return i < 0 ? QString() : ui->cboUserName->itemText(i);
}

void frmSignin::cmdOK_Click()
{
    const QString name = selectedName();
    if (name.isEmpty() || !gDB || !gUsers)
        return;
    runGuarded("cmdOK_Click", ErrorReport::Message, [this, &name] {
        const user_store::SignInCheck check = user_store::checkSignIn(*gDB, name, ui->txtPassword->text());
        if (check.result == user_store::SignInCheck::Result::NoSuchUser)
            return;
        if (check.result == user_store::SignInCheck::Result::Accepted) {
            UserPtr user = gUsers->GetUserByPrimary(check.userKey);
            if (!user) {
                gUsers->Init(*gDB);
                user = gUsers->GetUserByPrimary(check.userKey);
            }
            if (user) {
                CurrentUser::instance().signIn(user);
                accept();
            }
            return;
        }
        MsgBox::show(QStringLiteral("Password incorrect for ") + name, QStringLiteral("Invalid Password"),
                     MsgBox::Icon::Exclamation);
    });
}

void frmSignin::cmdPasswordHint_Click()
{
    const QString name = selectedName();
    if (name.isEmpty() || !gUsers)
        return;
    const UserPtr user = gUsers->GetUserByZandroName(name);
    const QString hint = user ? user->ReminderQuestion : QString();
    if (hint.isEmpty())
        MsgBox::show(QStringLiteral("You do not have a Password Hint."), QStringLiteral("Password Hint"),
                     MsgBox::Icon::Information);
    else
        MsgBox::show(QStringLiteral("You Password Hint: ") + hint, QStringLiteral("Password Hint"),
                     MsgBox::Icon::Information);
}
