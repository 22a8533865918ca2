#pragma once

#include <QString>
#include <optional>

class BNParseScript;

// One line of the parse script, ready for BNHTMLExtract::Extract.
class BNParseScripElem
{
public:
    QString OpenTag;
    QString CloseTag;
    QString Catch;
    qint16 CaseNumber = 0;
    QString xType;
};

// Builds the element stored under key: six comma-separated fields, "VBLF" standing for a line
// feed. Nothing when the key is missing, the value has fewer than six fields or field 4 is not
// a whole number in range; error then says which.
std::optional<BNParseScripElem> GetScriptElem(const QString &key, const BNParseScript &script,
                                              QString *error = nullptr);
