#include "WindowPlacement.h"

#include <QtGlobal>

namespace WindowPlacement {

QSize sizeForScreen(const QSize &screen, const QSize &window)
{
    struct Share
    {
        int upToWidth;
        double height;
        double width;
    };
    static const Share shares[] = {{640, 0.95, 0.95}, {800, 0.9, 0.8}, {1024, 0.9, 0.7}, {1280, 0.8, 0.7}};
    for (const Share &share : shares) {
        if (screen.width() <= share.upToWidth)
            return QSize(int(screen.width() * share.width), int(screen.height() * share.height));
    }
    return window;
}

QRect onScreens(const QRect &wanted, const QList<QRect> &screens)
{
    if (screens.isEmpty() || wanted.isEmpty())
        return wanted;
    // Enough of the top edge to take hold of the window by its title.
    const int grip = qMin(100, wanted.width());
    const QRect titleStrip(wanted.left(), wanted.top(), wanted.width(), qMin(30, wanted.height()));
    const QRect *best = &screens.first();
    qint64 bestArea = -1;
    for (const QRect &screen : screens) {
        const QRect onTitle = screen.intersected(titleStrip);
        if (onTitle.width() >= grip && screen.contains(QPoint(onTitle.left(), wanted.top()))) {
            if (wanted.width() <= screen.width() && wanted.height() <= screen.height())
                return wanted;
            // Reachable, but larger than this screen: fitted onto it below.
            best = &screen;
            break;
        }
        const QRect common = screen.intersected(wanted);
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    const QRect &screen = *best;
    const QSize size = wanted.size().boundedTo(screen.size());
    const int left = qBound(screen.left(), wanted.left(), screen.left() + screen.width() - size.width());
    const int top = qBound(screen.top(), wanted.top(), screen.top() + screen.height() - size.height());
    return QRect(QPoint(left, top), size);
}

} // namespace WindowPlacement
