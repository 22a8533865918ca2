#pragma once

#include "engine/ParamCollection.h"

#include <QString>

// A loaded parse script (ebparse.zdx). The file is read again only when it has changed (its
// size or time stamps differ), so edits apply at the next page while an unchanged script of
// any length costs each page no more than a look at the file.
class BNParseScript
{
public:
    QString RequiredVersion; // never set; kept for the file format's sake
    ParamCollection ScriptElements;

    // Reads and splits the file; on failure ScriptElements stays empty and error says why.
    bool ImportScript(const QString &path, QString *error = nullptr);
};
