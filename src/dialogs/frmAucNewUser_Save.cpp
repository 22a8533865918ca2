// The profile wizard's checks and its save.
#include "dialogs/frmAucNewUser.h"
#include "ui_frmAucNewUser.h"

#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/SettingsStore.h"
#include "platform/Values.h"
#include "store/Globals.h"
#include "store/StoreValues.h"
#include "store/UserRecords.h"

#include <optional>

namespace {
// A box's text as a whole number, or nothing when it is not a number or does not fit.
std::optional<qint32> wholeNumber(const QString &text)
{
    if (!Values::isTypedNumber(text))
        return std::nullopt;
    return toInt32(text);
}

bool refuse(const QString &prompt, const QString &title)
{
    MsgBox::show(prompt, title, MsgBox::Icon::Exclamation);
    return false;
}

void alert(const QString &prompt)
{
    MsgBox::show(prompt, QStringLiteral("Zandro Alert"), MsgBox::Icon::Exclamation);
}
} // namespace

bool frmAucNewUser::ValidateUserOptions()
{
    const QString minutesText = ui->txtRefreshMins->text();
    const QString secondsText = ui->txtBidSecs->text();
    const QString daysText = ui->txtDeleteAuctionDays->text();
    const QString minutesTitle = QStringLiteral("Invalid Number of Minutes");
    const QString secondsTitle = QStringLiteral("Invalid Number of Seconds");
    const QString daysTitle = QStringLiteral("Invalid Number of Days Entered");
    const bool refresh = ui->chkAutoRefresh->isChecked();
    const std::optional<qint32> minutes = wholeNumber(minutesText);
    const std::optional<qint32> seconds = wholeNumber(secondsText);

    if (refresh && !minutes)
        return refuse(minutesText + QStringLiteral(" is not a valid number of minutes."), minutesTitle);
    if (!seconds)
        return refuse(secondsText + QStringLiteral(" is not a valid number of seconds."), secondsTitle);
    if (*seconds >= 601)
        return refuse(secondsText + QStringLiteral(" seconds is greater than 10 minutes.  It is recommended that you "
                                                   "place your bids less than 1 minute from the close of the auction."),
                      secondsTitle);
    if (refresh) {
        if (*minutes <= 0)
            return refuse(QStringLiteral("The Number of Minutes you have Chosen to Refresh your Auctions is invalid.  "
                                         "Please choose a Valid Number of Minutes (under Options Tab)."),
                          minutesTitle);
        if (*minutes <= 4) {
            const MsgBox::Answer a = MsgBox::show(
                QStringLiteral("Refreshing your auctions too frequently can negatively impact the performance ot "
                               "Zandrift, depending on the number of auctions you choose to watch.  It is recommended "
                               "that you do not refresh more often than every 10 minutes. "),
                QStringLiteral("Refresh Every ") + minutesText + QStringLiteral("?"), MsgBox::Icon::Information,
                MsgBox::Buttons::YesNo);
            if (a != MsgBox::Answer::Yes)
                return false;
        }
        if (*minutes >= 1441)
            return refuse(QStringLiteral("You have chosen to refresh your auctions less than once per day.  Please "
                                         "choose a number of minutes equal to less than 1 day (1 day = 1440 minutes)"),
                          minutesTitle);
    }
    if (ui->chkAutoDeleteAuctions->isChecked()) {
        const std::optional<qint32> days = wholeNumber(daysText);
        if (!days)
            return refuse(QStringLiteral("You have selected to Automatically Delete Closed Auctions, but have not "
                                         "provided a valid Number of Days.  Please enter a Valid Number of Days "
                                         "(under Options Tab)."),
                          daysTitle);
        if (*days < 1)
            return refuse(QStringLiteral("The Number of Days you have Selected to Delete Closed Auctions is Invalid.  "
                                         "Please enter a valid Number of Days After Auction Close to Delete Auctions "
                                         "(under Options Tab)."),
                          daysTitle);
    }
    return true;
}

void frmAucNewUser::cmdOK_Click()
{
    if (!ValidateUserOptions())
        return;
    switch (saveProfile()) {
    case SaveResult::Saved:
        accept();
        break;
    case SaveResult::Refused:
        reject();
        break;
    case SaveResult::Failed:
        break; // the message said why; the entries stay for another try
    }
}

frmAucNewUser::SaveResult frmAucNewUser::saveProfile()
{
    if (!gDB)
        return SaveResult::Failed;
    const QString name = ui->txtZandroUser->text();
    const bool autoLogOn = ui->chkAutoLogIn->isChecked() && ui->chkAutoLogIn->isEnabled();
    user_store::Profile profile;
    profile.siteName = ui->txtEbayUserName->text();
    profile.sitePassword = ui->txtEbayUserPassword->text();
    profile.email = ui->txtEmail->text();
    profile.name = name;
    profile.password = ui->txtZandroUserPassword->text();
    profile.passwordHint = ui->txtPasswordHint->text();
    profile.autoLogOn = autoLogOn;
    profile.autoRefreshMins = ui->chkAutoRefresh->isChecked() ? wholeNumber(ui->txtRefreshMins->text()).value_or(0) : 0;
    profile.bidSeconds = wholeNumber(ui->txtBidSecs->text()).value_or(0);
    qint32 key = 0;
    try {
        const user_store::ProfileSave saved =
            user_store::saveProfile(*gDB, m_editUser ? m_editUser->PrimaryKey : 0, profile);
        switch (saved.result) {
        case user_store::ProfileSave::Result::UserMissing:
            MsgBox::show(QStringLiteral("Error finding current user record"),
                         QStringLiteral("Error Updating User Info"), MsgBox::Icon::Exclamation);
            return SaveResult::Refused;
        case user_store::ProfileSave::Result::TooManyUsers:
            MsgBox::show(QStringLiteral("Zandrift supports a maximum of 6 users, which you currently have.  To add "
                                        "a new user, please remove an existing one first."),
                         QStringLiteral("Cannot Add Another User..."));
            return SaveResult::Refused;
        case user_store::ProfileSave::Result::Saved:
            break;
        }
        key = saved.userKey;
    } catch (const DbDuplicateKey &) {
        alert(QStringLiteral("User: '") + name + QStringLiteral("' already exists, please choose another name."));
        return SaveResult::Failed;
    } catch (const DbError &) {
        alert(QStringLiteral("Error updating User database."));
        return SaveResult::Failed;
    }

    // Only now that the row is stored: a refused name never touches another user's section.
    // The row stands either way; a store that cannot be written is reported, and the user
    // keeps the default options until the profile is saved again.
    if (!saveSettings())
        alert(QStringLiteral("Error updating User database."));
    if (m_editUser || ui->chkSignIn->isChecked())
        m_signInKey = key;
    return SaveResult::Saved;
}

bool frmAucNewUser::saveSettings()
{
    SettingsStore &store = SettingsStore::instance();
    const QString section = BSN_User::sectionFor(ui->txtZandroUser->text());
    const bool autoDelete = ui->chkAutoDeleteAuctions->isChecked();
    store.set(section, QStringLiteral("AutoDeleteAuctions"), autoDelete ? QStringLiteral("1") : QStringLiteral("0"));
    if (autoDelete)
        store.set(section, QStringLiteral("DeleteAuctionDays"), ui->txtDeleteAuctionDays->text());
    ui->columnPage->saveAllColumns(store, section);
    return store.sync();
}
