#pragma once

#include "platform_gui/IBrowser.h"

#include <QList>
#include <QStringList>

// A browser that loads nothing: it records what it was asked, and the test plays the page
// events (finish, fail, progress) and answers the scripts.
class FakeBrowser : public IBrowser
{
    Q_OBJECT
public:
    explicit FakeBrowser(QWidget *parent = nullptr) : IBrowser(parent) {}

    bool navigate(const QUrl &url) override;
    void goBack() override { calls << QStringLiteral("back"); }
    void goForward() override { calls << QStringLiteral("forward"); }
    void stop() override { calls << QStringLiteral("stop"); }
    void reload() override { calls << QStringLiteral("reload"); }

    QUrl address() const override { return m_address; }
    QString title() const override { return m_title; }
    bool isBusy() const override { return m_busy; }

    void runScript(const QString &script, ScriptCallback callback) override;

    // The page finished loading (or failed) at url, with that title.
    void finishLoad(const QUrl &url, const QString &title = QString());
    void failLoad(const QUrl &url);

    QList<QUrl> navigations;
    QStringList calls;
    QStringList scripts;
    // What a script returns; called with the script's text. Unset: an invalid QVariant.
    std::function<QVariant(const QString &)> scriptResult;

private:
    QUrl m_address;
    QString m_title;
    bool m_busy = false;
};
