#pragma once

#include "dialogs/IDialogs.h"

// The window started with no dialog in its way (screenshots, benchmarks): every dialog is
// left unopened.
class SilentDialogs : public IDialogs
{
public:
    void showSplash(QWidget *) override {}
    void signIn(QWidget *) override {}
    void profileWizard(QWidget *) override {}
    void columnChooser(QWidget *) override {}
    void systemSettings(QWidget *) override {}
    void scheduleSnipe(QWidget *) override {}
    void closeConfirmation(QWidget *) override {}
    bool comment(QWidget *, const QString &, QString &) override { return false; }
    void compactDatabase(QWidget *) override {}
    void deleteUser(QWidget *) override {}
    void about(QWidget *) override {}
    void legend(QWidget *) override {}
};
