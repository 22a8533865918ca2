#pragma once

#include "engine/BNHTMLExtract.h"
#include "engine/BNParseScript.h"
#include "store/BSN_Users.h"

#include <QDateTime>
#include <QString>

// The state of one snipe: carried by its queue item from step to step until it ends.
class BNBidTalk
{
public:
    QString ItemNumber;
    double MaxBid = 0; // whole cents: what is posted and what is logged
    QString BidError;
    QDateTime EndingTime; // site clock
    QString EndingZone;   // "PST" or "PDT" as the page showed it; empty when not known
    qint32 BidSeconds = 0;
    UserPtr User;
    qint32 PrimaryKey = 0; // AUC_Primary
    qint16 ReconnectionAttempts = 0;
    qint16 Quantity = 0;
    QString Key;
    QString Pass;
    QString FinalFormData;
    bool ConnectedBySnipe = false;
    bool CancelBid = false;
    qint16 ActionRetry = 0;
    // Time pages tried by this conversation's clock synchronisation.
    qint16 SyncTries = 0;
    qint16 FinalizeRetry = 0;
    // The amount and quantity the preparatory bid was made for: the key the site hands out
    // belongs to them, so a change afterwards needs a new preparatory bid.
    double PreparedMaxBid = 0;
    qint16 PreparedQuantity = 0;
    // A step that failed is sent again no sooner than this reading of the steady clock (ms).
    qint64 RetryAtMs = 0;
    // A final post went out whose answer was lost: the site may hold the bid.
    bool FinalMayHaveLanded = false;
    // The round trip of the preparatory bid (ms): the final post goes the same way.
    qint64 PrepareRoundTripMs = 0;

    // Steps of the conversation.
    enum SnipeStep : qint32
    {
        Wait = 0,
        Connect = 1,
        SyncClock = 2,
        PrepareBid = 3,
        FinalBid = 4,
        Done = 8
    };

    // Loads the parse script from the program folder's ebparse.zdx.
    BNBidTalk();
    explicit BNBidTalk(const QString &scriptPath);

    // The preparatory bid's form body; errorText is set (and the body unusable) when it fails.
    QString MakeBidFormData(QString &errorText) const;
    // Reads the accept key from the make-bid reply and builds the final post's body. With no
    // key, errorText is "Outbid" when the bid was below the minimum, else another text.
    void PrepareFinalFormData(const QString &page, QString &errorText);
    QString LoginFormData() const;
    bool IsUserDutchHighBidder(const QString &page) const;

    // A stored maximum as the conversation carries it: whole cents, a fraction of a cent dropped,
    // so the site is never offered more than the user typed.
    static double bidAmount(double stored);
    // "12.5": the amount's cents as the shortest decimal text.
    static QString amountText(double amount);

    void SetNextAction(qint32 code)
    {
        m_lastAction = m_nextAction;
        m_nextAction = code;
    }
    qint32 GetNextAction() const { return m_nextAction; }
    qint32 GetLastAction() const { return m_lastAction; }

private:
    BNParseScript m_script;
    BNHTMLExtract m_extract;
    qint32 m_nextAction = 0;
    qint32 m_lastAction = 0;
};
