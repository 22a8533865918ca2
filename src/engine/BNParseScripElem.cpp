#include "engine/BNParseScripElem.h"

#include "engine/BNParseScript.h"
#include "platform/Values.h"

#include <QStringList>
#include <cmath>

std::optional<BNParseScripElem> GetScriptElem(const QString &key, const BNParseScript &script, QString *error)
{
    QString value;
    if (!script.ScriptElements.lookup(key, &value)) {
        if (error)
            *error = QStringLiteral("No parse-script line for \"%1\".").arg(key);
        return std::nullopt;
    }
    QStringList fields = value.split(QLatin1Char(','));
    if (fields.size() < 6) {
        if (error)
            *error = QStringLiteral("Parse-script line \"%1\" has fewer than six fields.").arg(key);
        return std::nullopt;
    }
    for (QString &f : fields) {
        if (f == QLatin1String("VBLF"))
            f = QStringLiteral("\n");
    }
    bool ok = false;
    const double number = Values::toNumber(fields.at(3), &ok);
    const double whole = ok ? std::nearbyint(number) : 0.0;
    if (!ok || whole < -32768.0 || whole > 32767.0) {
        if (error)
            *error = QStringLiteral("Parse-script line \"%1\": \"%2\" is not a case number.").arg(key, fields.at(3));
        return std::nullopt;
    }
    BNParseScripElem elem;
    elem.OpenTag = fields.at(0);
    elem.CloseTag = fields.at(1);
    elem.Catch = fields.at(2);
    elem.CaseNumber = static_cast<qint16>(whole);
    elem.xType = fields.at(5);
    return elem;
}
