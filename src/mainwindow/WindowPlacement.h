#pragma once

#include <QList>
#include <QRect>
#include <QSize>

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

} // namespace WindowPlacement
