#pragma once

#include "dialogs/IDialogs.h"

#include <QStringList>
#include <functional>

// Records every dialog the window asks for; a test sets what each one does (sign a user in,
// answer the close question...) through the matching hook.
class FakeDialogs : public IDialogs
{
public:
    void showSplash(QWidget *) override { call("splash"); }
    void signIn(QWidget *) override { call("signIn"); }
    void profileWizard(QWidget *) override { call("profileWizard"); }
    void columnChooser(QWidget *) override { call("columnChooser"); }
    void systemSettings(QWidget *) override { call("systemSettings"); }
    void scheduleSnipe(QWidget *) override { call("scheduleSnipe"); }
    void closeConfirmation(QWidget *) override { call("closeConfirmation"); }
    bool comment(QWidget *, const QString &title, QString &text) override
    {
        calls << QStringLiteral("comment");
        commentTitle = title;
        if (!onComment)
            return false;
        return onComment(text);
    }
    void compactDatabase(QWidget *) override { call("compactDatabase"); }
    void deleteUser(QWidget *) override { call("deleteUser"); }
    void about(QWidget *) override { call("about"); }
    void legend(QWidget *) override { call("legend"); }

    QStringList calls;
    QString commentTitle;
    // Runs when the named dialog is opened (as the modal dialog would, before it returns).
    std::function<void(const QString &name)> onOpen;
    std::function<bool(QString &text)> onComment;

private:
    void call(const char *name)
    {
        calls << QLatin1String(name);
        if (onOpen)
            onOpen(QLatin1String(name));
    }
};
