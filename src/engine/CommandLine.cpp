#include "engine/CommandLine.h"

#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/Values.h"

#include <QFile>

void CommandLine::ClearArgs()
{
    colParams.reset();
}

bool CommandLine::SplitArgs(qsizetype start, const QString &text, const QString &recordSeparator,
                            const QString &keySeparator, QString *error)
{
    auto params = std::make_unique<ParamCollection>();
    const QString clean = DeNullify(text, 13, 32);
    // Positions are plain sizes: a file of any length splits (no 32K limit).
    qsizetype from = qMax<qsizetype>(start, 1) - 1;
    qsizetype line = 0;
    while (from <= clean.size()) {
        qsizetype end = recordSeparator.isEmpty() ? -1 : clean.indexOf(recordSeparator, from);
        if (end < 0)
            end = clean.size();
        const QStringView record = QStringView(clean).mid(from, end - from);
        ++line;
        const qsizetype sep = keySeparator.isEmpty() ? -1 : record.indexOf(keySeparator);
        const QString key = sep < 0 ? QString() : Values::trimBlanks(record.left(sep).toString());
        if (sep < 0 || key.isEmpty()) {
            // An empty key could never be looked up either; keep it with the comments.
            params->addUnkeyed(Values::trimBlanks(record.toString()));
        } else if (!params->add(key, Values::trimBlanks(record.mid(sep + keySeparator.size()).toString()))) {
            if (error)
                *error = QStringLiteral("Duplicate key \"%1\" in line %2.").arg(key, QString::number(line));
            colParams.reset();
            return false;
        }
        from = end + recordSeparator.size();
        if (recordSeparator.isEmpty())
            break;
    }
    colParams = std::move(params);
    return true;
}

QString CommandLine::DeNullify(const QString &text, uchar find, uchar replacement)
{
    QString out = text;
    out.replace(QLatin1Char(char(find)), QLatin1Char(char(replacement)));
    return out;
}

bool CommandLine::ReadDataFile(const QString &path, QString *text, QString *error)
{
    QFile file;
    if (!openRegularFile(file, path, error))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *text = TextCodec::fromWindows1252(bytes);
    return true;
}
