#pragma once

#include "engine/ParamCollection.h"

#include <QString>
#include <memory>

// The line splitter shared by the page-address file and the parse script: records at every
// record separator, each split into key and value at the first key separator.
class CommandLine
{
public:
    // The result of the last split; null after ClearArgs or a failed split.
    std::unique_ptr<ParamCollection> colParams;

    void ClearArgs();

    // Splits text from the 1-based start position. CRs become blanks first, so CR LF files read
    // like LF files. Key and value lose their outer blanks; a record without the key separator
    // (or with an empty key separator) is kept unkeyed. A key seen twice fails the split.
    bool SplitArgs(qsizetype start, const QString &text, const QString &recordSeparator, const QString &keySeparator,
                   QString *error = nullptr);

    // text with every character `find` replaced by `replacement`.
    static QString DeNullify(const QString &text, uchar find, uchar replacement);

    // Reads a data file whole, one character per byte (Windows-1252).
    static bool ReadDataFile(const QString &path, QString *text, QString *error = nullptr);
};
