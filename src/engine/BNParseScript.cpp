#include "BNParseScript.h"

#include "CommandLine.h"

bool BNParseScript::ImportScript(const QString &path, QString *error)
{
    ScriptElements.clear();
    QString text;
    if (!CommandLine::ReadDataFile(path, &text, error))
        return false;
    CommandLine cl;
    cl.ClearArgs();
    if (!cl.SplitArgs(1, text, QStringLiteral("\n"), QStringLiteral("="), error))
        return false;
    ScriptElements = std::move(*cl.colParams);
    return true;
}
