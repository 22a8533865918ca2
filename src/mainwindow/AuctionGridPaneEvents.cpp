#include "dialogs/IDialogs.h"
#include "engine/EventGuard.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/AuctionGridPaneSupport.h"
#include "platform/Clock.h"
#include "platform/Values.h"
#include "platform_gui/QtTreeGrid.h"
#include "store/AppSettings.h"
#include "store/AuctionRecords.h"
#include "store/Globals.h"

#include <cmath>

using namespace auction_grid;

void AuctionGridPane::sftAuctions_SelChange()
{
    if (m_grid->currentRow() != -1)
        emit showSelectedAuction();
    emit toolBarsMenusChanged();
}

void AuctionGridPane::sftAuctions_Click(qint32 row, qint32 column, TreeGrid::ClickArea area, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    if (area == TreeGrid::ClickArea::CellPicture)
        pictureClicked(row, column);
    else if (area == TreeGrid::ClickArea::ColumnHeader)
        headerClicked(column);
}

void AuctionGridPane::pictureClicked(qint32 row, qint32 column)
{
    const QString picture = m_grid->cellPicture(row, column);
    if (picture == kChecked)
        m_grid->setCellPicture(row, column, kUnchecked);
    else if (picture == kUnchecked)
        m_grid->setCellPicture(row, column, kChecked);
    SaveAuctionCheckFlags(row);
    if (picture == kPencil)
        editComment(row);
}

void AuctionGridPane::SaveAuctionCheckFlags(qint32 row)
{
    if (!gDB || !gCurrentUser)
        return;
    const AucColumns &c = gCurrentUser->Columns;
    const qint32 key = m_grid->rowKey(row);
    const auto flag = [&](qint16 position) {
        return position == -1 ? std::nullopt : std::optional<bool>(m_grid->cellPicture(row, position) == kChecked);
    };
    const auction_store::CheckFlags flags{flag(c.Paid), flag(c.Received), flag(c.LeftFeedback)};
    runGuarded("SaveAuctionCheckFlags", ErrorReport::Log, [&] { auction_store::saveCheckFlags(*gDB, key, flags); });
}

void AuctionGridPane::DeleteAuction(qint32 row)
{
    if (!gDB || !gCurrentUser || row < 0 || row >= m_grid->rowCount())
        return;
    const QString itemNumber = m_grid->cellText(row, gCurrentUser->Columns.ItemNumber);
    const qint32 key = m_grid->rowKey(row);
    runGuarded("DeleteAuction", ErrorReport::Log, [&] {
        auction_store::deleteAuctions(*gDB, gCurrentUser->PrimaryKey, {key});
        m_grid->removeRow(row);
        emit auctionDeleted(key, itemNumber);
    });
}

void AuctionGridPane::editComment(qint32 row)
{
    if (!gDB || !gCurrentUser)
        return;
    // The dialog lets timers run and the grid may be rebuilt meanwhile: from here on the
    // auction is known by its key only.
    const qint32 key = m_grid->rowKey(row);
    const QString title = m_grid->cellText(row, 0);
    QString comment;
    runGuarded("sftAuctions_Click", ErrorReport::Log, [&] { comment = auction_store::comment(*gDB, key); });
    if (!m_dialogs.comment(window(), title, comment))
        return;
    runGuarded("sftAuctions_Click", ErrorReport::Log, [&] {
        if (!auction_store::saveComment(*gDB, key, comment))
            return;
        const qint16 commentsColumn = gCurrentUser ? gCurrentUser->Columns.Comments : qint16(-1);
        const qint32 shown = m_grid->findRowByKey(key, 0);
        if (shown > -1 && commentsColumn != -1)
            m_grid->setCellText(shown, commentsColumn, comment);
        fitColumns(0);
        m_grid->refreshLayout();
    });
}

