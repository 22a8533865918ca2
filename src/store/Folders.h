#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class Database;

// Key lookups of the fixed folders and of an auction's folder; -1 when there is none.
constexpr const char *kOpenAuctionsFolder = "Open Auctions";
constexpr const char *kClosedAuctionsFolder = "Closed Auctions";

qint32 GetAuctionFolder(Database &db, qint32 auctionKey);
qint32 GetOpenAuctionsFolder(Database &db, qint32 userKey);
qint32 GetClosedAuctionsFolder(Database &db, qint32 userKey);

// The operations on a user's Folders rows. Each throws DbError when the database cannot do it.
namespace folder_store {

struct Folder
{
    qint32 key = 0;
    QString name;
    qint32 parent = 0;
};

// The user's folders under parentKey (0: the top level), by name without regard to case.
QVector<Folder> children(Database &db, qint32 userKey, qint32 parentKey);
// The new folder's key.
qint32 addFolder(Database &db, qint32 userKey, qint32 parentKey, const QString &name);
// False when the user has no such folder.
bool renameFolder(Database &db, qint32 userKey, qint32 folderKey, const QString &name);
bool moveFolder(Database &db, qint32 userKey, qint32 folderKey, qint32 newParentKey);

// The folder's top-level ancestor by the parents in the table; -1 when a folder on the way is
// missing. A damaged file whose parents form a cycle ends the walk.
qint32 folderRoot(Database &db, qint32 userKey, qint32 folderKey);

// A new user's two fixed folders, each with its shortcut.
void addFixedFolders(Database &db, qint32 userKey);

// What a folder's deletion took, for the engine to forget.
struct TreeDeletion
{
    QList<qint32> folders; // the folder first, then its subfolders
    QList<qint32> auctions;
    QStringList itemNumbers; // of those auctions, in the same order
};
// The folder, every folder under it, their auctions and the shortcuts left pointing at
// nothing, in one transaction. Nothing when the user has no such folder.
TreeDeletion deleteFolderTree(Database &db, qint32 userKey, qint32 folderKey);

} // namespace folder_store
