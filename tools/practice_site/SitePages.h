#pragma once

#include "SiteModel.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace practice {

// The site's pages as text. Every page is sent as Windows-1252 (toWire). Addresses inside
// pages start with the site's own base address ("http://127.0.0.1:<port>").
class SitePages
{
public:
    explicit SitePages(const QString &baseUrl) : m_base(baseUrl) {}

    // The site's zone: the clock is shown as Pacific time, PST or PDT by the date.
    static QDateTime siteTime(const QDateTime &instant);
    static QString zoneWord(const QDateTime &instant);
    static QString money(double amount);
    static QString timeLeft(const QDateTime &now, const QDateTime &end);

    QString item(const Auction &a, const Standing &s, const QDateTime &now, int highBidderRating) const;
    QString unknownItem(const QString &item) const;
    QString time(const QDateTime &now, bool withTime) const;
    QString makeBidKey(const Auction &a, const QString &maxBidText, int quantity, const QString &key) const;
    QString belowMinimum(const QString &item, double maxBid, double minimumBid) const;
    QString confirmed(const Auction &a, double maxBid) const;
    QString outbid(const Auction &a, double currentPrice) const;
    QString bidProblem(const QString &reason) const;
    // submitType: the type written on the form's button ("submit" when empty); "none" leaves
    // the button out, as a changed sign-in page might.
    // action and formAction (on the button) send the form elsewhere than the site's welcome.
    QString signIn(const QString &submitType = QString(), const QString &action = QString(),
                   const QString &formAction = QString()) const;
    QString welcome(const QString &userId) const;
    static QString garbage();

    static QByteArray toWire(const QString &page);
    static constexpr const char *kContentType = "text/html; charset=windows-1252";

private:
    QString dll() const { return m_base + QStringLiteral("/aw-cgi/eBayISAPI.dll"); }
    QString stamp(const QDateTime &instant) const;
    static QString smallPage(const QString &title, const QString &body);

    QString m_base;
};

} // namespace practice
