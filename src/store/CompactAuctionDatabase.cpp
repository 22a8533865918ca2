#include "store/CompactAuctionDatabase.h"

#include "platform/Database.h"
#include "platform/ProgramFolder.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString osError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A renamed file is only durable once its folder's entry is on the disk too.
bool syncFolder(const QString &folder, QString *why)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        *why = QStringLiteral("The folder \"%1\" could not be written to the disk: %2").arg(folder, osError());
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

// Empty when the file opens as a database and passes SQLite's integrity check, else why not.
QString unsoundness(const QString &path)
{
    QString why;
    auto db = Database::open(path, &why);
    if (!db)
        return why;
    const QString check = db->integrityCheck();
    if (check == QLatin1String("ok"))
        return QString();
    return QStringLiteral("The file \"%1\" is damaged: %2").arg(path, check);
}

} // namespace

bool CompactAuctionDatabase(QString *error, CompactionSizes *sizes)
{
    return CompactAuctionDatabase(error, sizes, {});
}

bool CompactAuctionDatabase(QString *error, CompactionSizes *sizes, const std::function<bool()> &beforeSwap)
{
    const QString dbPath = AuctionDatabasePath();
    const QString copyPath = ProgramFolder::file(QLatin1String(kCompactedFileName));
    auto report = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    // Every failure ends on the original, open again.
    auto fail = [&](const QString &message) {
        QString why;
        if (gDB && !gDB->isOpen() && !ReopenAuctionDatabase(&why))
            return report(message + QLatin1Char(' ') + why);
        return report(message);
    };

    if (!gDB)
        return report(QStringLiteral("The database is not open."));
    if (gDB->transactionDepth() > 0)
        return report(QStringLiteral("The database is in use."));
    gDB->close();

    const QString original = unsoundness(dbPath);
    if (!original.isEmpty()) {
        if (QFileInfo::exists(copyPath) && unsoundness(copyPath).isEmpty())
            return fail(original +
                        QStringLiteral(" The compacted copy \"%1\" is a sound database and may be the only copy of "
                                       "your auctions; it was kept.")
                            .arg(copyPath));
        return fail(original);
    }
    // A copy left by an interrupted run: the original is sound, so the copy is not needed.
    if (QFileInfo::exists(copyPath) && !QFile::remove(copyPath))
        return fail(QStringLiteral("The file \"%1\" could not be removed.").arg(copyPath));

    const qint64 before = QFileInfo(dbPath).size();
    auto discardCopy = [&](const QString &message) {
        QFile::remove(copyPath);
        return fail(message);
    };
    QString why;
    if (!Database::compact(dbPath, copyPath, &why))
        return discardCopy(why);
    const QString copy = unsoundness(copyPath);
    if (!copy.isEmpty())
        return discardCopy(copy);
    if (beforeSwap && !beforeSwap())
        return discardCopy(QStringLiteral("The file \"%1\" could not replace \"%2\".").arg(copyPath, dbPath));
    // One step: at every moment auction.mdb is either the original or the whole copy.
    if (std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(dbPath).constData()) != 0)
        return discardCopy(
            QStringLiteral("The file \"%1\" could not replace \"%2\": %3").arg(copyPath, dbPath, osError()));
    const bool durable = syncFolder(QFileInfo(dbPath).absolutePath(), &why);

    if (sizes) {
        sizes->before = before;
        sizes->after = QFileInfo(dbPath).size();
    }
    QString reopenError;
    if (!ReopenAuctionDatabase(&reopenError))
        return report(reopenError);
    if (!durable)
        return report(QStringLiteral("The database was compacted, but may not be on the disk yet. ") + why);
    return true;
}
