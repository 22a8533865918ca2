#pragma once

#include <QString>
#include <QVector>

class Database;

// A user's shortcuts: each points at one of the user's folders or auctions. Every operation
// throws DbError when the database cannot do it.
namespace shortcut_store {

struct Target
{
    enum class Kind
    {
        Folder,
        Auction,
    };
    Kind kind = Kind::Folder;
    qint32 key = 0;

    bool operator==(const Target &other) const { return kind == other.kind && key == other.key; }
};

struct Shortcut
{
    Target target;
    QString text;
};

// The one rule for a shortcut that still points somewhere: the user's own folder, or the
// user's own auction in one of the user's folders (whose key *folderKey then gets, as the grid
// must show it).
bool targetExists(Database &db, qint32 userKey, const Target &target, qint32 *folderKey = nullptr);

// Removes the user's rows whose target fails that rule, in one transaction; returns how many.
int pruneShortcuts(Database &db, qint32 userKey);

// In the order they were written. A folder shortcut reads as the folder's present name while
// the folder is there; rows that point at nothing are left out.
QVector<Shortcut> loadShortcuts(Database &db, qint32 userKey);
// All the user's rows become these, in this order, or none change.
void replaceShortcuts(Database &db, qint32 userKey, const QVector<Shortcut> &shortcuts);
void addShortcut(Database &db, qint32 userKey, const Shortcut &shortcut);
// Every row of the user that points at target.
int removeShortcut(Database &db, qint32 userKey, const Target &target);

// The text a new shortcut takes: the folder's name, the auction's title; empty and false when
// the user has no such folder or auction.
bool targetText(Database &db, qint32 userKey, const Target &target, QString *text);

} // namespace shortcut_store
