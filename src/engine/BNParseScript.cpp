#include "engine/BNParseScript.h"

#include "engine/CommandLine.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {
// The split script of a file as it stood when it was read: one read per change of the file,
// not one per page.
struct ReadScript
{
    qint64 size = -1;
    QDateTime modified;
    QDateTime changed;
    bool settled = false; // modified well before the read: a same-size rewrite shows in the time
    ParamCollection elements;
};

QMutex cacheLock;
QHash<QString, ReadScript> cache;

// A file written in the same tick as an earlier version keeps its time stamp; one older than
// this can be told apart from any later rewrite by its time stamp alone.
constexpr qint64 kSettledMs = 2000;
} // namespace

bool BNParseScript::ImportScript(const QString &path, QString *error)
{
    ScriptElements.clear();
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.lastModified();
    const QDateTime changed = info.metadataChangeTime();
    {
        QMutexLocker lock(&cacheLock);
        const auto it = cache.constFind(path);
        if (it != cache.constEnd() && it->settled && size >= 0 && it->size == size && it->modified == modified &&
            it->changed == changed) {
            ScriptElements = it->elements;
            return true;
        }
    }
    // The file system stamps files with the machine's own clock, so that clock is the one to
    // compare with.
    const QDateTime readAt = QDateTime::currentDateTimeUtc();
    QString text;
    CommandLine cl;
    cl.ClearArgs();
    if (!CommandLine::ReadDataFile(path, &text, error) ||
        !cl.SplitArgs(1, text, QStringLiteral("\n"), QStringLiteral("="), error)) {
        QMutexLocker lock(&cacheLock);
        cache.remove(path);
        return false;
    }
    ScriptElements = std::move(*cl.colParams);
    ReadScript entry;
    entry.size = size;
    entry.modified = modified;
    entry.changed = changed;
    entry.settled = modified.isValid() && changed.isValid() && modified.msecsTo(readAt) > kSettledMs &&
                    changed.msecsTo(readAt) > kSettledMs;
    entry.elements = ScriptElements;
    QMutexLocker lock(&cacheLock);
    cache.insert(path, entry);
    return true;
}
