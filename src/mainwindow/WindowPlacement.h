#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QTimer>

class QWidget;

// Where the main window may go, apart from any widget so it can be checked against any screen.
namespace WindowPlacement {

// The first size on a screen of this many pixels: a share of the screen, by its width, on the
// small screens; the window's own size from 1281 pixels up.
QSize sizeForScreen(const QSize &screen, const QSize &window);

// A saved window rectangle (frame position, size) moved onto the screens there are now, so a
// layout saved on a larger or a second monitor cannot open the window out of reach: it stays
// where it is while a part of its top edge lies on a screen it fits on; otherwise it goes onto the screen it
// overlaps most (the first one when none), or the screen its title is on when it is larger
// than that screen, shrunk to fit.
QRect onScreens(const QRect &wanted, const QList<QRect> &screens);

// The same for a window's client area inside the desktop's frame (its margins around the
// client): the client placed so that the whole frame, title bar included, lands as onScreens
// puts a frame.
QRect clientOnScreens(const QRect &client, const QMargins &frame, const QList<QRect> &screens);

// The screens' available areas, as the desktop reports them now.
QList<QRect> availableScreens();
// A window's client area placed so that its frame lies on the screens there are now; the frame
// is the client's rectangle while the desktop has not framed the window yet.
QRect clientOnScreens(const QWidget &window);
// Moves (and if need be shrinks) a window so that its frame lies on the screens.
void putOnScreens(QWidget &window);

// Puts a window's frame onto the screens once the desktop has framed it. The frame is unknown
// until the window is shown, and a desktop may then hang it around the client where the client
// was asked to be, leaving the title bar above the screen. Done once, when the frame is first
// known (or a moment after showing when the desktop draws none); the window is the user's after.
class FrameOnScreen : public QObject
{
public:
    explicit FrameOnScreen(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void check(bool frameSettled);

    QWidget *m_window;
    QTimer m_settle;
    bool m_shown;
};

} // namespace WindowPlacement
