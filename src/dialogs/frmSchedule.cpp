#include "dialogs/frmSchedule.h"
#include "ui_frmSchedule.h"

#include "dialogs/DialogArt.h"
#include "dialogs/DialogGuard.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "platform/MsgBox.h"
#include "platform/Values.h"
#include "store/AuctionRecords.h"
#include "store/AuctionStatus.h"
#include "store/Globals.h"
#include "store/StoreValues.h"

#include <QTimer>
#include <cmath>

namespace {

// Beyond this no amount is a bid (and its cents stay exact as a double).
constexpr double kLargestBid = 1e13;

QString plainNumber(double amount)
{
    return QString::number(amount, 'f', QLocale::FloatingPointShortest);
}

bool warn(const QString &prompt, const QString &title)
{
    MsgBox::show(prompt, title, MsgBox::Icon::Exclamation);
    return false;
}

} // namespace

frmSchedule::frmSchedule(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::frmSchedule>())
{
    initDialogArt();
    ui->setupUi(this);
    // Until the user saves or unschedules, leaving counts as Cancel, whatever the last opening left.
    ScheduleCancelled = true;
    SnipeUnscheduled = false;

    for (QLineEdit *box : {ui->txtMaxBid, ui->txtQuantity, ui->txtBidSecs})
        box->installEventFilter(this);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmSchedule::cmdOK_Click);
    connect(ui->cmdUnschedule, &QPushButton::clicked, this, &frmSchedule::cmdUnschedule_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmSchedule::cmdCancel_Click);

    runGuarded("Form_Load", ErrorReport::Message, [this] { load(); });
}

frmSchedule::~frmSchedule() = default;

void frmSchedule::load()
{
    const std::optional<auction_store::SnipeTerms> terms =
        auction_store::loadSnipeTerms(dialogDatabase(), ScheduleAuctionKey);
    if (!terms) {
        warn(QStringLiteral("This auction is no longer in the database (it may have been deleted), so its snipe "
                            "cannot be changed."),
             QStringLiteral("Auction Not Found"));
        return;
    }
    ui->lblAuction->setText(terms->title);
    m_minBidCents = Values::toCents(terms->minBid).value_or(0);
    ui->lblMinBid->setText(QStringLiteral("Minimum Bid: ") + Values::formatMoney(terms->minBid));
    // The maximum as it is bid: in whole cents.
    ui->txtMaxBid->setText(plainNumber(static_cast<double>(Values::toCents(terms->maxBid).value_or(0)) / 100.0));
    m_loadedStatus = terms->status;
    ui->cmdUnschedule->setEnabled(m_loadedStatus == AuctionStatus::Scheduled);
    mintQuantityAvailable = static_cast<qint16>(terms->quantity);
    ui->lblQuantityAvailable->setText(QStringLiteral("Quantity Available: ") + QString::number(mintQuantityAvailable));
    ui->txtBidSecs->setText(QString::number(terms->bidSeconds));
    ui->txtQuantity->setText(terms->bidQuantity > 0 ? QString::number(terms->bidQuantity) : QStringLiteral("1"));
    ui->lblAuctionEnds->setText(QStringLiteral("Auction Ends: ") + Values::formatGeneralDate(terms->ended) +
                                QStringLiteral(" (eBay Time)"));
    m_loaded = true;
}

int frmSchedule::exec()
{
    if (!m_loaded)
        return QDialog::Rejected;
    return QDialog::exec();
}

