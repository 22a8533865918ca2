#pragma once

#include "BNBidTalk.h"
#include "BSN_Log.h"
#include "modComm.h"

#include <QString>
#include <exception>

// The engine runs inside timer and transfer events: nothing may escape from there. A failing
// dial-up component counts as "not connected", which the steps already know how to handle.
namespace engine_detail {

inline bool onlineForBid()
{
    try {
        return IsOnlineForBid();
    } catch (const std::exception &) {
        return false;
    }
}

inline void dial(const QString &entry, bool interactive)
{
    try {
        DialConnection(entry, interactive);
    } catch (const std::exception &) {
    }
}

inline void hangUp()
{
    try {
        HangUpAll();
    } catch (const std::exception &) {
    }
}

// A row of the conversation's auction log, under the bidding user.
inline void bidLog(const BNBidTalk &bid, const QString &message)
{
    BSN_Log().MarkAuction(bid.PrimaryKey, bid.User ? bid.User->PrimaryKey : 0, message);
}

// Writes what went wrong to the general log, if even that can be written.
inline void logFailure(qint32 userKey, const char *where, const std::exception &e)
{
    try {
        BSN_Log().MarkAuction(0, userKey, QStringLiteral("Error in %1: %2").arg(QLatin1String(where),
                                                                                QString::fromLocal8Bit(e.what())));
    } catch (const std::exception &) {
    }
}

// Runs one event handler's work; whatever it throws is logged instead of reaching the event loop.
// False when it failed.
template <typename Work>
bool guarded(qint32 userKey, const char *where, Work &&work)
{
    try {
        work();
        return true;
    } catch (const std::exception &e) {
        logFailure(userKey, where, e);
        return false;
    }
}

} // namespace engine_detail
