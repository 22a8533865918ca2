#pragma once

#include "platform/TreeGrid.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QWidget>
#include <limits>

class IDialogs;
class QtTreeGrid;
class QTreeWidget;
struct AuctionRow;

// The auction grid sftAuctions: one row per auction of the shown folder, with the columns the
// signed-in user chose; its check flags, comments, sorting by header and the time-left texts.
// What lies outside the grid (the browser and the log following the row, the toolbar state,
// rebuilding for the folder tree's folder, the drop) goes out as signals the window connects.
class AuctionGridPane : public QWidget
{
    Q_OBJECT
public:
    explicit AuctionGridPane(IDialogs &dialogs, QWidget *parent = nullptr);
    ~AuctionGridPane() override;

    TreeGrid &auctionGrid();
    QTreeWidget *sftAuctions() const;

    // Refills the grid with the auctions of a folder; the selected auction stays selected.
    void BuildAuctionGrid(qint32 folderKey);
    // Rewrites the row of one auction as BuildAuctionGrid would write it. The grid is built again
    // instead when the auction has left the folder shown or its place in the sort may have moved.
    void showAuctionRow(qint32 auctionKey);
    // With nobody signed in: no rows, and one column headed "Auctions".
    void showNobodysHeader();
    // Builds the grid's columns from the signed-in user's column set.
    void ConfigureAuctionGridColumns();
    // Rewrites the time-left cell of every row.
    void UpdateTimeLeftColumn();
    QString TimeLeftText(qint32 row) const;
    // Stores the row's three check flags (only of the shown columns).
    void SaveAuctionCheckFlags(qint32 row);
    bool IsAnAuctionSelected() const;
    // Deletes the auction of a row from the table and the grid (its log rows stay), then tells
    // the window, which drops its waiting requests and its shortcut.
    void DeleteAuction(qint32 row);

    // The auction of the current row: its key (-1 when none) and its item-number text.
    qint32 currentAuctionKey() const;
    QString currentItemNumber() const;

    // The split position: the width of the grid's leading part (its first column), in twips.
    // Once restored, set or dragged by the user it holds through every refit of the columns.
    float splitPosition() const;
    void setSplitPosition(float twips);

    qint16 sortColumn() const { return mintSortColumn; }
    bool sortDescending() const { return mblnSortDescending; }
    // The row and the keys of the selected auctions when the last drag began.
    qint32 dragRow() const { return mlngDragRow; }
    QList<qint32> dragAuctionKeys() const { return m_dragKeys; }

    // The grid's event handlers, public so that tests can drive them.
    void sftAuctions_SelChange();
    void sftAuctions_Click(qint32 row, qint32 column, TreeGrid::ClickArea area, Qt::MouseButton button);
    QString sftAuctions_HeaderToolTip(qint32 column) const;
    void sftAuctions_DragStart();

signals:
    // The current row changed to an auction: the window shows it (browser and auction log).
    void showSelectedAuction();
    // The selection changed (to a row or to none): the toolbars and menus need bringing up to date.
    void toolBarsMenusChanged();
    // A header click changed the sort: the window rebuilds the grid for the folder tree's folder.
    void sortChanged();
    // An auction drag begins (before the drag runs): the row dragged, see also dragAuctionKeys().
    void dragStarted(qint32 row);
    // DeleteAuction removed this auction: its queued requests and its shortcut go too.
    void auctionDeleted(qint32 auctionKey, const QString &itemNumber);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Writes a row's cells, its time left as the minute's rewrite writes it.
    void writeRow(const AuctionRow &auction, qint32 row, const QDateTime &siteNow, qint64 localNowSeconds);
    QString timeLeftText(qint32 row, qint16 timeEndsColumn, qint64 localNowSeconds) const;
    // The time-left text of a site end time (kNoDate: none).
    static QString timeLeftFromEnd(qint64 siteEnd, qint64 localNowSeconds);
    QString sortCaption() const;
    void fitColumns(float extra);
    void watchSplitDrag();
    void applySplit();
    void headerClicked(qint32 column);
    void pictureClicked(qint32 row, qint32 column);
    void editComment(qint32 row);
    // The wall-clock seconds of a time-ends text, kNoDate when it is not a date.
    qint64 endTimeOf(const QString &text) const;
    static constexpr qint64 kNoDate = std::numeric_limits<qint64>::min();

    IDialogs &m_dialogs;
    QTreeWidget *m_tree;
    QtTreeGrid *m_grid;
    qint16 mintSortColumn = 0;
    bool mblnSortDescending = false;
    qint32 mlngDragRow = -1;
    QList<qint32> m_dragKeys;
    bool m_building = false;
    qint32 m_folderKey = -1; // the folder the grid was last built for
    // The split held through refits, -1 while the fit decides; a drag of the header is under way.
    float m_split = -1;
    bool m_headerPressed = false;
    // Time-ends texts already read as dates: the minute rewrite reads the same texts again.
    mutable QHash<QString, qint64> m_endTimes;
};
