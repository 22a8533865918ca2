#include "frmSchedule.h"
#include "ui_frmSchedule.h"

#include "AuctionEngine.h"
#include "AuctionStatus.h"
#include "Database.h"
#include "DialogArt.h"
#include "DialogGuard.h"
#include "EventGuard.h"
#include "Globals.h"
#include "MsgBox.h"
#include "StoreValues.h"
#include "Values.h"

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
    auto rs = dialogDatabase().openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"),
                                         {ScheduleAuctionKey});
    if (rs->recordCount() == 0) {
        warn(QStringLiteral("This auction is no longer in the database (it may have been deleted), so its snipe "
                            "cannot be changed."),
             QStringLiteral("Auction Not Found"));
        return;
    }
    rs->moveFirst();
    ui->lblAuction->setText(rs->value(QStringLiteral("AUC_Title")).toString());
    const double minBid = rs->value(QStringLiteral("AUC_MinBid")).toDouble();
    m_minBidCents = Values::toCents(minBid).value_or(0);
    ui->lblMinBid->setText(QStringLiteral("Minimum Bid: ") + Values::formatMoney(minBid));
    // The maximum as it is bid: in whole cents.
    const double maxBid = rs->value(QStringLiteral("AUC_MaxBid")).toDouble();
    ui->txtMaxBid->setText(plainNumber(static_cast<double>(Values::toCents(maxBid).value_or(0)) / 100.0));
    m_loadedStatus = static_cast<qint32>(rs->value(QStringLiteral("AUC_Status")).toLongLong());
    ui->cmdUnschedule->setEnabled(m_loadedStatus == AuctionStatus::Scheduled);
    mintQuantityAvailable = static_cast<qint16>(rs->value(QStringLiteral("AUC_Quantity")).toLongLong());
    ui->lblQuantityAvailable->setText(QStringLiteral("Quantity Available: ") + QString::number(mintQuantityAvailable));
    ui->txtBidSecs->setText(QString::number(rs->value(QStringLiteral("AUC_BidSecs")).toLongLong()));
    const qint64 bidQuantity = rs->value(QStringLiteral("AUC_BidQuantity")).toLongLong();
    ui->txtQuantity->setText(bidQuantity > 0 ? QString::number(bidQuantity) : QStringLiteral("1"));
    ui->lblAuctionEnds->setText(QStringLiteral("Auction Ends: ") +
                                Values::formatGeneralDate(rs->value(QStringLiteral("AUC_Ended")).toDateTime()) +
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

std::unique_ptr<Recordset> frmSchedule::rowToWrite()
{
    auto row = dialogDatabase().openTable(QStringLiteral("Auctions"));
    row->setIndex(QStringLiteral("PrimaryKey"));
    if (!row->seek(QStringLiteral("="), ScheduleAuctionKey)) {
        warn(QStringLiteral("This auction is no longer in the database (it may have been deleted), so its snipe "
                            "cannot be changed."),
             QStringLiteral("Auction Not Found"));
        return nullptr;
    }
    // A bid placed or an auction closed while the dialog was open is the engine's to record.
    const qint32 status = static_cast<qint32>(row->value(QStringLiteral("AUC_Status")).toLongLong());
    if (status != m_loadedStatus && status != AuctionStatus::NotScheduled && status != AuctionStatus::Scheduled) {
        warn(QStringLiteral("While the scheduler was open, this auction's status changed (a bid was placed or the "
                            "auction ended), so your changes were not saved."),
             QStringLiteral("Auction Changed"));
        return nullptr;
    }
    return row;
}

bool frmSchedule::SaveSnipe()
{
    if (!ValidateSnipe())
        return false;
    auto row = rowToWrite();
    if (!row) {
        // Nothing was written and the dialog closes: the caller must not treat it as saved.
        ScheduleCancelled = true;
        done(QDialog::Rejected);
        return false;
    }
    row->edit();
    row->setValue(QStringLiteral("AUC_MaxBid"), m_maxBid);
    row->setValue(QStringLiteral("AUC_BidSecs"), m_seconds);
    row->setValue(QStringLiteral("AUC_BidQuantity"), m_quantity);
    row->setValue(QStringLiteral("AUC_Status"), AuctionStatus::Scheduled);
    row->update();
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
        auto row = rowToWrite();
        if (!row) {
            ScheduleCancelled = true;
            done(QDialog::Rejected);
            return;
        }
        row->edit();
        row->setValue(QStringLiteral("AUC_Status"), AuctionStatus::NotScheduled);
        row->setValue(QStringLiteral("AUC_MaxBid"), 0);
        row->setValue(QStringLiteral("AUC_BidQuantity"), 0);
        row->update();
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
