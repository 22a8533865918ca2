#include "layout/LayoutRect.h"

#include "layout/IResizable.h"

#include <cmath>
#include <limits>

qint32 roundToEven(double value)
{
    if (std::isnan(value))
        return 0;
    double rounded = std::floor(value + 0.5);
    if (rounded - value == 0.5 && std::fmod(rounded, 2.0) != 0.0)
        rounded -= 1.0; // exactly halfway: take the even neighbour
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    return qint32(qBound(lowest, rounded, highest));
}

LayoutRect LayoutRect::of(const IResizable &object)
{
    return {roundToEven(object.left()), roundToEven(object.top()), roundToEven(object.width()),
            roundToEven(object.height())};
}
