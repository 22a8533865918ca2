#include "engine/BNBidTalk.h"

#include "engine/BNParseScripElem.h"
#include "engine/ebayURLS.h"
#include "platform/ProgramFolder.h"
#include "platform/Values.h"

#include <QUrl>
#include <cmath>

namespace {
// Each value is URL-encoded on its own: a password holding "&", "=", "+" or "%" must reach
// the site as typed.
QString field(const char *name, const QString &value)
{
    return QLatin1String(name) + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The site's front page: the root of the site that the page-address file names.
QString siteHomePage()
{
    const ebayURLS *urls = UseURLs();
    if (!urls)
        return QString();
    for (const QString &address : {urls->EbayLogInURL, urls->EbayUserSignInURL, urls->EbayViewItemURL}) {
        const QUrl url(address);
        if (url.isValid() && !url.host().isEmpty())
            return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                       .toString() +
                   QLatin1Char('/');
    }
    return QString();
}
} // namespace

BNBidTalk::BNBidTalk() : BNBidTalk(ProgramFolder::file(QStringLiteral("ebparse.zdx"))) {}

BNBidTalk::BNBidTalk(const QString &scriptPath)
{
    m_script.ImportScript(scriptPath);
}

double BNBidTalk::bidAmount(double stored)
{
    if (!std::isfinite(stored) || stored <= 0 || stored > 9.0e14)
        return 0; // nothing that could be a maximum bid
    // Cut to the cent as the grid and the log show it.
    return static_cast<double>(*Values::toCents(stored)) / 100.0;
}

QString BNBidTalk::amountText(double amount)
{
    const qint64 cents = Values::toCents(amount).value_or(0);
    QString text = QString::number(cents / 100);
    const qint64 fraction = cents % 100;
    if (fraction % 10 != 0)
        text += QStringLiteral(".%1").arg(fraction, 2, 10, QLatin1Char('0'));
    else if (fraction != 0)
        text += QStringLiteral(".%1").arg(fraction / 10);
    return text;
}

QString BNBidTalk::MakeBidFormData(QString &errorText) const
{
    errorText.clear();
    const QString item = Values::trimBlanks(ItemNumber);
    if (item.isEmpty() || !(MaxBid > 0) || Quantity < 1) {
        errorText =
            QStringLiteral("Unable to process bid.  There may have been an error extracing important information.");
        return QString();
    }
    return QStringList{QStringLiteral("MfcISAPICommand=MakeBid"), field("item", item),
                       field("quant", QString::number(Quantity)), field("maxbid", amountText(MaxBid))}
        .join(QLatin1Char('&'));
}

void BNBidTalk::PrepareFinalFormData(const QString &page, QString &errorText)
{
    errorText.clear();
    QString key;
    if (const auto elem = GetScriptElem(QStringLiteral("KEY"), m_script)) {
        bool ok = false;
        key = m_extract.Extract(*elem, page, &ok);
        if (!ok)
            key.clear();
    }
    if (!key.isEmpty() && User) {
        Key = key;
        FinalFormData = QStringList{QStringLiteral("MfcISAPICommand=AcceptBid"),
                                    field("item", Values::trimBlanks(ItemNumber)),
                                    field("maxbid", amountText(MaxBid)),
                                    field("quant", QString::number(Quantity)),
                                    field("userid", User->EbayName),
                                    field("pass", User->EbayPassword),
                                    field("key", key)}
                            .join(QLatin1Char('&'));
        return;
    }
    if (page.toUpper().contains(QStringLiteral("LESS THAN THE MINIMUM BID")))
        errorText = QStringLiteral("Outbid");
    else
        errorText = QStringLiteral("Unable to Extract Key Information.");
}

QString BNBidTalk::LoginFormData() const
{
    const QString name = User ? User->EbayName : QString();
    const QString pass = User ? User->EbayPassword : QString();
    return QStringList{QStringLiteral("MfcISAPICommand=SignInWelcome"), QStringLiteral("UsingSSL=0"),
                       field("userid", name), field("pass", pass), field("referrer", siteHomePage())}
        .join(QLatin1Char('&'));
}

bool BNBidTalk::IsUserDutchHighBidder(const QString &page) const
{
    return User && page.contains(QLatin1Char('>') + User->EbayName + QLatin1Char('<'));
}
