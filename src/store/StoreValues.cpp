#include "store/StoreValues.h"

#include "platform/Values.h"

#include <algorithm>

#include <cmath>

namespace {
std::optional<double> wholeNumber(const QString &text, double low, double high)
{
    bool ok = false;
    const double d = Values::toNumber(text, &ok);
    if (!ok)
        return std::nullopt;
    const double r = std::nearbyint(d); // default rounding mode: halves to even
    if (r < low || r > high)
        return std::nullopt;
    return r;
}
} // namespace

std::optional<qint16> toInt16(const QString &text)
{
    const auto r = wholeNumber(text, -32768.0, 32767.0);
    return r ? std::optional<qint16>(static_cast<qint16>(*r)) : std::nullopt;
}

std::optional<qint32> toInt32(const QString &text)
{
    const auto r = wholeNumber(text, -2147483648.0, 2147483647.0);
    return r ? std::optional<qint32>(static_cast<qint32>(*r)) : std::nullopt;
}

qint16 purgeDays(std::optional<qint32> days, qint16 fallback)
{
    if (!days || *days < 0)
        return fallback;
    return static_cast<qint16>(std::min<qint32>(*days, kMaxPurgeDays));
}

qint16 auctionPurgeDays(std::optional<qint32> days)
{
    return days && *days >= 1 ? purgeDays(days, kDefaultAuctionPurgeDays) : kDefaultAuctionPurgeDays;
}
