#pragma once

#include <QByteArray>
#include <QString>

// Bytes to text for what the program reads from disk and from the site. The site's pages and
// our data files are single-byte Windows-1252; later pages may come as UTF-8.
namespace TextCodec {

// One character per byte, Windows-1252 where it defines the byte. The five bytes 1252 leaves
// undefined map to the control characters of the same code, so no byte is ever lost.
QString fromWindows1252(const QByteArray &bytes);

// The charset named by a Content-Type value or by a <meta> line near the top of the page
// ("utf-8", "windows-1252", ...), lower case; empty when none is declared.
QByteArray declaredCharset(const QByteArray &page, const QByteArray &contentType = {});

// A page as text: its declared charset when we know it, else UTF-8 when the bytes are valid
// UTF-8, else Windows-1252.
QString decodePage(const QByteArray &page, const QByteArray &contentType = {});

} // namespace TextCodec
