#include "WebBrowser.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// Chromium's code for a navigation abandoned for another one or by a stop.
constexpr int kAborted = -3;
} // namespace

WebBrowser::WebBrowser(QWidget *parent) : IBrowser(parent), m_view(new QWebEngineView(this))
{
    m_view->setObjectName(QStringLiteral("WBView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    QWebEnginePage *page = m_view->page();
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            if (!m_busy) {
                m_busy = true;
                emit busyChanged(true);
            }
            emit loadStarted(info.url());
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            emit loadFinished(info.url(), LoadResult::Succeeded, QString());
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            emit loadFinished(info.url(), LoadResult::Stopped, QString());
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            emit loadFinished(info.url(), info.errorCode() == kAborted ? LoadResult::Stopped : LoadResult::Failed,
                              info.errorString());
            break;
        }
        if (m_busy && !m_view->page()->isLoading()) {
            m_busy = false;
            emit busyChanged(false);
        }
    });
    connect(m_view, &QWebEngineView::loadProgress, this, [this](int progress) { emit progressChanged(progress, 100); });
    connect(m_view, &QWebEngineView::titleChanged, this, &IBrowser::titleChanged);
    connect(page, &QWebEnginePage::linkHovered, this, [this](const QString &url) { emit statusTextChanged(url); });
}

bool WebBrowser::navigate(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty())
        return false;
    // A web address needs a host to go to.
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && url.host().isEmpty())
        return false;
    m_view->load(url);
    return true;
}

void WebBrowser::goBack()
{
    m_view->back();
}
void WebBrowser::goForward()
{
    m_view->forward();
}
void WebBrowser::stop()
{
    m_view->stop();
}
void WebBrowser::reload()
{
    m_view->reload();
}

QUrl WebBrowser::address() const
{
    return m_view->url();
}
QString WebBrowser::title() const
{
    return m_view->title();
}
bool WebBrowser::isBusy() const
{
    return m_busy;
}

void WebBrowser::runScript(const QString &script, ScriptCallback callback)
{
    // The page answers later; by then the browser may be gone.
    QPointer<WebBrowser> self(this);
    m_view->page()->runJavaScript(script, [self, callback](const QVariant &result) {
        if (self && callback)
            callback(result);
    });
}
