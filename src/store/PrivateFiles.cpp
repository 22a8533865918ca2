#include "store/PrivateFiles.h"

#include "platform/FileModes.h"
#include "platform/SettingsStore.h"
#include "store/AuctionDatabase.h"

#include <QFileInfo>

QStringList PrivateFilePaths()
{
    return {AuctionDatabasePath(), SettingsStore::instance().fileName()};
}

QString Tightened::message() const
{
    if (files.isEmpty())
        return QString();
    return QStringLiteral("Other accounts on this computer could read %1, which hold%2 passwords; Zandrift made %3 "
                          "readable by you alone.")
        .arg(files.join(QStringLiteral(" and ")), files.size() == 1 ? QStringLiteral("s") : QString(),
             files.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

Tightened TightenPrivateFiles()
{
    Tightened result;
    for (const QString &path : PrivateFilePaths()) {
        if (file_modes::removeOthersAccess(path) == file_modes::Tightening::Tightened)
            result.files << QFileInfo(path).fileName();
    }
    return result;
}
