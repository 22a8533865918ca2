#include "platform/TextCodec.h"

#include <QStringDecoder>

#include <cctype>

namespace TextCodec {

namespace {

// Windows-1252 bytes 0x80-0x9F; the undefined ones keep their own code.
const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QByteArray charsetAfter(const QByteArray &text, qsizetype from)
{
    qsizetype i = from;
    while (i < text.size() && (text[i] == ' ' || text[i] == '"' || text[i] == '\''))
        ++i;
    qsizetype j = i;
    while (j < text.size()) {
        const char c = text[j];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ':'))
            break;
        ++j;
    }
    return text.mid(i, j - i).toLower();
}

QByteArray charsetIn(const QByteArray &text)
{
    const QByteArray lower = text.toLower();
    const qsizetype at = lower.indexOf("charset=");
    return at < 0 ? QByteArray() : charsetAfter(lower, at + 8);
}

bool isUtf8Name(const QByteArray &name)
{
    return name == "utf-8" || name == "utf8";
}

bool isSingleByteWestern(const QByteArray &name)
{
    // Browsers read all of these as Windows-1252, and so do we.
    return name == "windows-1252" || name == "cp1252" || name == "iso-8859-1" || name == "latin1" ||
           name == "iso_8859-1" || name == "us-ascii" || name == "ascii" || name == "x-cp1252";
}

QString fromUtf8(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    return QString::fromUtf8(view);
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text)
    return !decoder.hasError();
}

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh1252[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

QByteArray declaredCharset(const QByteArray &page, const QByteArray &contentType)
{
    QByteArray name = charsetIn(contentType);
    if (name.isEmpty()) {
        // A <meta> charset belongs in the first 1024 bytes; look a little further for sloppy pages.
        const QByteArray head = page.left(4096);
        const qsizetype meta = head.toLower().indexOf("<meta");
        if (meta >= 0)
            name = charsetIn(head.mid(meta));
    }
    return name;
}

QString decodePage(const QByteArray &page, const QByteArray &contentType)
{
    if (page.startsWith("\xEF\xBB\xBF"))
        return fromUtf8(page);
    const QByteArray name = declaredCharset(page, contentType);
    // A page that says UTF-8 but is not (old pages often lie) keeps its bytes as Windows-1252.
    if (isUtf8Name(name))
        return isValidUtf8(page) ? fromUtf8(page) : fromWindows1252(page);
    if (isSingleByteWestern(name))
        return fromWindows1252(page);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid())
            return decoder.decode(page);
    }
    return isValidUtf8(page) ? fromUtf8(page) : fromWindows1252(page);
}

} // namespace TextCodec
