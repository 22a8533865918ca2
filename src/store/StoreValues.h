#pragma once

#include <QString>
#include <optional>

// A settings-store or column text read as a 16- or 32-bit whole number the way the old
// runtime converted: blanks, separators and a currency sign admitted, halves to even.
std::optional<qint16> toInt16(const QString &text);
std::optional<qint32> toInt32(const QString &text);
