#include "store/BSN_Users.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/SettingsStore.h"
#include "store/Globals.h"
#include "store/StoreValues.h"

void BSN_Users::Init(Database &db)
{
    Init(db, SettingsStore::instance());
}

void BSN_Users::Init(Database &db, const SettingsStore &store)
{
    m_users.clear();
    auto rs = db.openTable(QStringLiteral("Users"));
    if (rs->recordCount() == 0)
        return;
    std::vector<UserPtr> loaded;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        auto u = std::make_shared<BSN_User>();
        u->EbayName = rs->value(QStringLiteral("U_EbayName")).toString();
        u->EbayPassword = rs->value(QStringLiteral("U_EbayPassword")).toString();
        u->EbayEmail = rs->value(QStringLiteral("U_EbayEmail")).toString();
        u->ZandroName = rs->value(QStringLiteral("U_ZandroName")).toString();
        u->ZandroPassword = rs->value(QStringLiteral("U_ZandroPassword")).toString();
        u->ReminderQuestion = rs->value(QStringLiteral("U_ReminderQuestion")).toString();
        u->PrimaryKey = static_cast<qint32>(rs->value(QStringLiteral("U_Primary")).toLongLong());
        u->AutoRefeshMins = static_cast<qint32>(rs->value(QStringLiteral("U_AutoRefreshMins")).toLongLong());
        u->BidSeconds = static_cast<qint32>(rs->value(QStringLiteral("U_BidSeconds")).toLongLong());
        u->AutoLogIn = rs->value(QStringLiteral("U_AutoLogOn")).toLongLong() != 0;

        const QString section = u->settingsSection();
        // A hand-damaged value falls back to the default rather than locking everyone out.
        u->DeleteAuctionDays =
            auctionPurgeDays(toInt32(store.get(section, QStringLiteral("DeleteAuctionDays"), QStringLiteral("30"))));
        u->AutoDeleteAuctions =
            store.get(section, QStringLiteral("AutoDeleteAuctions"), QStringLiteral("1")) == QLatin1String("1");
        u->Columns = LoadUserColumns(*u, store);
        loaded.push_back(std::move(u));
    }
    m_users = std::move(loaded);
}

UserPtr BSN_Users::GetUserByPrimary(qint32 key) const
{
    for (const UserPtr &u : m_users) {
        if (u->PrimaryKey == key)
            return u;
    }
    return nullptr;
}

UserPtr BSN_Users::GetUserByZandroName(const QString &name) const
{
    for (const UserPtr &u : m_users) {
        if (u->ZandroName == name)
            return u;
    }
    return nullptr;
}

AucColumns LoadUserColumns(const BSN_User &user, const SettingsStore &store)
{
    AucColumns cols;
    const QString section = user.settingsSection();
    bool nothingStored = true;
    for (int i = 0; i < AucColumns::kCount; ++i) {
        const AucColumns::Column c = cols.column(i);
        const qint16 fallback = (c.position == &cols.AuctionName) ? 0 : -1;
        const QString text = store.get(section, QStringLiteral("col") + *c.caption, QString::number(fallback));
        *c.position = toInt16(text).value_or(fallback);
        if (*c.position != fallback)
            nothingStored = false;
    }
    // "Auctions" alone at 0 and every other hidden is what an empty section reads as.
    if (nothingStored)
        cols.RestoreDefaults();
    return cols;
}

bool LogInDefaultUser()
{
    if (!gDB || !gUsers)
        return false;
    auto rs = gDB->openQuery(QStringLiteral("SELECT U_Primary FROM Users WHERE U_AutoLogOn = ?"), {1});
    if (rs->recordCount() == 0)
        return false;
    rs->moveFirst();
    UserPtr user = gUsers->GetUserByPrimary(static_cast<qint32>(rs->value(QStringLiteral("U_Primary")).toLongLong()));
    if (!user)
        return false; // the list was not reloaded since the row was written: nobody to sign in
    CurrentUser::instance().signIn(user);
    return true;
}
