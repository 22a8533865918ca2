#pragma once

#include <QString>
#include <functional>

constexpr const char *kCompactedFileName = "auctionc.mdb";

struct CompactionSizes
{
    qint64 before = 0; // bytes of auction.mdb before
    qint64 after = 0;  // and after
};

// Compacts auction.mdb through auctionc.mdb in the program folder: closes gDB, writes the
// compacted copy, checks it, puts it on the disk and renames it over auction.mdb in one step,
// then reopens gDB (the same object) on the result. The original is never removed before the
// copy stands in its place. On failure, false with *error naming the file: auction.mdb is as
// it was and gDB is open on it again (unless auction.mdb itself cannot be opened).
//
// A leftover auctionc.mdb is removed only while auction.mdb is a sound database; when
// auction.mdb cannot be used and auctionc.mdb is sound, the copy may be the only one: it is
// kept and the error says so.
bool CompactAuctionDatabase(QString *error = nullptr, CompactionSizes *sizes = nullptr);
// The same with a step run just before the swap: false from it fails the swap there (tests).
bool CompactAuctionDatabase(QString *error, CompactionSizes *sizes, const std::function<bool()> &beforeSwap);
