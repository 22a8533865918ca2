#pragma once

#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "store/Globals.h"

#include <QFile>
#include <QStringList>

// Rows and settings the user dialogs' tests set up and compare.
namespace UsersFixture {

inline qint32 addUser(const QString &name, const QVariant &password = QVariant(), const QString &hint = QString(),
                      int autoLogOn = 0)
{
    gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, U_EbayEmail, "
                                "U_ZandroPassword, U_ReminderQuestion, U_AutoLogOn, U_BidSeconds, U_AutoRefreshMins) "
                                "VALUES (?, ?, 'sitepw', 'a@example.com', ?, ?, ?, 20, 15)"),
                 {name, name + QStringLiteral("_site"), password, hint, autoLogOn});
    return static_cast<qint32>(gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"))
                                   ->value(QStringLiteral("k"))
                                   .toLongLong());
}

// Every row of the tables a user save writes, and the settings file's bytes.
inline QString snapshot()
{
    QStringList out;
    for (const char *table : {"Users", "Folders", "Shortcuts"}) {
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QLatin1String(table)));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            QStringList row;
            for (const QString &f : rs->fieldNames())
                row << f + QLatin1Char('=') + rs->value(f).toString();
            out << row.join(QLatin1Char('|'));
        }
    }
    if (!SettingsStore::instance().sync())
        out << QStringLiteral("(settings not written)");
    QFile ini(SettingsStore::instance().fileName());
    if (ini.open(QIODevice::ReadOnly))
        out << QString::fromUtf8(ini.readAll());
    return out.join(QLatin1Char('\n'));
}

inline qint64 count(const QString &sql, const QVariantList &params = {})
{
    return gDB->openQuery(sql, params)->value(QStringLiteral("n")).toLongLong();
}

} // namespace UsersFixture
