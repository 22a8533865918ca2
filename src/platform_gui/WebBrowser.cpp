#include "platform_gui/WebBrowser.h"

#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
// Chromium's code for a navigation abandoned for another one or by a stop.
constexpr int kAborted = -3;

// Every navigation a page starts (a link, a script, a form, a frame) passes here first.
class WebPage : public QWebEnginePage
{
public:
    explicit WebPage(QObject *parent) : QWebEnginePage(parent)
    {
        // Nothing the engine does not draw itself goes out to the desktop's programs.
        settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        return WebBrowser::mayNavigate(url, isMainFrame);
    }
};
} // namespace

bool WebBrowser::mayNavigate(const QUrl &url, bool mainFrame)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (!mainFrame && scheme == QLatin1String("about"))
        return url.path() == QLatin1String("blank") || url.path() == QLatin1String("srcdoc");
    if (scheme != QLatin1String("file") || !url.host().isEmpty())
        return false;
    // The local pages, by their real place: no link or "..", no other file.
    const QString pages = QFileInfo(ProgramFolder::file(QStringLiteral("html"))).canonicalFilePath();
    const QString file = QFileInfo(url.toLocalFile()).canonicalFilePath();
    return !pages.isEmpty() && file.startsWith(pages + QLatin1Char('/'));
}

WebBrowser::WebBrowser(QWidget *parent) : IBrowser(parent), m_view(new QWebEngineView(this))
{
    m_view->setObjectName(QStringLiteral("WBView"));
    m_view->setPage(new WebPage(m_view));
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
    if (url.isEmpty() || !mayNavigate(url, true))
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
