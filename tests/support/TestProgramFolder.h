#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away program folder for one test: a fresh copy of the delivered database and data
// files, its own settings file, and the program folder and settings store pointed at it.
class TestProgramFolder
{
public:
    // Copies auction.mdb, eburl.zdx, ebparse.zdx and html/ from the build's program folder.
    TestProgramFolder();
    ~TestProgramFolder();

    bool isValid() const { return m_dir.isValid() && m_ok; }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const;
    QString databasePath() const { return file(QStringLiteral("auction.mdb")); }
    QString settingsPath() const { return file(QStringLiteral("settings.ini")); }

    // Replaces auction.mdb with one built from a schema text (e.g. an older layout).
    bool buildDatabase(const QString &schemaSqlPath);

    // Opens auction.mdb into gDB and creates gSettings and gUsers, as start-up does.
    bool openStore();

    // Into the open gDB: the program user "ann" (key 1, no password) who signs in by herself
    // unless told otherwise, and her "Open Auctions" and "Closed Auctions" folders (keys 1, 2).
    static void addUserAnn(bool autoLogOn = true, bool withFolders = true);

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

// Runs the statements of a schema text against a new SQLite file.
bool buildDatabaseFromSchema(const QString &schemaSqlPath, const QString &outPath, QString *error = nullptr);
