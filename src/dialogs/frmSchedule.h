#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmSchedule;
}
namespace auction_store {
enum class SnipeWrite;
}

// Sets, changes or removes the snipe of the auction ScheduleAuctionKey names, and leaves how the
// user left in ScheduleCancelled and SnipeUnscheduled. Any way out other than Update Schedule or
// Unschedule counts as Cancel.
class frmSchedule : public QDialog
{
    Q_OBJECT
public:
    explicit frmSchedule(QWidget *owner = nullptr);
    ~frmSchedule() override;

    // False when the auction's row could not be read (the user has been told): exec() then
    // returns at once, as cancelled.
    bool isLoaded() const { return m_loaded; }
    int exec() override;

    // True when the three boxes may be saved; otherwise the user has been told why.
    bool ValidateSnipe();

    void cmdOK_Click();
    void cmdUnschedule_Click();
    void cmdCancel_Click();

protected:
    // Escape and the window's close box ask as Cancel does.
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    bool SaveSnipe();
    // The row positioned for editing, or null after telling the user why it cannot be written.
    // False, once the user is told why, when the row could not take the write.
    bool written(auction_store::SnipeWrite result);

    std::unique_ptr<Ui::frmSchedule> ui;
    bool m_loaded = false;
    qint64 m_minBidCents = 0;
    qint16 mintQuantityAvailable = 0;
    qint32 m_loadedStatus = 0;
    // What ValidateSnipe read from the boxes.
    qint32 m_seconds = 0;
    double m_maxBid = 0;
    qint16 m_quantity = 0;
};
