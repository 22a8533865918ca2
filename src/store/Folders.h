#pragma once

#include <QString>

class Database;

// Key lookups of the fixed folders and of an auction's folder; -1 when there is none.
constexpr const char *kOpenAuctionsFolder = "Open Auctions";
constexpr const char *kClosedAuctionsFolder = "Closed Auctions";

qint32 GetAuctionFolder(Database &db, qint32 auctionKey);
qint32 GetOpenAuctionsFolder(Database &db, qint32 userKey);
qint32 GetClosedAuctionsFolder(Database &db, qint32 userKey);
