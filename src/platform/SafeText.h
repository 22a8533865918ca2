#pragma once

#include <QString>

// Text from a page or a user that is kept or used to name something: control characters and
// the marks that reverse or reorder the text around them ("ann\u202Etxt.exe" shows as
// "annexe.txt") are not kept.
namespace safe_text {

// Control characters (C0 and C1, DEL) and bidirectional formatting characters (embeddings,
// overrides, isolates and the direction marks).
bool isUnsafe(char32_t c);

// The text without those characters; tabs and line breaks, which a page's text holds as
// white space, stay.
QString stripped(const QString &text);

} // namespace safe_text
