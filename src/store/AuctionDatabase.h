#pragma once

#include <QString>

class Database;

// Opening and upgrading the program's database, and the version text.
constexpr const char *kDatabaseFileName = "auction.mdb";

// The path of auction.mdb in the program folder.
QString AuctionDatabasePath();
// Opens auction.mdb into gDB. False, with a message naming the path and the cause, when it is
// missing, unreadable, cannot be written or lacks one of the six tables; nothing is created in
// its place.
bool OpenAuctionDatabase(QString *error = nullptr);
// Opens auction.mdb again in the object gDB already holds (after a close or a swap of the
// file), so every holder of gDB stays valid. False, with *error, when it cannot: gDB then
// stays as it was (closed after a close: every use throws DbError).
bool ReopenAuctionDatabase(QString *error = nullptr);
// When the file at auction.mdb's path is no longer the one gDB has open (restored from a
// backup, put there by a sync tool), SQLite refuses every write to it: opens gDB again on the
// file now at the path. True when it did, with *note saying what happened.
bool ReopenReplacedAuctionDatabase(QString *note = nullptr);
// Adds the columns of the later layout that an older file lacks.
void UpgradeDatabase();
void UpgradeDatabase(Database &db);
// True when the Users table holds no row.
bool NoUsersExist();
bool NoUsersExist(Database &db);
// "major.minor.revision", e.g. "2.0.13"; the numbers are the build's project version.
QString GetAppVersion();
// The program's title, "Zandrift major.minor".
QString GetAppTitle();

// Adds a column to a table of a database.
class BNTableAdd
{
public:
    Database *Databse = nullptr;
    // typeCode: 10 text, 4 long integer (also 3 integer, 8 date, 5 currency, 1 yes/no).
    // False, silently, when the column exists or the table is missing.
    bool FieldAppend(const QString &table, const QString &field, qint32 typeCode, const QString &size,
                     bool allowZeroLength);
};
