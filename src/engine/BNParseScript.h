#pragma once

#include "ParamCollection.h"

#include <QString>

// A loaded parse script (ebparse.zdx). Read anew for every page and every bid conversation, so
// edits to the file apply at once.
class BNParseScript
{
public:
    QString RequiredVersion; // never set; kept for the file format's sake
    ParamCollection ScriptElements;

    // Reads and splits the file; on failure ScriptElements stays empty and error says why.
    bool ImportScript(const QString &path, QString *error = nullptr);
};