bool frmSchedule::ValidateSnipe()
{
    const QString secondsText = ui->txtBidSecs->text();
    const QString maxBidText = ui->txtMaxBid->text();
    const QString quantityText = ui->txtQuantity->text();
    const QString badSeconds = secondsText + QStringLiteral(" is not a valid number of seconds.");
    const QString badMaxBid = QStringLiteral("Maxbid: ") + maxBidText + QStringLiteral(" is not a valid number.");
    const QString badQuantity = QStringLiteral("Quantity: ") + quantityText + QStringLiteral(" is not a valid number.");

    if (!Values::isTypedNumber(secondsText))
        return warn(badSeconds, QStringLiteral("Invalid Number of Seconds"));
    if (!Values::isTypedNumber(maxBidText))
        return warn(badMaxBid, QStringLiteral("Invalid Bid Amount"));
    if (!Values::isTypedNumber(quantityText))
        return warn(badQuantity, QStringLiteral("Invalid Quantity"));

    const auto seconds = toInt32(secondsText);
    if (!seconds)
        return warn(badSeconds, QStringLiteral("Invalid Number of Seconds"));
    if (*seconds < 1)
        return warn(QStringLiteral("Seconds must be a positive number."), QStringLiteral("Invalid Number of Seconds."));

    const double typedMaxBid = Values::toTypedNumber(maxBidText);
    if (!std::isfinite(typedMaxBid) || std::fabs(typedMaxBid) > kLargestBid)
        return warn(badMaxBid, QStringLiteral("Invalid Bid Amount"));
    // Compared, stored, shown and bid as the same whole cents.
    const qint64 maxBidCents = *Values::toCents(typedMaxBid);
    if (maxBidCents < m_minBidCents)
        return warn(QStringLiteral("Your maximum bid is lower than the selected auction's minimum bid.  Please choose "
                                   "a higher Maximum Bid."),
                    QStringLiteral("Invalid Maximum Bid"));

    const auto quantity = toInt16(quantityText);
    if (!quantity)
        return warn(badQuantity, QStringLiteral("Invalid Quantity"));
    if (*quantity < 1)
        return warn(QStringLiteral("Quantity must be a positive number."), QStringLiteral("Invalid Quantity Amount"));
    if (*quantity > mintQuantityAvailable)
        return warn(QStringLiteral("The quantity that you have selected exceeds the available quantity for this "
                                   "item.  Please adjust the quantity."),
                    QStringLiteral("Invalid Quantity Amount"));

    if (*seconds < 5) {
        const MsgBox::Answer a = MsgBox::show(
            QStringLiteral("You are cutting it very close with (") + QString::number(*seconds) +
                QStringLiteral(" seconds) to the end of the auction.  Its is recomended that you give Zandrift "
                               "atleast 5 seconds to submit a bid so that the auction server has enough time to "
                               "accept and log your bid.  If you are confident that the bid will be accepted, click "
                               "YES. Otherwise click NO to edit this bid."),
            QStringLiteral("Confirm this Bid?"), MsgBox::Icon::Exclamation, MsgBox::Buttons::YesNo);
        if (a == MsgBox::Answer::No)
            return false;
    }
    m_seconds = *seconds;
    m_maxBid = static_cast<double>(maxBidCents) / 100.0;
    m_quantity = *quantity;
    return true;
}

bool frmSchedule::written(auction_store::SnipeWrite result)
{
    switch (result) {
    case auction_store::SnipeWrite::Written:
        return true;
    case auction_store::SnipeWrite::Missing:
        warn(QStringLiteral("This auction is no longer in the database (it may have been deleted), so its snipe "
                            "cannot be changed."),
             QStringLiteral("Auction Not Found"));
        break;
    case auction_store::SnipeWrite::StatusChanged:
        warn(QStringLiteral("While the scheduler was open, this auction's status changed (a bid was placed or the "
                            "auction ended), so your changes were not saved."),
             QStringLiteral("Auction Changed"));
        break;
    }
    return false;
}

bool frmSchedule::SaveSnipe()
{
    if (!ValidateSnipe())
        return false;
    if (!written(auction_store::scheduleSnipe(dialogDatabase(), ScheduleAuctionKey, m_loadedStatus, m_maxBid, m_seconds,
                                              m_quantity))) {
        // Nothing was written and the dialog closes: the caller must not treat it as saved.
        ScheduleCancelled = true;
        done(QDialog::Rejected);
        return false;
    }
    return true;
}

void frmSchedule::cmdOK_Click()
{
    runGuarded("cmdOK_Click", ErrorReport::Message, [this] {
        ScheduleCancelled = false;
        if (SaveSnipe())
            accept();
    });
}

void frmSchedule::cmdUnschedule_Click()
{
    runGuarded("cmdUnschedule_Click", ErrorReport::Message, [this] {
        ScheduleCancelled = false;
        if (!written(auction_store::unscheduleSnipe(dialogDatabase(), ScheduleAuctionKey, m_loadedStatus))) {
            ScheduleCancelled = true;
            done(QDialog::Rejected);
            return;
        }
        SnipeUnscheduled = true;
        accept();
    });
}

void frmSchedule::cmdCancel_Click()
{
    const MsgBox::Answer a =
        MsgBox::show(QStringLiteral("Are you sure you want to Exit the Scheduler Without Saving changes?"),
                     QStringLiteral("Exit Without Saving?"), MsgBox::Icon::Question, MsgBox::Buttons::YesNo);
    if (a != MsgBox::Answer::Yes)
        return;
    ScheduleCancelled = true;
    QDialog::reject();
}

void frmSchedule::reject()
{
    cmdCancel_Click();
}

bool frmSchedule::eventFilter(QObject *watched, QEvent *event)
{
    // Each box selects its whole text on entry, also when entered by a click.
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}
