#pragma once

#include "FakeMainWindow.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"
#include "mainwindow/FolderTreePane.h"
#include "platform_gui/QtFolderTree.h"

#include <QHash>
#include <QStringList>
#include <memory>

// The folder tree pane over a program folder of its own: program user "Ann" with the two fixed
// folders, an engine over a fake window, and a pane. The folder is made once per test class;
// reset() leaves only the fixed folders, no auctions, shortcuts or queued requests, and builds
// a new engine and pane.
class TreeFixture
{
public:
    TreeFixture();
    ~TreeFixture();

    void reset();
    bool isValid() const { return m_ok; }

    // A folder of Ann under a parent (a name given to folder(), or a key); returns its key.
    qint32 addFolder(const QString &name, const QString &parent);
    qint32 addFolderRow(const QString &name, qint32 parentKey, qint32 key = -1);
    qint32 addAuction(const QString &folder, const QString &itemNumber);
    void addShortcut(qint32 folderKey, qint32 auctionKey);
    // The folders Open > Alpha > {eta > Theta, zeta}, Open > beta, Closed > Gamma.
    void addSampleFolders();
    // Loads the tree and selects "Open Auctions", as sign-in does.
    void load();

    qint32 folder(const QString &name) const { return m_folders.value(name, -1); }
    qint32 item(const QString &name) const { return tree().findItemByKey(folder(name)); }
    QtFolderTree &tree() const { return pane->folderTree(); }
    // "level:name" of every item in the tree's order.
    QStringList outline() const;
    qint32 count(const QString &sql, const QVariantList &params = {}) const;
    qint32 folderParent(const QString &name) const;
    BNQueue &queue() { return engine->queue(); }
    // A queued request: a snipe of an auction, an import into a folder, a refresh of an auction.
    QItemPtr queueSnipe(qint32 auctionKey);
    QItemPtr queueImport(const QString &itemNumber, const QString &folder);
    QItemPtr queueRefresh(const QString &itemNumber, const QString &folder);

    TestProgramFolder programFolder;
    std::unique_ptr<FakeMainWindow> window;
    std::unique_ptr<AuctionEngine> engine;
    std::unique_ptr<FolderTreePane> pane;
    qint32 userKey = 0;
    qint32 otherUserKey = 0;

private:
    bool m_ok = false;
    QHash<QString, qint32> m_folders;
    QHash<QString, QString> m_itemFolders;
};
