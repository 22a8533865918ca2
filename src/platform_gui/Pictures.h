#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The program's own pictures, under the names the window's controls give them: the seven
// status pictures of the auction grid ("picNotScheduled" ... "picError"), its check boxes,
// comment pencil and sort arrows, the drag and shortcut-bar pictures, the favorites pane's, and
// "minus" and "plus" of the button that closes and opens the shortcut bar.
// The grid, the icon legend and the shortcut bar all take them from here.

// Every named picture, in a fixed order.
QStringList programPictureNames();
// Makes every named picture available to the tree-grids (QtTreeGrid::registerPicture).
void registerProgramPictures();
// The picture of a name; a null icon for a name that is not one of ours.
QIcon programPicture(const QString &name);
