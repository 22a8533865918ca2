#include "store/AuctionRecords.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"
#include "platform/Values.h"
#include "store/AuctionStatus.h"

namespace auction_store {

namespace {

// The ORDER BY field of a column by the first 8 characters of its upper-cased caption; text
// fields sort without regard to case, as the user reads them.
struct SortField
{
    const char *captionStart;
    const char *field;
    bool text;
};
constexpr SortField kSortFields[] = {
    {"AUCTIONS", "AUC_Title", true},         {"ITEM #", "AUC_ItemNumber", true},
    {"CURRENT ", "AUC_CurrentBid", false},   {"MY MAX B", "AUC_MaxBid", false},
    {"MY BID Q", "AUC_BidQuantity", false},  {"# OF BID", "AUC_NumberOfBids", false},
    {"QTY FOR ", "AUC_Quantity", false},     {"TIME END", "AUC_Ended", false},
    {"TIME LEF", "AUC_Ended", false},        {"LOCATION", "AUC_CityLocation", true},
    {"COUNTRY/", "AUC_CountryRegion", true}, {"SELLER", "AUC_Seller", true},
    {"HIGH BID", "AUC_HighBidder", true},    {"PAID", "AUC_Paid", false},
    {"RECEIVED", "AUC_Received", false},     {"LEFT FEE", "AUC_LeftFeedback", false},
    {"COMMENTS", "AUC_Comments", true},
};

QString sortField(const QString &caption)
{
    const QString start = caption.toUpper().left(8);
    for (const SortField &f : kSortFields) {
        if (start == QLatin1String(f.captionStart))
            return QLatin1String(f.field) + (f.text ? QStringLiteral(" COLLATE NOCASE") : QString());
    }
    return QStringLiteral("AUC_Title COLLATE NOCASE");
}

QVariant flagValue(const std::optional<bool> &flag)
{
    return flag ? QVariant(*flag ? 1 : 0) : QVariant();
}

// The row to write, positioned; nullptr and why when it may not be written.
std::unique_ptr<Recordset> snipeRow(Database &db, qint32 auctionKey, qint32 loadedStatus, SnipeWrite *refusal)
{
    auto row = db.openTable(QStringLiteral("Auctions"));
    row->setIndex(QStringLiteral("PrimaryKey"));
    if (!row->seek(QStringLiteral("="), auctionKey)) {
        *refusal = SnipeWrite::Missing;
        return nullptr;
    }
    // A bid placed or an auction closed meanwhile is the engine's to record.
    const auto status = static_cast<qint32>(row->value(QStringLiteral("AUC_Status")).toLongLong());
    if (status != loadedStatus && status != AuctionStatus::NotScheduled && status != AuctionStatus::Scheduled) {
        *refusal = SnipeWrite::StatusChanged;
        return nullptr;
    }
    return row;
}

} // namespace

qint64 countScheduledSnipes(Database &db, std::optional<qint32> userKey)
{
    auto rs = userKey ? db.openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Status = ? AND "
                                                    "AUC_User = ?"),
                                     {AuctionStatus::Scheduled, *userKey})
                      : db.openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Status = ?"),
                                     {AuctionStatus::Scheduled});
    return rs->eof() ? 0 : rs->value(QStringLiteral("n")).toLongLong();
}

void clearRefreshMarks(Database &db)
{
    db.execute(QStringLiteral("UPDATE Auctions SET AUC_Refreshed = 1 WHERE AUC_Refreshed IS NOT 1"));
}

bool auctionExists(Database &db, qint32 auctionKey)
{
    return !db.openQuery(QStringLiteral("SELECT AUC_Primary FROM Auctions WHERE AUC_Primary = ?"), {auctionKey})->eof();
}

std::optional<QString> itemNumber(Database &db, qint32 auctionKey)
{
    auto rs = db.openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions WHERE AUC_Primary = ?"), {auctionKey});
    if (rs->eof())
        return std::nullopt;
    return Values::trimBlanks(rs->value(QStringLiteral("AUC_ItemNumber")).toString());
}

int deleteAuctions(Database &db, qint32 userKey, const QList<qint32> &auctionKeys)
{
    int deleted = 0;
    Transaction t(db);
    for (qint32 key : auctionKeys)
        deleted +=
            db.execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary = ? AND AUC_User = ?"), {key, userKey});
    t.commit();
    return deleted;
}

int moveAuctions(Database &db, qint32 userKey, const QList<qint32> &auctionKeys, qint32 folderKey)
{
    int moved = 0;
    Transaction t(db);
    for (qint32 key : auctionKeys)
        moved += db.execute(QStringLiteral("UPDATE Auctions SET AUC_Folder = ? WHERE AUC_Primary = ? AND AUC_User = ?"),
                            {folderKey, key, userKey});
    t.commit();
    return moved;
}

