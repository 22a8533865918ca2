#pragma once

#include <QtGlobal>

// What an auction's row says of its snipe: the numbers AUC_Status stores.
namespace AuctionStatus {
enum Code : qint16
{
    NotScheduled = 1,
    Scheduled = 2,
    BidSubmitted = 3,
    Won = 4,
    Outbid = 5,
    Closed = 6, // ended without a snipe
    Error = 7,  // the snipe was aborted or missed
};
} // namespace AuctionStatus
