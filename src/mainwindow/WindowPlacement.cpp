#include "mainwindow/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
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

QRect clientOnScreens(const QRect &client, const QMargins &frame, const QList<QRect> &screens)
{
    return onScreens(client.marginsAdded(frame), screens).marginsRemoved(frame);
}

QList<QRect> availableScreens()
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return screens;
}

namespace {
QMargins frameMargins(const QWidget &window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}
} // namespace

QRect clientOnScreens(const QWidget &window)
{
    return clientOnScreens(window.geometry(), frameMargins(window), availableScreens());
}

void putOnScreens(QWidget &window)
{
    const QRect placed = clientOnScreens(window);
    // setGeometry places the client area whether or not the desktop has framed the window yet.
    if (placed != window.geometry())
        window.setGeometry(placed);
}

FrameOnScreen::FrameOnScreen(QWidget *window) : QObject(window), m_window(window), m_shown(window->isVisible())
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(1500);
    connect(&m_settle, &QTimer::timeout, this, [this] { check(true); });
    m_window->installEventFilter(this);
}

bool FrameOnScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show) {
            m_shown = true;
            m_settle.start();
            check(false);
        } else if (m_shown && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
            check(false);
        }
    }
    return QObject::eventFilter(watched, event);
}

void FrameOnScreen::check(bool frameSettled)
{
    // A maximised or minimised window is the desktop's to place; a later normal show is checked.
    if (!m_window->isVisible() || m_window->isMinimized() || m_window->isMaximized() || m_window->isFullScreen())
        return;
    if (frameMargins(*m_window).isNull() && !frameSettled)
        return;
    m_window->removeEventFilter(this);
    m_settle.stop();
    putOnScreens(*m_window);
    deleteLater();
}

} // namespace WindowPlacement