QString comment(Database &db, qint32 auctionKey)
{
    auto rs = db.openQuery(QStringLiteral("SELECT AUC_Comments FROM Auctions WHERE AUC_Primary = ?"), {auctionKey});
    return rs->eof() ? QString() : rs->value(QStringLiteral("AUC_Comments")).toString();
}

bool saveComment(Database &db, qint32 auctionKey, const QString &comment)
{
    return db.execute(QStringLiteral("UPDATE Auctions SET AUC_Comments = ? WHERE AUC_Primary = ?"),
                      {comment.isNull() ? QLatin1String("") : comment, auctionKey}) > 0;
}

bool saveCheckFlags(Database &db, qint32 auctionKey, const CheckFlags &flags)
{
    if (!flags.paid && !flags.received && !flags.leftFeedback)
        return false;
    return db.execute(QStringLiteral("UPDATE Auctions SET AUC_Paid = COALESCE(?, AUC_Paid), "
                                     "AUC_Received = COALESCE(?, AUC_Received), "
                                     "AUC_LeftFeedback = COALESCE(?, AUC_LeftFeedback) WHERE AUC_Primary = ?"),
                      {flagValue(flags.paid), flagValue(flags.received), flagValue(flags.leftFeedback), auctionKey}) >
           0;
}

std::vector<AuctionRow> folderRows(Database &db, qint32 folderKey, const QString &sortCaption, bool descending)
{
    // The field comes from the table above, never from the caption itself.
    auto rs = db.openQuery(QStringLiteral("SELECT ") + AuctionRow::selectColumns() +
                               QStringLiteral(" FROM Auctions WHERE AUC_Folder = ? ORDER BY ") +
                               sortField(sortCaption) + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC")),
                           {folderKey});
    std::vector<AuctionRow> rows;
    rows.reserve(static_cast<size_t>(rs->recordCount()));
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        rows.push_back(AuctionRow::read(*rs));
    return rows;
}

std::optional<SnipeTerms> loadSnipeTerms(Database &db, qint32 auctionKey)
{
    auto rs =
        db.openQuery(QStringLiteral("SELECT AUC_Title, AUC_MinBid, AUC_MaxBid, AUC_Status, AUC_Quantity, "
                                    "AUC_BidSecs, AUC_BidQuantity, AUC_Ended FROM Auctions WHERE AUC_Primary = ?"),
                     {auctionKey});
    if (rs->recordCount() == 0)
        return std::nullopt;
    rs->moveFirst();
    SnipeTerms t;
    t.title = rs->value(QStringLiteral("AUC_Title")).toString();
    t.minBid = rs->value(QStringLiteral("AUC_MinBid")).toDouble();
    t.maxBid = rs->value(QStringLiteral("AUC_MaxBid")).toDouble();
    t.status = static_cast<qint32>(rs->value(QStringLiteral("AUC_Status")).toLongLong());
    t.quantity = rs->value(QStringLiteral("AUC_Quantity")).toLongLong();
    t.bidSeconds = rs->value(QStringLiteral("AUC_BidSecs")).toLongLong();
    t.bidQuantity = rs->value(QStringLiteral("AUC_BidQuantity")).toLongLong();
    t.ended = rs->value(QStringLiteral("AUC_Ended")).toDateTime();
    return t;
}

SnipeWrite scheduleSnipe(Database &db, qint32 auctionKey, qint32 loadedStatus, double maxBid, qint64 bidSeconds,
                         qint64 bidQuantity)
{
    Transaction t(db);
    SnipeWrite refusal = SnipeWrite::Written;
    auto row = snipeRow(db, auctionKey, loadedStatus, &refusal);
    if (!row)
        return refusal;
    row->edit();
    row->setValue(QStringLiteral("AUC_MaxBid"), maxBid);
    row->setValue(QStringLiteral("AUC_BidSecs"), bidSeconds);
    row->setValue(QStringLiteral("AUC_BidQuantity"), bidQuantity);
    row->setValue(QStringLiteral("AUC_Status"), AuctionStatus::Scheduled);
    row->update();
    t.commit();
    return SnipeWrite::Written;
}

SnipeWrite unscheduleSnipe(Database &db, qint32 auctionKey, qint32 loadedStatus)
{
    Transaction t(db);
    SnipeWrite refusal = SnipeWrite::Written;
    auto row = snipeRow(db, auctionKey, loadedStatus, &refusal);
    if (!row)
        return refusal;
    row->edit();
    row->setValue(QStringLiteral("AUC_Status"), AuctionStatus::NotScheduled);
    row->setValue(QStringLiteral("AUC_MaxBid"), 0);
    row->setValue(QStringLiteral("AUC_BidQuantity"), 0);
    row->update();
    t.commit();
    return SnipeWrite::Written;
}

} // namespace auction_store
