#include "platform/SafeText.h"

namespace safe_text {

bool isUnsafe(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString stripped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    // Every character looked for lies below the surrogates, so a pair is never split.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n' || u == u'\r' || !isUnsafe(u))
            out += c;
    }
    return out;
}

} // namespace safe_text
