#pragma once

#include "platform_gui/IBrowser.h"

class QWebEngineView;

// The browser over QWebEngineView. Pages run in the engine's own processes; the application
// must set Qt::AA_ShareOpenGLContexts before its QApplication exists.
class WebBrowser : public IBrowser
{
    Q_OBJECT
public:
    explicit WebBrowser(QWidget *parent = nullptr);

    bool navigate(const QUrl &url) override;
    void goBack() override;
    void goForward() override;
    void stop() override;
    void reload() override;

    QUrl address() const override;
    QString title() const override;
    bool isBusy() const override;

    void runScript(const QString &script, ScriptCallback callback) override;

    QWebEngineView *view() const { return m_view; }

    // Where the browser may go: web pages (http, https) and the program's own local pages (the
    // html folder of the program folder); a frame inside a page may also be blank. Every other
    // address (mail, a desktop program's scheme, other files) goes nowhere, and is never handed
    // to the desktop.
    static bool mayNavigate(const QUrl &url, bool mainFrame);

private:
    QWebEngineView *m_view;
    bool m_busy = false;
};
