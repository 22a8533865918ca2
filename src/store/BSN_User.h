#pragma once

#include "store/AucColumns.h"

#include <QDateTime>
#include <QString>

// One program user: the in-memory form of a Users row plus the user's settings-store values.
class BSN_User
{
public:
    QDateTime CookieTimeModified;
    QString EbayName;
    QString EbayPassword;
    QString EbayEmail;
    QString ZandroName;
    QString ZandroPassword;
    QString ZandroPasswordHint;
    QString ReminderQuestion;
    qint32 PrimaryKey = 0;
    bool LoggedIn = false;
    bool Editing = false;
    qint32 BidSeconds = 0;
    qint32 AutoRefeshMins = 0;
    bool AutoLogIn = false;
    bool SignInUserNow = false;
    bool AutoDeleteAuctions = false;
    qint16 DeleteAuctionDays = 0;
    AucColumns Columns;

    // Keeps the text up to and including its first ";"; an empty result leaves it unchanged.
    void setCookie(const QString &cookie);
    QString Cookie() const { return m_cookie; }

    // The settings-store section that holds this user's values: "user " + ZandroName.
    QString settingsSection() const { return sectionFor(ZandroName); }
    static QString sectionFor(const QString &zandroName) { return QStringLiteral("user ") + zandroName; }

private:
    QString m_cookie;
};
