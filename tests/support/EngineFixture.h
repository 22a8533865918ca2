#pragma once

#include "FakeMainWindow.h"
#include "PracticeSite.h"
#include "TestProgramFolder.h"
#include "engine/AuctionEngine.h"

#include <QDateTime>
#include <QTimer>
#include <functional>
#include <memory>

// Everything an engine test needs: a program folder with its own database and settings, the
// practice site on an ephemeral loopback port (eburl.zdx points at it), one signed-in program
// user with the two fixed folders, system settings saved for a direct connection, the fake
// window and the engine.
class EngineFixture
{
public:
    static constexpr const char *kSiteUser = "snipetester";
    static constexpr const char *kSitePassword = "p&ss=w+rd %x";

    EngineFixture();
    ~EngineFixture();

    bool isValid() const { return m_ok; }

    TestProgramFolder folder;
    practice::PracticeSite site;
    std::unique_ptr<FakeMainWindow> window;
    std::unique_ptr<AuctionEngine> engine;
    qint32 userKey = 0;
    qint32 openFolder = -1;
    qint32 closedFolder = -1;

    // Writes eburl.zdx as the site's, with the key's address replaced (or the key left out when
    // the address is empty), and has the program read it again; false when it cannot be written.
    bool setUrlFile(const QByteArray &key = QByteArray(), const QByteArray &address = QByteArray());

    // A running auction on the site, ending on the whole second secondsFromNow from the site's now.
    practice::Auction siteAuction(const QString &item, qint64 secondsFromNow, double price = 10.0);
    // An instant as the site's pages show it (its wall clock), the form AUC_Ended keeps.
    static QDateTime siteWall(const QDateTime &instant);

    // Adds a row as an import would have, in the open folder; returns its key.
    qint32 addAuctionRow(const QString &item, int status = 1, const QDateTime &endedSiteTime = QDateTime(),
                         double maxBid = 0, int bidQuantity = 0, int bidSecs = 5);

    // Runs the event loop (with the engine's timers on) until done() holds or the time is up.
    bool runUntil(const std::function<bool()> &done, int timeoutMs = 20000);
    // Runs until the queue is empty and nothing is in flight.
    bool runUntilIdle(int timeoutMs = 20000);

    // Rows of the general log (auction 0) and of an auction's log, oldest first.
    QStringList generalLog() const;
    QStringList auctionLog(qint32 auctionKey) const;
    QVariant column(qint32 auctionKey, const QString &column) const;

private:
    bool m_ok = false;
};

// Moves a frozen clock on by a second every millisecond while the event loop runs, so that a
// wait of the engine's (after dialling) passes at once.
class ClockRunner
{
public:
    ClockRunner();

private:
    QTimer m_timer;
};
