#pragma once

#include "engine/IMainWindow.h"
#include "platform_gui/QtTreeGrid.h"

#include <QTreeWidget>
#include <cstdio>

// The window as the engine needs it when nothing is shown: a grid that is never drawn and a
// fixed folder. Enough to import auctions into a folder outside the program.
class HeadlessWindow : public IMainWindow
{
public:
    explicit HeadlessWindow(qint32 folderKey);

    void SetStatusText(QString &, QString &) override {}
    QString statusPanel(int) const override { return QString(); }
    void setStatusPanel(int, const QString &) override {}
    void ToggleToolBarsMenus() override {}
    void BuildAuctionGrid(qint32) override {}
    void showAuctionRow(qint32) override {}
    void sftFolders_SelChange() override {}
    qint32 selectedFolderKey() const override { return m_folder; }
    qint32 selectedFolderRootKey() const override { return m_folder; }
    bool folderTreeHasSelection() const override { return true; }
    qint32 selectedFolderRow() const override { return 1; }
    TreeGrid &auctionGrid() override { return m_grid; }
    QString browserDocumentTitle() const override { return QString(); }
    QString browserAddress() const override { return QString(); }
    void ShowAlreadyQueued(const QString &) override {}
    void setAddAuctionEnabled(bool) override {}
    void setAddAuctionDefault(bool) override {}
    void hideAddAuctionStrip() override {}
    void UpdateTimeLeftColumn() override {}
    void updateCaption() override {}
    void reloadGeneralLogView() override {}
    void setLogHeadingColor(qint32) override {}
    void reloadAuctionLogView() override {}
    void unloadWindow() override {}
    void showDatabaseTrouble(const QString &message) override { std::fprintf(stderr, "%s\n", qPrintable(message)); }

private:
    qint32 m_folder;
    QTreeWidget m_widget;
    QtTreeGrid m_grid{&m_widget};
};
