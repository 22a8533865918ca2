#include "mainwindow/LogRowsModel.h"

#include "platform/Database.h"
#include "platform/Values.h"
#include "store/AuctionRecords.h"
#include "store/Globals.h"
#include "store/LogRecords.h"

#include <limits>

LogRowsModel::LogRowsModel(QObject *parent) : QAbstractTableModel(parent) {}

void LogRowsModel::showGeneral()
{
    restart(Kind::General, 0, 0);
}

void LogRowsModel::showAuction(qint32 auctionKey, qint32 userKey)
{
    // The rows of an auction that is no longer stored are not shown.
    if (!auction_store::auctionExists(*gDB, auctionKey)) {
        clear();
        return;
    }
    restart(Kind::Auction, auctionKey, userKey);
}

void LogRowsModel::clear()
{
    beginResetModel();
    m_kind = Kind::None;
    m_rows.clear();
    m_newestKey = 0;
    m_atEnd = true;
    endResetModel();
}

void LogRowsModel::restart(Kind kind, qint32 auctionKey, qint32 userKey)
{
    // Read before the model changes: a log that cannot be read leaves the view empty.
    m_kind = kind;
    m_auctionKey = auctionKey;
    m_userKey = userKey;
    QVector<Row> page;
    try {
        page = read(0, std::numeric_limits<qint64>::max(), kPageRows);
    } catch (...) {
        clear();
        throw;
    }
    beginResetModel();
    m_rows = std::move(page);
    m_newestKey = m_rows.isEmpty() ? 0 : m_rows.first().key;
    m_atEnd = m_rows.size() < kPageRows;
    endResetModel();
}

void LogRowsModel::appendNew()
{
    if (m_kind == Kind::None)
        return;
    // Everything written since: a burst of rows between two looks is still read whole.
    const QVector<Row> fresh = read(m_newestKey, std::numeric_limits<qint64>::max(), std::numeric_limits<int>::max());
    if (fresh.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(fresh.size()) - 1);
    m_rows = fresh + m_rows;
    m_newestKey = fresh.first().key;
    endInsertRows();
}

QVector<LogRowsModel::Row> LogRowsModel::read(qint64 after, qint64 before, int limit) const
{
    QVector<Row> out;
    if (!gDB || m_kind == Kind::None)
        return out;
    const bool general = m_kind == Kind::General;
    const QVector<log_store::Entry> entries =
        log_store::newestFirst(*gDB, general ? 0 : m_auctionKey, general ? 0 : m_userKey, after, before, limit);
    out.reserve(entries.size());
    for (const log_store::Entry &entry : entries)
        out.push_back({entry.key, Values::formatGeneralDate(entry.stamp), entry.message});
    return out;
}

int LogRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LogRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant LogRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    const Row &row = m_rows.at(index.row());
    return index.column() == 0 ? row.stamp : row.message;
}

QVariant LogRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return section == 0 ? QStringLiteral("Time") : QStringLiteral("Message");
}

bool LogRowsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_kind != Kind::None && !m_atEnd;
}

void LogRowsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    QVector<Row> page;
    try {
        page = read(0, m_rows.isEmpty() ? std::numeric_limits<qint64>::max() : m_rows.last().key, kPageRows);
    } catch (const DbError &) {
        // Called by the view while it scrolls: a log that cannot be read shows no more rows.
        m_atEnd = true;
        return;
    }
    m_atEnd = page.size() < kPageRows;
    if (page.isEmpty())
        return;
    beginInsertRows(QModelIndex(), static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + page.size()) - 1);
    m_rows += page;
    if (m_newestKey == 0)
        m_newestKey = m_rows.first().key;
    endInsertRows();
}
