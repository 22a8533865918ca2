#include "store/AuctionRow.h"

#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Values.h"

namespace {

// A date column's stored text ("yyyy-MM-dd HH:mm:ss") as a local date and time; anything else
// goes through the general date rules, and Null or a text that is no date is invalid.
QDateTime storedDate(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    const QString text = stored.toString();
    const auto digits = [&](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const QChar c = text[i];
            if (!c.isDigit())
                return -1;
            n = n * 10 + c.digitValue();
        }
        return n;
    };
    if (text.size() == 19 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') &&
        text[10] == QLatin1Char(' ') && text[13] == QLatin1Char(':') && text[16] == QLatin1Char(':')) {
        const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
        const QTime time(digits(11, 2), digits(14, 2), digits(17, 2));
        if (date.isValid() && time.isValid())
            return Values::wallClock(date, time);
    }
    return Values::toDate(text);
}

} // namespace

QString AuctionRow::selectColumns()
{
    // The end time comes as its stored text, read without the general date parser.
    return QStringLiteral(
        "AUC_Primary, AUC_Folder, AUC_Title, AUC_ItemNumber, AUC_CurrentBid, AUC_MaxBid, AUC_BidQuantity, "
        "AUC_NumberOfBids, AUC_Quantity, AUC_TimeLeft, AUC_Ended AS EndedText, AUC_CityLocation, "
        "AUC_CountryRegion, AUC_Seller, AUC_HighBidder, AUC_Paid, AUC_Received, AUC_LeftFeedback, "
        "AUC_Comments, AUC_Status, AUC_Refreshed");
}

AuctionRow AuctionRow::read(Recordset &rs)
{
    const auto text = [&](const char *field) { return rs.value(QLatin1String(field)).toString(); };
    const auto one = [&](const char *field) { return rs.value(QLatin1String(field)).toLongLong() == 1; };
    AuctionRow r;
    r.primary = static_cast<qint32>(rs.value(QStringLiteral("AUC_Primary")).toLongLong());
    r.folder = static_cast<qint32>(rs.value(QStringLiteral("AUC_Folder")).toLongLong());
    r.status = rs.value(QStringLiteral("AUC_Status")).toInt();
    r.refreshed = rs.value(QStringLiteral("AUC_Refreshed")).toInt() == 1;
    r.title = text("AUC_Title");
    r.itemNumber = text("AUC_ItemNumber");
    const QVariant currentBid = rs.value(QStringLiteral("AUC_CurrentBid"));
    if (!currentBid.isNull())
        r.currentBid = currentBid.toDouble();
    r.maxBid = rs.value(QStringLiteral("AUC_MaxBid")).toDouble();
    r.bidQuantity = rs.value(QStringLiteral("AUC_BidQuantity")).toLongLong();
    r.numberOfBids = text("AUC_NumberOfBids");
    r.quantity = text("AUC_Quantity");
    r.ended = storedDate(rs.value(QStringLiteral("EndedText")));
    r.timeLeft = text("AUC_TimeLeft");
    r.location = text("AUC_CityLocation");
    r.country = text("AUC_CountryRegion");
    r.seller = text("AUC_Seller");
    r.highBidder = text("AUC_HighBidder");
    r.comments = text("AUC_Comments");
    r.paid = one("AUC_Paid");
    r.received = one("AUC_Received");
    r.leftFeedback = one("AUC_LeftFeedback");
    return r;
}

std::optional<AuctionRow> AuctionRow::load(Database &db, qint32 primary)
{
    auto rs = db.openQuery(QStringLiteral("SELECT ") + selectColumns() +
                               QStringLiteral(" FROM Auctions WHERE AUC_Primary = ?"),
                           {primary});
    if (rs->recordCount() == 0)
        return std::nullopt;
    rs->moveFirst();
    return read(*rs);
}
