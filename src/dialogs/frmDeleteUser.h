#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmDeleteUser;
}
class AuctionEngine;

// Deletes a program user who is not signed in, with everything that is the user's: auctions,
// folders, shortcuts, log rows, the Users row (all or nothing), the settings-store section and
// the user's snipes waiting in the engine's queue. Reloads gUsers however it closes.
class frmDeleteUser : public QDialog
{
    Q_OBJECT
public:
    // engine: whose queue loses the user's snipes; none when nothing is queued.
    explicit frmDeleteUser(QWidget *owner = nullptr, AuctionEngine *engine = nullptr);
    ~frmDeleteUser() override;

    // Deletes the user's rows in one transaction; false, after a message, when nothing could be.
    bool DeleteUser(qint32 userKey);

    void cmdDeleteUser_Click();
    void cmdDeleteCancel_Click();
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void UpdateButtons();
    void removeQueuedSnipes(qint32 userKey);

    std::unique_ptr<Ui::frmDeleteUser> ui;
    AuctionEngine *m_engine;
};
