// Builds the delivered database file from its schema text: zandrift-mkdb <schema.sql> <out.mdb>
#include "platform/FileModes.h"
#include "platform/NameFolding.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

namespace {
int fail(const QString &why)
{
    std::fprintf(stderr, "zandrift-mkdb: %s\n", qPrintable(why));
    return 1;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: zandrift-mkdb <schema.sql> <out.mdb>"));
    QFile schema(args[1]);
    if (!schema.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(args[1]));
    QStringList lines;
    for (const QString &line : QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    }
    const QString tmp = args[2] + QStringLiteral(".tmp");
    QFile::remove(tmp);
    // The file will hold every user's passwords: owner-only from the start (SQLite takes the
    // empty file as a new database).
    QString modeError;
    if (!file_modes::createOwnerOnly(tmp, &modeError))
        return fail(modeError);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mkdb"));
        db.setDatabaseName(tmp);
        if (!db.open())
            return fail(db.lastError().text());
        if (!installNameFolding(db))
            return fail(QStringLiteral("cannot add the collation of the program-user names"));
        QSqlQuery q(db);
        db.transaction();
        for (const QString &stmt : lines.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
            if (stmt.trimmed().isEmpty())
                continue;
            if (!q.exec(stmt))
                return fail(QStringLiteral("%1\n%2").arg(q.lastError().text(), stmt.trimmed()));
        }
        if (!db.commit())
            return fail(db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mkdb"));
    QFile::remove(args[2]);
    if (!QFile::rename(tmp, args[2]))
        return fail(QStringLiteral("cannot write %1").arg(args[2]));
    return 0;
}
