#include "TreeFixture.h"

#include "platform/Database.h"
#include "platform_gui/Pictures.h"
#include "store/Globals.h"

namespace {
qint32 lastKey(const char *table, const char *column)
{
    auto rs =
        gDB->openQuery(QStringLiteral("SELECT max(%1) AS k FROM %2").arg(QLatin1String(column), QLatin1String(table)));
    return static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
}
} // namespace

TreeFixture::TreeFixture()
{
    if (!programFolder.isValid() || !programFolder.openStore())
        return;
    for (const char *name : {"Ann", "Bob"}) {
        gDB->execute(QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, U_EbayEmail, "
                                    "U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) VALUES (?, ?, 'pw', ?, 5, 0, 1)"),
                     {QLatin1String(name), QLatin1String(name), QLatin1String(name) + QStringLiteral("@example.com")});
        (name[0] == 'A' ? userKey : otherUserKey) = lastKey("Users", "U_Primary");
    }
    registerProgramPictures();
    m_ok = true;
    reset();
}

TreeFixture::~TreeFixture()
{
    pane.reset();
    engine.reset();
    window.reset();
}

void TreeFixture::reset()
{
    pane.reset();
    engine.reset();
    window.reset();
    if (!gDB)
        return;
    for (const char *table : {"Auctions", "Folders", "Shortcuts"})
        gDB->execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    m_folders.clear();
    m_itemFolders.clear();
    m_folders.insert(QStringLiteral("Open Auctions"), addFolderRow(QStringLiteral("Open Auctions"), 0));
    m_folders.insert(QStringLiteral("Closed Auctions"), addFolderRow(QStringLiteral("Closed Auctions"), 0));
    gUsers->Init(*gDB);
    CurrentUser::instance().signIn(gUsers->GetUserByPrimary(userKey));
    m_ok = m_ok && gCurrentUser;
    window = std::make_unique<FakeMainWindow>();
    engine = std::make_unique<AuctionEngine>(*window);
    pane = std::make_unique<FolderTreePane>(*engine);
    pane->resize(300, 500);
}

qint32 TreeFixture::addFolderRow(const QString &name, qint32 parentKey, qint32 key)
{
    if (key >= 0) {
        gDB->execute(
            QStringLiteral("INSERT INTO Folders (FLD_Primary, FLD_User, FLD_Parent, FLD_Name) VALUES (?, ?, ?, ?)"),
            {key, userKey, parentKey, name});
        return key;
    }
    gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, ?, ?)"),
                 {userKey, parentKey, name});
    return lastKey("Folders", "FLD_Primary");
}

qint32 TreeFixture::addFolder(const QString &name, const QString &parent)
{
    const qint32 key = addFolderRow(name, folder(parent));
    m_folders.insert(name, key);
    return key;
}

void TreeFixture::addSampleFolders()
{
    addFolder(QStringLiteral("beta"), QStringLiteral("Open Auctions"));
    addFolder(QStringLiteral("Alpha"), QStringLiteral("Open Auctions"));
    addFolder(QStringLiteral("zeta"), QStringLiteral("Alpha"));
    addFolder(QStringLiteral("eta"), QStringLiteral("Alpha"));
    addFolder(QStringLiteral("Theta"), QStringLiteral("eta"));
    addFolder(QStringLiteral("Gamma"), QStringLiteral("Closed Auctions"));
}

qint32 TreeFixture::addAuction(const QString &folderName, const QString &itemNumber)
{
    gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_User, AUC_Folder, AUC_ItemNumber, AUC_Title, AUC_Status) "
                                "VALUES (?, ?, ?, ?, 1)"),
                 {userKey, folder(folderName), itemNumber, QStringLiteral("Lot ") + itemNumber});
    m_itemFolders.insert(itemNumber, folderName);
    return lastKey("Auctions", "AUC_Primary");
}

void TreeFixture::addShortcut(qint32 folderKey, qint32 auctionKey)
{
    gDB->execute(
        QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Folder, SHT_Auction, SHT_Text) VALUES (?, ?, ?, 'x')"),
        {userKey, folderKey, auctionKey});
}

void TreeFixture::load()
{
    pane->LoadFolderTree();
    pane->SelectOpenAuctionsFolder();
    pane->sftFolders_SelChange();
}

QStringList TreeFixture::outline() const
{
    QStringList out;
    for (qint32 i = 0; i < tree().itemCount(); ++i)
        out << QStringLiteral("%1:%2").arg(tree().itemLevel(i)).arg(tree().cellText(i));
    return out;
}

qint32 TreeFixture::count(const QString &sql, const QVariantList &params) const
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM ") + sql, params);
    return rs->value(QStringLiteral("n")).toInt();
}

qint32 TreeFixture::folderParent(const QString &name) const
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT FLD_Parent FROM Folders WHERE FLD_Primary = ?"), {folder(name)});
    return rs->recordCount() ? rs->value(QStringLiteral("FLD_Parent")).toInt() : -1;
}

QItemPtr TreeFixture::queueSnipe(qint32 auctionKey)
{
    auto bid = std::make_shared<BNBidTalk>();
    bid->PrimaryKey = auctionKey;
    bid->User = gCurrentUser;
    bid->MaxBid = 12.5;
    const QItemPtr item = BNQItem::snipe(bid);
    queue().Add(item);
    return item;
}

QItemPtr TreeFixture::queueImport(const QString &itemNumber, const QString &folderName)
{
    const QItemPtr item = BNQItem::import(itemNumber, userKey, folder(folderName));
    queue().Add(item);
    return item;
}

QItemPtr TreeFixture::queueRefresh(const QString &itemNumber, const QString &folderName)
{
    const QItemPtr item = BNQItem::refresh(itemNumber, userKey, folder(folderName), BNQItem::BackgroundPriority);
    queue().Add(item);
    return item;
}
