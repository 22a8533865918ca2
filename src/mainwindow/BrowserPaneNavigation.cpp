// Where the browser goes: the safe navigation, the news page, and what a finished page changes.
#include "mainwindow/BrowserPane.h"

#include "engine/ebayURLS.h"
#include "engine/modComm.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QComboBox>
#include <QLabel>

namespace {
// A full address is taken as written and must be well formed; anything shorter ("example.com",
// a file's path) is completed the way a browser's address bar does.
QUrl addressOf(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.contains(QLatin1String("://")))
        return QUrl(trimmed, QUrl::StrictMode);
    return QUrl::fromUserInput(trimmed);
}

// Two addresses of one page: the host's case, a trailing slash and "." segments aside.
bool sameAddress(const QUrl &a, const QUrl &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto plain = [](const QUrl &u) {
        return u.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments).toString(QUrl::FullyEncoded);
    };
    return plain(a) == plain(b);
}

} // namespace

void BrowserPane::navigationFailed(const QString &url)
{
    const QString message =
        QStringLiteral("A non-critical error occurred:  web browser encountered an error while navigating to: ") + url;
    // A page nobody can see (another view chosen, the window in the tray) interrupts nobody: its
    // failure is told in the browser's status line and the general log.
    if (!m_wb->isVisible() || window()->isMinimized()) {
        WB_StatusTextChange(message);
        try {
            BSN_Log().MarkAuction(0, gCurrentUser ? gCurrentUser->PrimaryKey : 0, message);
        } catch (const DbError &) {
            // The status line has said it.
        }
        return;
    }
    MsgBox::show(message, QStringLiteral("Zandrift"), MsgBox::Icon::Information);
}

bool BrowserPane::navigateReported(const QString &url)
{
    const QUrl target = addressOf(url);
    if (!m_wb->navigate(target)) {
        m_safeText.clear();
        m_safeUrl.clear();
        return false;
    }
    m_safeText = url;
    m_safeUrl = target;
    return true;
}

void BrowserPane::NavigateSafe(const QString &url)
{
    m_newsUrl.clear();
    if (!navigateReported(url))
        navigationFailed(url);
    m_cboURL->setEditText(url);
}

void BrowserPane::navigateWithFallback(const QUrl &url)
{
    m_newsUrl = url;
    if (!m_wb->navigate(url)) {
        m_newsUrl.clear();
        m_wb->navigate(localPage());
    }
}

void BrowserPane::ShowNewsPage()
{
    m_safeText.clear();
    m_safeUrl.clear();
    bool online = false;
    try {
        online = m_isOnline();
    } catch (...) {
        // A dial-up component that cannot say counts as offline.
        online = false;
    }
    if (online)
        navigateWithFallback(QUrl(QLatin1String(kNewsPage)));
    else
        m_wb->navigate(localPage());
}

void BrowserPane::tbrNews_Click()
{
    NavigateSafe(QLatin1String(kNewsPage));
    if (!m_safeUrl.isEmpty())
        m_newsUrl = m_safeUrl;
}

void BrowserPane::WB_LoadFinished(const QUrl &url, IBrowser::LoadResult result)
{
    const bool failed = result == IBrowser::LoadResult::Failed;
    if (sameAddress(url, m_safeUrl)) {
        const QString given = m_safeText;
        m_safeText.clear();
        m_safeUrl.clear();
        if (failed)
            navigationFailed(given);
    }
    if (sameAddress(url, m_newsUrl)) {
        m_newsUrl.clear();
        if (failed) {
            m_wb->navigate(localPage());
            return;
        }
    }
    if (result == IBrowser::LoadResult::Succeeded) {
        WB_NavigateComplete2(url);
        WB_DocumentComplete(url);
    } else if (failed) {
        // The sign-in is attempted at most once per request, whatever page completes.
        WB_DocumentComplete(QUrl());
    }
}

void BrowserPane::WB_NavigateComplete2(const QUrl &url)
{
    UpdateAddAuctionButton();
    m_lblAuctionView->setText(m_wb->title());
    const QString location = url.toString();
    if (m_cboURL->findText(location, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        m_cboURL->addItem(location);
    m_cboURL->setEditText(location);
}

void BrowserPane::ShowSelectedAuction(const QString &itemNumber)
{
    if (!isEngaged() || itemNumber.isEmpty())
        return;
    const ebayURLS *urls = UseURLs();
    if (!urls || urls->EbayViewItemURL.isEmpty())
        return;
    bool online = false;
    try {
        online = IsOnline();
    } catch (...) {
        // A dial-up component that cannot say counts as offline.
        online = false;
    }
    if (online)
        NavigateSafe(urls->EbayViewItemURL + itemNumber);
}
