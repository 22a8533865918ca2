// Prints one line per figure, name=value, medians in microseconds; the last line is
// parse_100k_us_median. Not a test: nothing is asserted.

#include "engine/BNHTMLExtract.h"
#include "engine/BNParseScript.h"
#include "engine/clsEbayAuction.h"
#include "platform/TextCodec.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return f.readAll();
}

// Markup like the scripts and tables that fill real item pages.
QString filler(qsizetype size)
{
    static const QString row = QStringLiteral(
        "<tr><td class=\"c\"><font size=\"2\">Shipping and handling, insurance: see the seller's terms</font></td>"
        "<td><b>US $4.95</b></td></tr>\n<script>var q = document.forms[0]; if (q) { q.curr = 'x'; }</script>\n");
    QString text;
    text.reserve(size + row.size());
    while (text.size() < size)
        text += row;
    text.truncate(size);
    return text;
}

double medianMicros(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    times.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("ebparse.zdx"));
    {
        QFile f(script);
        const QByteArray bytes = readFile(QStringLiteral(ZANDRIFT_SOURCE_DATA "/ebparse.zdx"));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }

    // The practice site's item page grown to 100 KB: scripts ahead of the fields, a long description.
    QString page = TextCodec::decodePage(readFile(QStringLiteral(ZANDRIFT_TEST_DATA "/site/item_active.html")));
    const qsizetype grow = 100 * 1024 - page.size();
    page.replace(QStringLiteral("</head>"), filler(grow * 6 / 10) + QStringLiteral("</head>"));
    page.replace(QStringLiteral("Shipping at the buyer's cost."), filler(100 * 1024 - page.size()));

    clsEbayAuction check;
    check.Parse(page, QStringLiteral("3001000001"), script);
    if (check.CurrentBid != QLatin1String("$12.50") || check.MinimumBid != QLatin1String("$13.00")) {
        std::fprintf(stderr, "the grown page no longer parses\n");
        return 1;
    }

    // Extract: a FORWARD whose Catch sits at the end, so the whole page is searched.
    const BNHTMLExtract extract;
    const QString open = QStringLiteral("<b>"), close = QStringLiteral("</b>"),
                  catchText = QStringLiteral("Current minimum bid");
    const QString command = QStringLiteral("FORWARD");
    for (const auto &[name, size] :
         {std::pair{"extract_10k_us_median", 10 * 1024}, std::pair{"extract_100k_us_median", 100 * 1024},
          std::pair{"extract_1m_us_median", 1024 * 1024}}) {
        const QString big = filler(size - 64) + QStringLiteral("Current minimum bid <b>$13.00</b>.");
        const int runs = size > 200 * 1024 ? 51 : 501;
        const double us = medianMicros(runs, [&] {
            if (extract.Extract(open, close, catchText, 1, big, command) != QLatin1String("$13.00"))
                std::exit(1);
        });
        std::printf("%s=%.1f\n", name, us);
    }

    const double load = medianMicros(501, [&] {
        BNParseScript s;
        s.ImportScript(script);
    });
    std::printf("script_load_us_median=%.1f\n", load);

    const double parse = medianMicros(501, [&] {
        clsEbayAuction a;
        a.Parse(page, QStringLiteral("3001000001"), script);
    });
    std::printf("page_size_chars=%lld\n", static_cast<long long>(page.size()));
    std::printf("parse_100k_us_median=%.0f\n", parse);
    return 0;
}
