#pragma once

#include "IBrowser.h"

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

private:
    QWebEngineView *m_view;
    bool m_busy = false;
};
