#pragma once

#include <QString>

class TreeGrid;

// What the engine needs of the main window. The window implements it; engine tests fake it.
class IMainWindow
{
public:
    virtual ~IMainWindow() = default;

    // Status bar: panel 1 the action, panel 2 the step, panel 3 the queue text.
    virtual void SetStatusText(QString &action, QString &step) = 0;
    virtual QString statusPanel(int panel) const = 0;
    virtual void setStatusPanel(int panel, const QString &text) = 0;

    virtual void ToggleToolBarsMenus() = 0;
    virtual void BuildAuctionGrid(qint32 folderKey) = 0;
    // Rewrites the grid row of one auction from what is stored, as a rebuild would show it,
    // without reading the other rows; nothing when the grid does not show the auction.
    virtual void showAuctionRow(qint32 auctionKey) = 0;
    // Shows the selected folder again (rebuilds the grid).
    virtual void sftFolders_SelChange() = 0;
    // Key of the folder selected in the folder tree, -1 when none; and of its top-level folder.
    virtual qint32 selectedFolderKey() const = 0;
    virtual qint32 selectedFolderRootKey() const = 0;
    virtual bool folderTreeHasSelection() const = 0;
    // The selected folder's row in the tree, from 0 at the top; -1 when none.
    virtual qint32 selectedFolderRow() const = 0;

    virtual TreeGrid &auctionGrid() = 0;

    // The page shown in the built-in browser.
    virtual QString browserDocumentTitle() const = 0;
    virtual QString browserAddress() const = 0;

    virtual void ShowAlreadyQueued(const QString &itemNumber) = 0;
    // The add strip's OK button and the strip itself.
    virtual void setAddAuctionEnabled(bool enabled) = 0;
    virtual void setAddAuctionDefault(bool isDefault) = 0;
    virtual void hideAddAuctionStrip() = 0;

    // Rewrites the grid's time-left cells; the window caption (counts of scheduled snipes).
    virtual void UpdateTimeLeftColumn() = 0;
    virtual void updateCaption() = 0;

    virtual void reloadGeneralLogView() = 0;
    // The colour of the log views' heading (choosing the general log view sets it back).
    virtual void setLogHeadingColor(qint32 rgb) = 0;
    virtual void reloadAuctionLogView() = 0;
    // The window's unload on the close request (the 200 ms tick checks it).
    virtual void unloadWindow() = 0;
    // Says, without holding anything up, that the database refuses writes and even the general
    // log cannot hold the report.
    virtual void showDatabaseTrouble(const QString &message) = 0;
};
