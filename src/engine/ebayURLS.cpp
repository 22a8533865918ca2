#include "engine/ebayURLS.h"

#include "engine/CommandLine.h"
#include "platform/ProgramFolder.h"

std::unique_ptr<ebayURLS> gURLs;

bool ebayURLS::Load(const QString &path, QString *error)
{
    QString text;
    CommandLine cl;
    if (!CommandLine::ReadDataFile(path, &text, error))
        return false;
    cl.ClearArgs();
    if (!cl.SplitArgs(1, text, QStringLiteral("\n"), QStringLiteral("|"), error))
        return false;

    const ParamCollection &p = *cl.colParams;
    p.lookup(QStringLiteral("EbayViewItemURL"), &EbayViewItemURL);
    p.lookup(QStringLiteral("EbayBiddingURL"), &EbayBiddingURL);
    p.lookup(QStringLiteral("EbayTimeSyncURL"), &EbayTimeSyncURL);
    p.lookup(QStringLiteral("EbayLogInURL"), &EbayLogInURL);
    p.lookup(QStringLiteral("EbayMakeBidURL"), &EbayMakeBidURL);
    p.lookup(QStringLiteral("EbayConfirmBidURL"), &EbayConfirmBidURL);
    p.lookup(QStringLiteral("EbaySignInURL"), &EbayUserSignInURL);
    return true;
}

QString ebayURLS::KeyOf(const QString &url) const
{
    const std::pair<const char *, const QString *> fields[] = {
        {"EbayViewItemURL", &EbayViewItemURL}, {"EbayBiddingURL", &EbayBiddingURL},
        {"EbayTimeSyncURL", &EbayTimeSyncURL}, {"EbayLogInURL", &EbayLogInURL},
        {"EbayMakeBidURL", &EbayMakeBidURL},   {"EbayConfirmBidURL", &EbayConfirmBidURL},
        {"EbaySignInURL", &EbayUserSignInURL}};
    QString key;
    qsizetype longest = 0;
    for (const auto &[name, address] : fields) {
        if (!address->isEmpty() && address->size() > longest && url.startsWith(*address)) {
            key = QLatin1String(name);
            longest = address->size();
        }
    }
    return key;
}

ebayURLS *UseURLs(QString *error)
{
    if (!gURLs) {
        auto urls = std::make_unique<ebayURLS>();
        if (!urls->Load(ProgramFolder::file(QStringLiteral("eburl.zdx")), error))
            return nullptr;
        gURLs = std::move(urls);
    }
    return gURLs.get();
}
