#pragma once

#include <QString>
#include <memory>

// The addresses of the site's pages, read from the program folder's eburl.zdx. There are no
// built-in addresses: a key the file lacks leaves its field empty.
class ebayURLS
{
public:
    QString EbayViewItemURL;
    QString EbayBiddingURL;
    QString EbayTimeSyncURL;
    QString EbayLogInURL;
    QString EbayMakeBidURL;
    QString EbayConfirmBidURL;
    QString EbayUserSignInURL; // from the key "EbaySignInURL"

    // Reads the file; on failure no field is set and error says why.
    bool Load(const QString &path, QString *error = nullptr);
    // The file's key whose address url begins with (the longest one), empty when none.
    QString KeyOf(const QString &url) const;
};

// The run's page-address list. Absent until its first use and after a failed load.
extern std::unique_ptr<ebayURLS> gURLs;

// gURLs, created from the program folder's eburl.zdx when absent. Null when the file cannot be
// loaded (missing, unreadable, a duplicate key); the next call tries again.
ebayURLS *UseURLs(QString *error = nullptr);
