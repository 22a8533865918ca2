#pragma once

#include "engine/IMainWindow.h"
#include "platform_gui/QtTreeGrid.h"

#include <QStringList>
#include <QTreeWidget>
#include <functional>

// The main window as the engine sees it, with a real tree-grid over a widget that is never
// shown. Everything the engine asks is recorded for the tests to read.
class FakeMainWindow : public IMainWindow
{
public:
    FakeMainWindow();

    // Builds the grid's columns from the signed-in user's column set.
    void setUpColumns();

    void SetStatusText(QString &action, QString &step) override;
    QString statusPanel(int panel) const override { return panels.value(panel); }
    void setStatusPanel(int panel, const QString &text) override;
    void ToggleToolBarsMenus() override { ++toggles; }
    void BuildAuctionGrid(qint32 folderKey) override;
    void showAuctionRow(qint32 auctionKey) override { shownRows << auctionKey; }
    void sftFolders_SelChange() override { BuildAuctionGrid(selectedFolder); }
    qint32 selectedFolderKey() const override { return selectedFolder; }
    qint32 selectedFolderRootKey() const override { return selectedFolderRoot; }
    bool folderTreeHasSelection() const override { return selectedFolder >= 0; }
    qint32 selectedFolderRow() const override { return selectedFolder >= 0 ? selectedRow : -1; }
    TreeGrid &auctionGrid() override { return grid; }
    QString browserDocumentTitle() const override { return documentTitle; }
    QString browserAddress() const override { return address; }
    void ShowAlreadyQueued(const QString &itemNumber) override { alreadyQueued << itemNumber; }
    void setAddAuctionEnabled(bool enabled) override { addEnabled = enabled; }
    void setAddAuctionDefault(bool isDefault) override { addDefault = isDefault; }
    void setLogHeadingColor(qint32 rgb) override { headingColor = rgb; }
    void hideAddAuctionStrip() override { stripHidden = true; }
    void UpdateTimeLeftColumn() override { ++timeLeftUpdates; }
    void updateCaption() override { ++captionUpdates; }
    void reloadGeneralLogView() override;
    void reloadAuctionLogView() override;
    void unloadWindow() override { ++unloads; }
    void showDatabaseTrouble(const QString &message) override { databaseTroubles << message; }

    QTreeWidget widget;
    QtTreeGrid grid{&widget};
    QStringList panels{QString(), QString(), QString(), QString()};
    QStringList panelWrites; // "n:text" for every write
    QStringList databaseTroubles;
    qint32 selectedFolder = -1;
    qint32 selectedFolderRoot = -1;
    qint32 selectedRow = 1; // Open Auctions stands below Closed Auctions
    QString documentTitle;
    QString address;
    QStringList alreadyQueued;
    QList<qint32> shownRows; // the auctions whose row was rewritten alone
    bool addEnabled = true;
    bool addDefault = true;
    qint32 headingColor = -1;
    bool stripHidden = false;
    int toggles = 0, builds = 0, timeLeftUpdates = 0, captionUpdates = 0;
    int generalLogReloads = 0, auctionLogReloads = 0, unloads = 0;
    // Log views whose reload throws, as a view over a broken database would.
    bool generalLogBroken = false, auctionLogBroken = false;
    std::function<int()> queueCount;
};
