#pragma once

#include "dialogs/IDialogs.h"

class AuctionEngine;

// Opens the real forms.
class Dialogs : public IDialogs
{
public:
    void showSplash(QWidget *owner) override;
    void signIn(QWidget *owner) override;
    void profileWizard(QWidget *owner) override;
    void columnChooser(QWidget *owner) override;
    void systemSettings(QWidget *owner) override;
    void scheduleSnipe(QWidget *owner) override;
    void closeConfirmation(QWidget *owner) override;
    bool comment(QWidget *owner, const QString &auctionTitle, QString &text) override;
    void compactDatabase(QWidget *owner) override;
    void deleteUser(QWidget *owner) override;
    void about(QWidget *owner) override;
    void legend(QWidget *owner) override;

    // The window's engine: compaction waits for its queue to empty, deleting a user removes the
    // user's snipes from it. Set by whoever creates both.
    AuctionEngine *engine = nullptr;
};
