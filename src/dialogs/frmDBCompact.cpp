#include "dialogs/frmDBCompact.h"
#include "ui_frmDBCompact.h"

#include "dialogs/DialogArt.h"
#include "dialogs/DialogGuard.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "platform/InetTransfer.h"
#include "platform/MsgBox.h"
#include "store/AuctionDatabase.h"
#include "store/CompactAuctionDatabase.h"

#include <QApplication>
#include <QLocale>

namespace {

// "#,###": thousands separated, and no digits at all for 0.
QString sizeText(qint64 bytes)
{
    return bytes == 0 ? QString() : QLocale(QLocale::English, QLocale::UnitedStates).toString(bytes);
}

} // namespace

frmDBCompact::frmDBCompact(QWidget *owner, AuctionEngine *engine)
    : QDialog(owner), ui(std::make_unique<Ui::frmDBCompact>()), m_engine(engine)
{
    initDialogArt();
    ui->setupUi(this);
    connect(ui->cmdCompact, &QPushButton::clicked, this, &frmDBCompact::cmdCompact_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmDBCompact::cmdCancel_Click);
}

frmDBCompact::~frmDBCompact() = default;

bool frmDBCompact::engineBusy(AuctionEngine &engine)
{
    return engine.queue().Count() > 0 || !engine.queue().InetAvailable || engine.Inet1().StillExecuting();
}

void frmDBCompact::cmdCancel_Click()
{
    reject();
}

void frmDBCompact::cmdCompact_Click()
{
    runGuarded("cmdCompact_Click", ErrorReport::Message, [this] { compact(); });
}

void frmDBCompact::compact()
{
    if (m_engine && engineBusy(*m_engine)) {
        MsgBox::show(QStringLiteral("Zandrift cannot compact the database while requests to eBay are waiting or "
                                    "under way.  Please try again once the queue is empty."),
                     QStringLiteral("Compact Zandrift's Database"), MsgBox::Icon::Information);
        return;
    }
    QString error;
    CompactionSizes sizes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = CompactAuctionDatabase(&error, &sizes, beforeSwap);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        // The original is open again (the error says so when even that failed).
        MsgBox::show(QStringLiteral("The compact database function failed, Error Returned Was: ") + error +
                         QStringLiteral("  Zandrift will restore the database to it's original form."),
                     QStringLiteral("Compact Operation Failure"), MsgBox::Icon::Information);
        return;
    }
    const QString crlf = QStringLiteral("\r\n");
    MsgBox::show(QStringLiteral("Zandrift successfully compacted the database.") + crlf +
                     QStringLiteral("File Size Before Compacting - ") + sizeText(sizes.before) +
                     QStringLiteral(" Bytes") + crlf + QStringLiteral("File Size After Compacting - ") +
                     sizeText(sizes.after) + QStringLiteral(" Bytes"),
                 QStringLiteral("Operation Complete"));
    accept();
}
