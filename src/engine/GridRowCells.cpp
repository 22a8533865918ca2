#include "engine/GridRowCells.h"

#include "engine/AuctionEngine.h"
#include "platform/Values.h"
#include "store/BSN_User.h"

namespace grid_row {

bool isEndedText(const QString &timeLeft)
{
    return timeLeft.compare(QLatin1String("Auction has Ended"), Qt::CaseInsensitive) == 0;
}

QList<Cell> cells(const AuctionRow &row, const BSN_User &user, const QDateTime &siteNow)
{
    const AucColumns &c = user.Columns;
    QList<Cell> out;
    const auto add = [&](qint16 pos, std::optional<QString> text,
                         std::optional<qint32> color = std::nullopt) -> Cell * {
        if (pos == -1)
            return nullptr;
        out.append(Cell{pos, std::move(text), std::nullopt, false, color});
        return &out.last();
    };
    const auto check = [&](qint16 pos, bool marked) {
        if (pos != -1)
            out.append(Cell{pos, std::nullopt, marked ? kChecked : kUnchecked, true, std::nullopt});
    };

    add(c.ItemNumber, Values::trimBlanks(row.itemNumber));
    add(c.CurrentBid, row.currentBid ? Values::formatMoney(*row.currentBid) : QString());
    if (row.maxBid > 0) {
        const bool userIsHighBidder =
            !row.highBidder.isEmpty() && (row.highBidder == user.EbayName || row.highBidder == user.EbayEmail);
        const bool losing =
            row.quantity.toLongLong() == 1 && row.maxBid <= row.currentBid.value_or(0) && !userIsHighBidder;
        add(c.MyMaxBid, Values::formatMoney(row.maxBid), losing ? kRed : kGreen);
    } else {
        add(c.MyMaxBid, QStringLiteral("--"), kGreen);
    }
    if (row.bidQuantity > 0)
        add(c.MyBidQty, QString::number(row.bidQuantity), kGreen);
    else
        add(c.MyBidQty, QStringLiteral("--"));
    add(c.NumOfBids, row.numberOfBids);
    add(c.QtyOffered, row.quantity);
    // A row without a readable end time is never near its end; hidden end times paint nothing.
    const bool ending = c.TimeEnds != -1 && row.ended.isValid() && Values::minutesCrossed(siteNow, row.ended) < 61 &&
                        !isEndedText(row.timeLeft);
    const std::optional<qint32> timeColor = ending ? std::optional<qint32>(kRed) : std::nullopt;
    add(c.TimeEnds, row.ended.isValid() ? Values::formatGeneralDate(row.ended) : QString(), timeColor);
    add(c.TimeLeft, row.timeLeft, timeColor);
    add(c.Location, row.location);
    add(c.CountryRegion, row.country);
    add(c.Seller, row.seller);
    add(c.HighBidder, row.highBidder);
    check(c.Paid, row.paid);
    check(c.Received, row.received);
    check(c.LeftFeedback, row.leftFeedback);
    if (Cell *comments = add(c.Comments, row.comments))
        comments->picture = kPencil;
    out.append(Cell{0, std::nullopt, GetStatusPicture(row.status), false, std::nullopt});
    out.append(Cell{c.AuctionName, std::nullopt, std::nullopt, false, row.refreshed ? 0 : kBlue});
    return out;
}

void write(TreeGrid &grid, qint32 gridRow, const AuctionRow &row, const BSN_User &user, const QDateTime &siteNow)
{
    grid.setRowKey(gridRow, row.primary);
    grid.setRowLevel(gridRow, 0);
    for (const Cell &cell : cells(row, user, siteNow)) {
        if (cell.text)
            grid.setCellText(gridRow, cell.column, *cell.text);
        if (cell.picture)
            grid.setCellPicture(gridRow, cell.column, *cell.picture);
        if (cell.checkBox)
            grid.setCellPictureSetting(gridRow, cell.column, 1);
        if (cell.color)
            grid.setCellColor(gridRow, cell.column, *cell.color);
    }
}

} // namespace grid_row
