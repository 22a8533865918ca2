#include "TestProgramFolder.h"

#include "AppSettings.h"
#include "AuctionDatabase.h"
#include "Database.h"
#include "Globals.h"
#include "ProgramFolder.h"
#include "SettingsStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        const QString dst = QDir(to).filePath(rel);
        if (it.fileInfo().isDir()) {
            QDir().mkpath(dst);
        } else if (!QFile::copy(src, dst)) {
            return false;
        }
    }
    return true;
}
} // namespace

TestProgramFolder::TestProgramFolder()
{
    if (!m_dir.isValid())
        return;
    m_ok = copyTree(QStringLiteral(ZANDRIFT_PROGRAM_DIR), m_dir.path());
    // Only what the program ships, not build leftovers.
    for (const QString &n : QDir(m_dir.path()).entryList(QDir::Files)) {
        if (n != QLatin1String("auction.mdb") && !n.endsWith(QLatin1String(".zdx")))
            QFile::remove(file(n));
    }
    ProgramFolder::setOverride(m_dir.path());
    SettingsStore::redirect(settingsPath());
}

TestProgramFolder::~TestProgramFolder()
{
    ReleaseGlobals();
    ProgramFolder::setOverride(QString());
}

QString TestProgramFolder::file(const QString &name) const { return QDir(m_dir.path()).filePath(name); }

bool TestProgramFolder::buildDatabase(const QString &schemaSqlPath)
{
    ReleaseGlobals();
    QFile::remove(databasePath());
    return buildDatabaseFromSchema(schemaSqlPath, databasePath());
}

bool TestProgramFolder::openStore()
{
    if (!OpenAuctionDatabase())
        return false;
    UpgradeDatabase();
    gSettings = std::make_unique<AppSettings>(*gDB, SettingsStore::instance());
    gUsers = std::make_unique<BSN_Users>();
    gUsers->Init(*gDB);
    return true;
}

bool buildDatabaseFromSchema(const QString &schemaSqlPath, const QString &outPath, QString *error)
{
    QFile f(schemaSqlPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QStringList lines;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    }
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("schema-builder"));
        db.setDatabaseName(outPath);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString &stmt : lines.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
            if (!ok || stmt.trimmed().isEmpty())
                continue;
            if (!q.exec(stmt)) {
                ok = false;
                if (error)
                    *error = q.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("schema-builder"));
    return ok;
}
