#pragma once

#include "engine/BNBidTalk.h"
#include "engine/modComm.h"
#include "store/BSN_Log.h"

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

} // namespace engine_detail