void AuctionGridPane::headerClicked(qint32 column)
{
    const bool wasAscending = m_grid->columnHeaderPicture(column) == kUp;
    for (qint32 col = 0; col < m_grid->columnCount(); ++col)
        m_grid->setColumnHeaderPicture(col, QString());
    m_grid->setColumnHeaderPicture(column, wasAscending ? kDown : kUp);
    mintSortColumn = static_cast<qint16>(column);
    mblnSortDescending = wasAscending;
    emit sortChanged();
    fitColumns(100);
}

QString AuctionGridPane::sftAuctions_HeaderToolTip(qint32) const
{
    return QStringLiteral("Click Column Header to Sort");
}

void AuctionGridPane::sftAuctions_DragStart()
{
    const qint32 row = m_grid->currentRow();
    if (row < 0)
        return;
    m_grid->setDragPicture(kDragIcon);
    // The drag runs its own event loop: the drop is told the auctions by key.
    mlngDragRow = row;
    m_dragKeys.clear();
    for (qint32 selected : m_grid->selectedRows())
        m_dragKeys << m_grid->rowKey(selected);
    if (m_dragKeys.isEmpty())
        m_dragKeys << m_grid->rowKey(row);
    emit dragStarted(row);
    m_grid->beginDrag();
}

void AuctionGridPane::UpdateTimeLeftColumn()
{
    if (m_grid->rowCount() == 0 || !gCurrentUser)
        return;
    const qint16 timeLeft = gCurrentUser->Columns.TimeLeft;
    const qint16 timeEnds = gCurrentUser->Columns.TimeEnds;
    if (timeLeft == -1 || timeEnds == -1)
        return;
    const qint64 now = wallSeconds(Clock::now());
    m_grid->setBulkUpdate(true);
    for (qint32 row = 0, rows = m_grid->rowCount(); row < rows; ++row) {
        if (!isEndedText(m_grid->cellText(row, timeLeft)))
            m_grid->setCellText(row, timeLeft, timeLeftText(row, timeEnds, now));
    }
    m_grid->setBulkUpdate(false);
}

QString AuctionGridPane::TimeLeftText(qint32 row) const
{
    return timeLeftText(row, gCurrentUser ? gCurrentUser->Columns.TimeEnds : qint16(-1), wallSeconds(Clock::now()));
}

qint64 AuctionGridPane::endTimeOf(const QString &text) const
{
    auto it = m_endTimes.constFind(text);
    if (it != m_endTimes.constEnd())
        return *it;
    const QDateTime end = Values::toDate(text);
    const qint64 seconds = end.isValid() ? wallSeconds(end) : kNoDate;
    if (m_endTimes.size() > 10000)
        m_endTimes.clear();
    m_endTimes.insert(text, seconds);
    return seconds;
}

QString AuctionGridPane::timeLeftText(qint32 row, qint16 timeEndsColumn, qint64 localNowSeconds) const
{
    if (timeEndsColumn == -1)
        return QString();
    return timeLeftFromEnd(endTimeOf(m_grid->cellText(row, timeEndsColumn)), localNowSeconds);
}

QString AuctionGridPane::timeLeftFromEnd(qint64 siteEnd, qint64 localNowSeconds)
{
    if (siteEnd == kNoDate)
        return QString();
    // The site's end time, taken on the local clock.
    const qint64 localEnd = siteEnd + qint64(gSettings ? gSettings->TimeOffset : 0) * 3600;
    qint64 s = localEnd - localNowSeconds;
    const qint64 d = static_cast<qint64>(std::floor(double(s) / 86400.0));
    if (d < 0)
        return QStringLiteral("---");
    if (d > 0)
        s -= d * 86400;
    const qint64 h = s / 3600;
    if (h > 0)
        s -= h * 3600;
    const qint64 m = s / 60;
    if (m > 0)
        s -= m * 60;
    if (d > 0)
        return QStringLiteral("%1 Days, %2 Hours +").arg(d).arg(h);
    if (h > 0)
        return QStringLiteral("%1 Hours, %2 Mins +").arg(h).arg(m);
    if (m > 0)
        return QStringLiteral("%1 Mins, %2 Secs +").arg(m).arg(s);
    if (s >= 1)
        return QStringLiteral("%1 Seconds").arg(s);
    return QStringLiteral("---");
}
