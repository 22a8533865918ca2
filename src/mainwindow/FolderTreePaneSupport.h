#pragma once

#include "platform/Database.h"
#include "platform/TreeGrid.h"
#include "store/Globals.h"

#include <QPalette>
#include <QString>
#include <QWidget>

// What the folder tree's files share: its pictures, its messages and the guarded lookups.
namespace folder_tree {

inline const QString kOpenFolderPicture = QStringLiteral("picOpenFavFolder");
inline const QString kClosedFolderPicture = QStringLiteral("picClosedFavFolder");
inline const QString kDragFolderPicture = QStringLiteral("imgDragIconFolder");
inline const QString kDragClosedFolderPicture = QStringLiteral("imgDragIconFolderClosed");

// The fixed folders' text colour: the desktop's colour of an active title, as near as Qt has it.
inline qint32 captionColor(const QWidget &widget)
{
    const QColor c = widget.palette().color(QPalette::Active, QPalette::Highlight);
    return TreeGrid::rgb(c.red(), c.green(), c.blue());
}

// A key lookup that gives -1 when there is no database or it fails.
template <typename Lookup> qint32 lookUp(Lookup &&lookup)
{
    if (!gDB)
        return -1;
    try {
        return lookup();
    } catch (const DbError &) {
        return -1;
    }
}

} // namespace folder_tree
