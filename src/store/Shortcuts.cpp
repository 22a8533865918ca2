#include "store/Shortcuts.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"

namespace shortcut_store {

namespace {

// A row points at a folder when SHT_Folder > 0, else at an auction when SHT_Auction > 0.
bool rowTarget(Recordset &rs, Target *target)
{
    const auto folder = static_cast<qint32>(rs.value(QStringLiteral("SHT_Folder")).toLongLong());
    const auto auction = static_cast<qint32>(rs.value(QStringLiteral("SHT_Auction")).toLongLong());
    if (folder > 0)
        *target = {Target::Kind::Folder, folder};
    else if (auction > 0)
        *target = {Target::Kind::Auction, auction};
    else
        return false;
    return true;
}

void insertRow(Database &db, qint32 userKey, const Shortcut &s)
{
    const bool folder = s.target.kind == Target::Kind::Folder;
    db.execute(
        QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Text, SHT_Folder, SHT_Auction) VALUES (?, ?, ?, ?)"),
        {userKey, s.text, folder ? s.target.key : 0, folder ? 0 : s.target.key});
}

} // namespace

bool targetExists(Database &db, qint32 userKey, const Target &target, qint32 *folderKey)
{
    qint32 folder = target.key;
    if (target.kind == Target::Kind::Auction) {
        auto rs = db.openQuery(QStringLiteral("SELECT AUC_Folder FROM Auctions WHERE AUC_Primary = ? AND AUC_User = ?"),
                               {target.key, userKey});
        if (rs->eof())
            return false;
        folder = static_cast<qint32>(rs->value(QStringLiteral("AUC_Folder")).toLongLong());
    }
    auto rs = db.openQuery(QStringLiteral("SELECT count(*) AS n FROM Folders WHERE FLD_Primary = ? AND FLD_User = ?"),
                           {folder, userKey});
    if (folderKey)
        *folderKey = folder;
    return rs->value(QStringLiteral("n")).toInt() > 0;
}

int pruneShortcuts(Database &db, qint32 userKey)
{
    Transaction t(db);
    QList<qint64> dead;
    auto rs = db.openQuery(
        QStringLiteral("SELECT SHT_Primary, SHT_Folder, SHT_Auction FROM Shortcuts WHERE SHT_User = ?"), {userKey});
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        Target target;
        if (rowTarget(*rs, &target) && !targetExists(db, userKey, target))
            dead << rs->value(QStringLiteral("SHT_Primary")).toLongLong();
    }
    for (qint64 key : dead)
        db.execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_Primary = ?"), {key});
    t.commit();
    return static_cast<int>(dead.size());
}

QVector<Shortcut> loadShortcuts(Database &db, qint32 userKey)
{
    // replaceShortcuts writes the rows in the bar's order, so their keys keep it.
    auto rs = db.openQuery(
        QStringLiteral("SELECT Shortcuts.SHT_Folder, Shortcuts.SHT_Auction, Shortcuts.SHT_Text, Folders.FLD_Name "
                       "FROM Shortcuts LEFT JOIN Folders ON Shortcuts.SHT_Folder = Folders.FLD_Primary AND "
                       "Folders.FLD_User = Shortcuts.SHT_User WHERE Shortcuts.SHT_User = ? "
                       "ORDER BY Shortcuts.SHT_Primary"),
        {userKey});
    QVector<Shortcut> out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        Shortcut s;
        if (!rowTarget(*rs, &s.target))
            continue;
        const QVariant name = rs->value(QStringLiteral("FLD_Name"));
        // A folder gone since keeps the old text, and its first click removes it.
        s.text = s.target.kind == Target::Kind::Folder && !name.isNull()
                     ? name.toString()
                     : rs->value(QStringLiteral("SHT_Text")).toString();
        out << s;
    }
    return out;
}

void replaceShortcuts(Database &db, qint32 userKey, const QVector<Shortcut> &shortcuts)
{
    Transaction t(db);
    db.execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_User = ?"), {userKey});
    for (const Shortcut &s : shortcuts)
        insertRow(db, userKey, s);
    t.commit();
}

void addShortcut(Database &db, qint32 userKey, const Shortcut &shortcut)
{
    insertRow(db, userKey, shortcut);
}

int removeShortcut(Database &db, qint32 userKey, const Target &target)
{
    return target.kind == Target::Kind::Folder
               ? db.execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_Folder = ? AND SHT_User = ?"),
                            {target.key, userKey})
               : db.execute(QStringLiteral("DELETE FROM Shortcuts WHERE SHT_Auction = ? AND SHT_User = ?"),
                            {target.key, userKey});
}

bool targetText(Database &db, qint32 userKey, const Target &target, QString *text)
{
    auto rs = target.kind == Target::Kind::Folder
                  ? db.openQuery(QStringLiteral("SELECT FLD_Name AS t FROM Folders WHERE FLD_Primary = ? AND "
                                                "FLD_User = ?"),
                                 {target.key, userKey})
                  : db.openQuery(QStringLiteral("SELECT AUC_Title AS t FROM Auctions WHERE AUC_Primary = ? AND "
                                                "AUC_User = ?"),
                                 {target.key, userKey});
    if (rs->eof()) {
        text->clear();
        return false;
    }
    *text = rs->value(QStringLiteral("t")).toString();
    return true;
}

} // namespace shortcut_store
