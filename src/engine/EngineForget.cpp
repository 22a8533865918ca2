#include "engine/AuctionEngine.h"

#include "platform/Database.h"
#include "platform/InetTransfer.h"
#include "platform/Values.h"
#include "store/Globals.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QTimer>

void AuctionEngine::ForgetAuctions(const Forget &gone)
{
    const QSet<qint32> auctions(gone.auctions.begin(), gone.auctions.end());
    const QSet<qint32> folders(gone.folders.begin(), gone.folders.end());
    QSet<QString> numbers;
    for (const QString &n : gone.itemNumbers)
        numbers.insert(Values::trimBlanks(n));
    const auto goes = [&](const QItemPtr &i) {
        if (i->Bid)
            return auctions.contains(i->Bid->PrimaryKey) ||
                   (gone.wholeUser && i->Bid->User && i->Bid->User->PrimaryKey == gone.userKey);
        if (i->UserKey != gone.userKey)
            return false;
        return gone.wholeUser || numbers.contains(Values::trimBlanks(i->ItemNumber)) ||
               (i->Action == BNQItem::Import && folders.contains(i->Folder));
    };
    for (qint32 key : auctions)
        m_live.forget(key);
    const QList<QItemPtr> items = queue().items();
    for (const QItemPtr &i : items) {
        if (!goes(i))
            continue;
        if (i->Bid) {
            i->Bid->CancelBid = true;
            m_live.forget(i->Bid->PrimaryKey);
        }
        queue().Take(i);
    }
    // The one in flight: a snipe's step is cancelled before its next send (its reply is still
    // read); a page on its way for a deleted auction is dropped.
    const QItemPtr inFlight = mLastQueueItem;
    if (inFlight && goes(inFlight)) {
        if (inFlight->Bid) {
            inFlight->Bid->CancelBid = true;
            m_live.forget(inFlight->Bid->PrimaryKey);
        } else if (m_inet->StillExecuting()) {
            m_inet->Cancel();
            mLastQueueItem.reset();
            queue().InetAvailable = true;
        }
    }
}

QString AuctionEngine::heldWritesPath()
{
    if (!gDB)
        return QString();
    return QFileInfo(gDB->path()).absoluteDir().filePath(QStringLiteral("auction-held.json"));
}

bool AuctionEngine::closeDown(QString &report, int waitMs)
{
    report.clear();
    const QString path = heldWritesPath();
    // The database may be free again in a moment (a backup, another program's transaction).
    QElapsedTimer waited;
    waited.start();
    while (!m_records.flush() && waited.elapsed() < waitMs) {
        QEventLoop slice;
        QTimer::singleShot(100, &slice, &QEventLoop::quit);
        slice.exec();
    }
    if (m_records.held() == 0) {
        if (!path.isEmpty())
            m_records.saveHeld(path, {}); // nothing left: an old file goes
        return true;
    }
    const bool kept = !path.isEmpty() && m_records.saveHeld(path, m_live.sentAuctions());
    report = QStringLiteral("Zandrift could not write %1 log entries and status changes of its snipes to its database "
                            "before closing.  ")
                 .arg(m_records.held());
    if (kept)
        report += QStringLiteral("They are kept in %1 and will be written when Zandrift starts again; until then it "
                                 "will not bid again for an auction whose final bid was sent.")
                      .arg(QDir::toNativeSeparators(path));
    else
        report += QStringLiteral("They could not be kept either: check the auctions you sniped today on eBay, "
                                 "their rows may still read \"scheduled\".");
    return false;
}

void AuctionEngine::recoverHeldWrites()
{
    const QString path = heldWritesPath();
    if (path.isEmpty())
        return;
    QList<qint32> sent;
    QString error;
    if (!m_records.loadHeld(path, sent, &error)) {
        m_records.log(0, 0,
                      QStringLiteral("Zandrift could not read what an earlier run kept for its database (%1: %2).")
                          .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    for (qint32 key : sent)
        m_live.finalPostLeft(key);
    m_heldFileRead = true;
    if (m_records.flush())
        heldWritesDone();
}

void AuctionEngine::heldWritesDone()
{
    // Everything an earlier run kept is in the database now: its file goes.
    if (!m_heldFileRead)
        return;
    m_heldFileRead = false;
    const QString path = heldWritesPath();
    if (!path.isEmpty())
        m_records.saveHeld(path, {});
}
