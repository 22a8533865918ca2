#pragma once

#include <QString>

// The folder that holds the program and its files (auction.mdb, eburl.zdx, ebparse.zdx,
// logs/, html/). ZANDRIFT_HOME overrides it, for portable installs and tests.
namespace ProgramFolder {

constexpr const char *kEnvVar = "ZANDRIFT_HOME";

QString path();
// path() joined with a file or folder name.
QString file(const QString &name);
// Overrides the folder for this process (tests); an empty text restores the default.
void setOverride(const QString &folder);

} // namespace ProgramFolder
