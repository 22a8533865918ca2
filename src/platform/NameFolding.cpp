#include "platform/NameFolding.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

namespace {
int compareFolded(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    // Aligned UTF-16 in the machine's byte order; lengths are in bytes.
    const QString foldedA = foldName(QString(static_cast<const QChar *>(a), lengthA / 2));
    const QString foldedB = foldName(QString(static_cast<const QChar *>(b), lengthB / 2));
    const int c = foldedA.compare(foldedB);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
} // namespace

QString foldName(const QString &name)
{
    const QString decomposed = name.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size();) {
        const qsizetype n =
            decomposed.at(i).isHighSurrogate() && i + 1 < decomposed.size() && decomposed.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QString c = decomposed.mid(i, n);
        i += n;
        // Qt folds one character to one; a letter whose capital is several letters (ß, the
        // ligatures) folds as that capital does, which is Unicode's full folding.
        const QString upper = c.toUpper();
        out += upper.toUcs4().size() > 1 ? upper.toCaseFolded() : c.toCaseFolded();
    }
    return out.normalized(QString::NormalizationForm_D);
}

bool installNameFolding(const QSqlDatabase &db)
{
    if (!db.driver())
        return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    return connection && sqlite3_create_collation_v2(connection, kNameCollation, SQLITE_UTF16_ALIGNED, nullptr,
                                                     compareFolded, nullptr) == SQLITE_OK;
}
