#include "dialogs/frmDeleteUser.h"
#include "ui_frmDeleteUser.h"

#include "dialogs/DialogGuard.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/SettingsStore.h"
#include "store/AuctionRecords.h"
#include "store/BSN_User.h"
#include "store/Globals.h"
#include "store/UserRecords.h"

#include <QKeyEvent>

frmDeleteUser::frmDeleteUser(QWidget *owner, AuctionEngine *engine)
    : QDialog(owner), ui(std::make_unique<Ui::frmDeleteUser>()), m_engine(engine)
{
    ui->setupUi(this);
    connect(ui->cboDeleteUser, &QComboBox::currentIndexChanged, this, [this] { UpdateButtons(); });
    connect(ui->cmdDeleteUser, &QPushButton::clicked, this, &frmDeleteUser::cmdDeleteUser_Click);
    connect(ui->cmdDeleteCancel, &QPushButton::clicked, this, &frmDeleteUser::cmdDeleteCancel_Click);

    if (gUsers) {
        for (const UserPtr &u : gUsers->Users()) {
            if (!gCurrentUser || u->ZandroName != gCurrentUser->ZandroName)
                ui->cboDeleteUser->addItem(u->ZandroName);
        }
    }
    ui->cboDeleteUser->setCurrentIndex(-1);
    UpdateButtons();
}

frmDeleteUser::~frmDeleteUser() = default;

void frmDeleteUser::UpdateButtons()
{
    ui->cmdDeleteUser->setEnabled(ui->cboDeleteUser->currentIndex() >= 0);
}

void frmDeleteUser::keyPressEvent(QKeyEvent *event)
{
    UpdateButtons();
    QDialog::keyPressEvent(event);
}

void frmDeleteUser::cmdDeleteUser_Click()
{
    runGuarded("cmdDeleteUser_Click", ErrorReport::Message, [this] {
        const QString name = ui->cboDeleteUser->currentText();
        const UserPtr named = gUsers ? gUsers->GetUserByZandroName(name) : nullptr;
        const UserPtr user = named ? gUsers->GetUserByPrimary(named->PrimaryKey) : nullptr;
        if (!user) {
            MsgBox::show(QStringLiteral("The user ") + name +
                             QStringLiteral(" is no longer in Zandrift's list of users.  Please close this window "
                                            "and try again."),
                         QStringLiteral("Delete User"), MsgBox::Icon::Exclamation);
            return;
        }
        if (ui->txtDeletePassword->text() != user->ZandroPassword) {
            MsgBox::show(QStringLiteral("User cannot be deleted without a valid password."),
                         QStringLiteral("Invalid Password"), MsgBox::Icon::Exclamation);
            return;
        }
        const qint64 scheduled = auction_store::countScheduledSnipes(dialogDatabase(), user->PrimaryKey);
        const MsgBox::Answer a =
            MsgBox::show(name + QStringLiteral(" currently has ") + QString::number(scheduled) +
                             QStringLiteral(" Auctions Scheduled for Bidding.") + QStringLiteral("\r\n") +
                             QStringLiteral("Are you sure you want to Delete this User?"),
                         QStringLiteral("Delete User: ") + name, MsgBox::Icon::Question, MsgBox::Buttons::YesNo);
        if (a != MsgBox::Answer::Yes)
            return;
        if (DeleteUser(user->PrimaryKey))
            accept();
    });
}

bool frmDeleteUser::DeleteUser(qint32 userKey)
{
    const QString name = ui->cboDeleteUser->currentText();
    try {
        user_store::deleteUserRows(dialogDatabase(), userKey);
    } catch (const DbError &) {
        MsgBox::show(QStringLiteral("Unable to Delete User"), QStringLiteral("Error Deleting User"),
                     MsgBox::Icon::Exclamation);
        return false;
    }
    SettingsStore &store = SettingsStore::instance();
    store.deleteSection(BSN_User::sectionFor(name));
    static_cast<void>(store.sync()); // a section that cannot be removed does not undo the deletion
    // Its rows are gone: a snipe of the user still waiting would otherwise bid all the same.
    removeQueuedSnipes(userKey);
    return true;
}

void frmDeleteUser::removeQueuedSnipes(qint32 userKey)
{
    if (!m_engine)
        return;
    // Everything of the user goes: queued requests, and a conversation in flight is cancelled.
    AuctionEngine::Forget forget;
    forget.userKey = userKey;
    forget.wholeUser = true;
    m_engine->ForgetAuctions(forget);
}

void frmDeleteUser::cmdDeleteCancel_Click()
{
    reject();
}

void frmDeleteUser::done(int result)
{
    QDialog::done(result);
    if (gUsers && gDB)
        runGuarded("Form_Unload", ErrorReport::Message, [] { gUsers->Init(*gDB); });
}
