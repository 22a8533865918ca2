// Fuzz target over the extraction commands and the auction page parser. The input is a page;
// its first bytes also choose an extraction (command, case number, anchors) run over the rest.

#include "engine/BNHTMLExtract.h"
#include "engine/clsEbayAuction.h"
#include "platform/TextCodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

bool isOneOf(const QString &text, std::initializer_list<const char *> values)
{
    for (const char *v : values) {
        if (text == QLatin1String(v))
            return true;
    }
    return false;
}

void fuzzParse(const QByteArray &bytes)
{
    clsEbayAuction a;
    a.Parse(TextCodec::decodePage(bytes), QStringLiteral("1"), QStringLiteral(ZANDRIFT_FUZZ_SCRIPT));
    require(isOneOf(a.MeHighBidder, {"TRUE", "FALSE", "Unknown"}));
    require(isOneOf(a.AuctionType, {"", "REG", "DUTCH"}));
    require(!a.Location.contains(QLatin1Char('<')) || a.Location.indexOf(QLatin1Char('>')) < 0 ||
            a.Location.indexOf(QLatin1Char('>')) < a.Location.indexOf(QLatin1Char('<')));
}

void fuzzExtract(const uint8_t *data, size_t size)
{
    static const char *const commands[] = {"FORWARD", "backslip", "TrueFalse", "OTHER"};
    if (size < 5)
        return;
    const char *command = commands[data[0] % 4];
    // Mostly small case numbers, now and then the extremes.
    qint16 caseNumber = qint16(int8_t(data[1]));
    if (data[1] == 0x7f)
        caseNumber = 32767;
    else if (data[1] == 0x80)
        caseNumber = -32768;
    size_t at = 5;
    auto take = [&](size_t wanted) {
        const size_t n = qMin(wanted, size - at);
        const QString text =
            TextCodec::fromWindows1252(QByteArray(reinterpret_cast<const char *>(data + at), qsizetype(n)));
        at += n;
        return text;
    };
    const QString open = take(data[2] % 9);
    const QString close = take(data[3] % 9);
    const QString catchText = take(data[4] % 9);
    const QString page = take(size - at);

    // The quick case-blind search gives Qt's answers, on 1252 text and on UTF-8 text.
    const QString wide = QString::fromUtf8(reinterpret_cast<const char *>(data + 5), qsizetype(size - 5));
    for (const QString *hay : {&page, &wide}) {
        const qsizetype from = hay->isEmpty() ? 0 : qsizetype(data[1]) % hay->size();
        for (const QString *needle : {&open, &close, &catchText})
            require(BNHTMLExtract::IndexOf(*hay, *needle, from, Qt::CaseInsensitive) ==
                    QStringView(*hay).indexOf(*needle, from, Qt::CaseInsensitive));
    }

    bool ok = true;
    const QString got = BNHTMLExtract().Extract(open, close, catchText, caseNumber, page, QLatin1String(command), &ok);
    if (data[0] % 4 != 2)
        require(got.size() <= page.size());
    if (!ok)
        require(got.isEmpty());
    if (data[0] % 4 == 2)
        require(isOneOf(got, {"", "TRUE", "False"}));
    if (data[0] % 4 == 0 && caseNumber < 2)
        require(got.size() <= 500);
    if (data[0] % 4 == 1)
        require(got.size() <= 250);
    if (data[0] % 4 == 3)
        require(got.isEmpty() && ok);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzParse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    fuzzExtract(data, size);
    return 0;
}
