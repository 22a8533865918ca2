#include "platform_gui/Pictures.h"

#include "platform_gui/QtTreeGrid.h"

#include <QFile>

// The resource lives in a static library: it has to be pulled in by hand, outside any namespace.
static void initPictureResource()
{
    Q_INIT_RESOURCE(pictures);
}

QStringList programPictureNames()
{
    return {QStringLiteral("picNotScheduled"),
            QStringLiteral("picScheduled"),
            QStringLiteral("picBidSubmitted"),
            QStringLiteral("picSnipedWon"),
            QStringLiteral("picSnipedLost"),
            QStringLiteral("picClosed"),
            QStringLiteral("picError"),
            QStringLiteral("imgChecked"),
            QStringLiteral("imgUnchecked"),
            QStringLiteral("imgPencil"),
            QStringLiteral("imgUp"),
            QStringLiteral("imgDown"),
            QStringLiteral("imgDragIconAuction"),
            QStringLiteral("imgDragIconFolder"),
            QStringLiteral("imgDragIconFolderClosed"),
            QStringLiteral("imgViewAuctions"),
            QStringLiteral("imgViewAuctionLog"),
            QStringLiteral("imgViewErrorLog"),
            QStringLiteral("picFavFile"),
            QStringLiteral("picOpenFavFolder"),
            QStringLiteral("picClosedFavFolder"),
            QStringLiteral("minus"),
            QStringLiteral("plus")};
}

QIcon programPicture(const QString &name)
{
    static const bool loaded = (initPictureResource(), true);
    Q_UNUSED(loaded);
    const QString path = QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
    if (name.isEmpty() || !QFile::exists(path))
        return QIcon();
    return QIcon(path);
}

void registerProgramPictures()
{
    for (const QString &name : programPictureNames())
        QtTreeGrid::registerPicture(name, programPicture(name));
}
