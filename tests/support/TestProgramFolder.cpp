#include "TestProgramFolder.h"

#include "platform/Database.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/Globals.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

namespace {
// Only what the program ships, not the executables and build leftovers beside it.
bool shipped(const QString &rel)
{
    return rel.contains(QLatin1Char('/')) || rel == QLatin1String("auction.mdb") || rel.endsWith(QLatin1String(".zdx"));
}

bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        const QString dst = QDir(to).filePath(rel);
        if (!it.fileInfo().isDir() && !shipped(rel))
            continue;
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
    ProgramFolder::setOverride(m_dir.path());
    SettingsStore::redirect(settingsPath());
}

TestProgramFolder::~TestProgramFolder()
{
    ReleaseGlobals();
    ProgramFolder::setOverride(QString());
}

QString TestProgramFolder::file(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

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
    // The same tool the build makes the delivered database with.
    QProcess mkdb;
    mkdb.start(QStringLiteral(ZANDRIFT_MKDB), {schemaSqlPath, outPath});
    const bool ok = mkdb.waitForFinished(30000) && mkdb.exitStatus() == QProcess::NormalExit && mkdb.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromLocal8Bit(mkdb.readAllStandardError());
    return ok;
}

void TestProgramFolder::addUserAnn(bool autoLogOn, bool withFolders)
{
    gDB->execute(
        QStringLiteral("INSERT INTO Users (U_ZandroName, U_ZandroPassword, U_AutoLogOn) VALUES ('ann', '', ?)"),
        {autoLogOn ? 1 : 0});
    if (!withFolders)
        return;
    for (const char *name : {"Open Auctions", "Closed Auctions"})
        gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (1, 0, ?)"),
                     {QLatin1String(name)});
}
