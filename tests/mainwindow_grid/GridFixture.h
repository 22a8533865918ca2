#pragma once

#include "FakeDialogs.h"
#include "TestProgramFolder.h"
#include "mainwindow/AuctionGridPane.h"

#include <QDateTime>
#include <QVariantMap>
#include <memory>

// The auction grid pane over a program folder of its own: one signed-in program user (site
// name "annbids", e-mail "ann@example.com") with the two fixed folders, a time offset of 3
// hours and the program clock frozen at 12:00 local time (09:00 on the site). The folder is
// made once per test class; reset() gives each test an empty Auctions table and a new pane.
class GridFixture
{
public:
    GridFixture();
    ~GridFixture();

    void reset();

    bool isValid() const { return m_ok; }

    static QDateTime localNow();
    static QDateTime siteNow() { return localNow().addSecs(-3 * 3600); }

    // Shows all 17 columns, in the order of the column set's declaration.
    void showAllColumns();
    // Adds an auction to a folder (the open one by default); fields override the defaults,
    // a null QVariant writes Null. Returns its key.
    qint32 addAuction(const QVariantMap &fields = {});
    QVariant column(qint32 auctionKey, const QString &column) const;
    // The grid column whose caption starts with the text, -1 when none.
    qint32 gridColumn(const QString &captionStart) const;
    // Titles of the grid's rows, top to bottom.
    QStringList titles() const;

    TestProgramFolder folder;
    std::unique_ptr<FakeDialogs> dialogsHolder;
    FakeDialogs &dialogs() { return *dialogsHolder; }
    std::unique_ptr<AuctionGridPane> pane;
    qint32 userKey = 0;
    qint32 openFolder = -1;
    qint32 closedFolder = -1;

private:
    bool m_ok = false;
    int m_items = 0;
};
