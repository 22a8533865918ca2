#include "FakeBrowser.h"

bool FakeBrowser::navigate(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty())
        return false;
    // A web address needs a host to go to.
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && url.host().isEmpty())
        return false;
    navigations << url;
    if (!m_busy) {
        m_busy = true;
        emit busyChanged(true);
    }
    emit loadStarted(url);
    return true;
}

void FakeBrowser::runScript(const QString &script, ScriptCallback callback)
{
    scripts << script;
    if (callback)
        callback(scriptResult ? scriptResult(script) : QVariant());
}

void FakeBrowser::finishLoad(const QUrl &url, const QString &title)
{
    m_address = url;
    m_title = title;
    emit titleChanged(title);
    emit loadFinished(url, LoadResult::Succeeded, QString());
    m_busy = false;
    emit busyChanged(false);
}

void FakeBrowser::failLoad(const QUrl &url)
{
    m_address = url;
    emit loadFinished(url, LoadResult::Failed, QStringLiteral("net::ERR_NAME_NOT_RESOLVED"));
    m_busy = false;
    emit busyChanged(false);
}
