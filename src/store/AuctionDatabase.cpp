#include "store/AuctionDatabase.h"

#include "platform/Database.h"
#include "platform/NameFolding.h"
#include "platform/ProgramFolder.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "store/Globals.h"

QString AuctionDatabasePath()
{
    return ProgramFolder::file(QLatin1String(kDatabaseFileName));
}

namespace {
// The tables every part of the program reads; a file without them is not ours, or is damaged.
bool hasTheTables(const Database &db, QString *why)
{
    for (const char *table : {"Users", "Auctions", "Folders", "Shortcuts", "Logs", "Application"}) {
        if (!db.hasTable(QLatin1String(table))) {
            *why = QStringLiteral("The file \"%1\" is not a Zandrift database: it has no table \"%2\".")
                       .arg(db.path(), QLatin1String(table));
            return false;
        }
    }
    return true;
}

// Program-user names are unique in any letter case by Unicode's rules; older files knew only
// A to Z. Users of an older file whose names the new rule would merge keep their rows and the
// older rule.
void upgradeNameIndex(Database &db)
{
    auto index = db.openQuery(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = ?"),
                              {QStringLiteral("U_ZandroName")});
    if (index->recordCount() > 0 &&
        index->value(QStringLiteral("sql")).toString().contains(QLatin1String(kNameCollation), Qt::CaseInsensitive))
        return;
    try {
        Transaction step(db);
        db.execute(QStringLiteral("DROP INDEX IF EXISTS U_ZandroName"));
        db.execute(QStringLiteral("CREATE UNIQUE INDEX U_ZandroName ON Users (U_ZandroName COLLATE %1)")
                       .arg(QLatin1String(kNameCollation)));
        step.commit();
    } catch (const DbError &) {
        // Two names already merge under the new rule: the older index stays.
    }
}
} // namespace

bool OpenAuctionDatabase(QString *error)
{
    QString why;
    auto fail = [&] {
        if (error)
            *error = why;
        return false;
    };
    auto db = Database::open(AuctionDatabasePath(), &why);
    if (!db || !hasTheTables(*db, &why))
        return fail();
    if (gDB) {
        // gDB stays the same object for the whole run: whoever holds it keeps a live handle.
        db.reset();
        if (!gDB->reopen(AuctionDatabasePath(), &why))
            return fail();
        return true;
    }
    gDB = std::move(db);
    return true;
}

bool ReopenAuctionDatabase(QString *error)
{
    return OpenAuctionDatabase(error);
}

bool ReopenReplacedAuctionDatabase(QString *note)
{
    if (!gDB || gDB->transactionDepth() > 0 || !gDB->fileReplaced())
        return false;
    QString why;
    if (!ReopenAuctionDatabase(&why))
        return false;
    if (note)
        *note = QStringLiteral("The database file %1 was replaced while Zandrift was running; Zandrift opened the "
                               "new file and goes on with it.")
                    .arg(QLatin1String(kDatabaseFileName));
    return true;
}

void UpgradeDatabase()
{
    if (!gDB)
        throw DbError(QStringLiteral("The database is not open."));
    UpgradeDatabase(*gDB);
}

void UpgradeDatabase(Database &db)
{
    BNTableAdd adder;
    adder.Databse = &db;
    struct Added
    {
        const char *table;
        const char *field;
        qint32 type;
        const char *size;
    };
    static const Added later[] = {
        {"Auctions", "AUC_CityLocation", 10, "255"},
        {"Auctions", "AUC_CountryRegion", 10, "255"},
        {"Auctions", "AUC_Seller", 10, "255"},
        {"Auctions", "AUC_HighBidder", 10, "255"},
        {"Auctions", "AUC_Paid", 4, "0"},
        {"Auctions", "AUC_Received", 4, "0"},
        {"Auctions", "AUC_LeftFeedback", 4, "0"},
        {"Auctions", "AUC_Comments", 10, "255"},
        {"Application", "APP_SnipesTemp", 4, "0"},
        // The zone word of the end ("PST", "PDT"): the autumn's repeated hour is told apart by it.
        {"Auctions", "AUC_EndedZone", 10, "3"},
    };
    for (const Added &a : later)
        adder.FieldAppend(QLatin1String(a.table), QLatin1String(a.field), a.type, QLatin1String(a.size), true);
    upgradeNameIndex(db);

    auto app = db.openTable(QStringLiteral("Application"));
    app->moveFirst();
    if (app->isNull(QStringLiteral("APP_SnipesTemp"))) {
        app->edit();
        app->setValue(QStringLiteral("APP_SnipesTemp"), 0);
        app->update();
    }
}

bool NoUsersExist()
{
    if (!gDB)
        throw DbError(QStringLiteral("The database is not open."));
    return NoUsersExist(*gDB);
}

bool NoUsersExist(Database &db)
{
    auto rs = db.openQuery(QStringLiteral("SELECT U_Primary FROM Users LIMIT 1"));
    return rs->recordCount() == 0;
}

QString GetAppVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ZANDRIFT_VERSION_MAJOR)
        .arg(ZANDRIFT_VERSION_MINOR)
        .arg(ZANDRIFT_VERSION_PATCH);
}

QString GetAppTitle()
{
    return QStringLiteral("Zandrift %1.%2").arg(ZANDRIFT_VERSION_MAJOR).arg(ZANDRIFT_VERSION_MINOR);
}

bool BNTableAdd::FieldAppend(const QString &table, const QString &field, qint32 typeCode, const QString &size,
                             bool allowZeroLength)
{
    if (!Databse)
        return false;
    Database::NewColumn col;
    col.name = field;
    col.size = size.toInt();
    switch (typeCode) {
    case 10:
        col.kind = ColumnKind::Text;
        col.allowZeroLength = allowZeroLength;
        col.defaultValue = QString(QLatin1String(""));
        break;
    case 4:
        col.kind = ColumnKind::Long;
        col.defaultValue = 0;
        break;
    case 3:
        col.kind = ColumnKind::Int;
        break;
    case 8:
        col.kind = ColumnKind::Date;
        break;
    case 5:
        col.kind = ColumnKind::Money;
        break;
    case 1:
        col.kind = ColumnKind::YesNo;
        break;
    default:
        return false;
    }
    try {
        Databse->addColumn(table, col);
    } catch (const DbError &) {
        return false;
    }
    return true;
}
