#pragma once

#include <QUrl>
#include <QVariant>
#include <QWidget>
#include <functional>

// The built-in web browser as the program uses it: navigation, history, the page's address
// and title, its loading state, and scripts run in the page. The real one draws pages with
// QWebEngineView (WebBrowser); tests use a fake that loads nothing.
class IBrowser : public QWidget
{
    Q_OBJECT
public:
    enum class LoadResult
    {
        Succeeded,
        Stopped, // stopped by the user or replaced by another navigation
        Failed   // the page could not be fetched
    };
    Q_ENUM(LoadResult)

    using ScriptCallback = std::function<void(const QVariant &result)>;

    explicit IBrowser(QWidget *parent = nullptr) : QWidget(parent) {}

    // Starts loading the address. False, and nothing started, for an address that cannot be
    // navigated to (empty or malformed).
    virtual bool navigate(const QUrl &url) = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual void stop() = 0;
    virtual void reload() = 0;

    virtual QUrl address() const = 0;
    virtual QString title() const = 0;
    virtual bool isBusy() const = 0;

    // Runs the script in the page shown; the callback gets the value of its last expression
    // (an invalid QVariant when the script threw). The callback may come after the call returns.
    virtual void runScript(const QString &script, ScriptCallback callback) = 0;

signals:
    void loadStarted(const QUrl &url);
    // A navigation ended; url is where it ended (after redirects).
    void loadFinished(const QUrl &url, IBrowser::LoadResult result, const QString &errorText);
    void titleChanged(const QString &title);
    // The text for the browser's status line (the address of the link under the mouse).
    void statusTextChanged(const QString &text);
    // progress of progressMax; -1 when the browser has no figure.
    void progressChanged(int progress, int progressMax);
    void busyChanged(bool busy);
};
