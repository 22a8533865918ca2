#include "GridFixture.h"

#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform_gui/Pictures.h"
#include "store/AppSettings.h"
#include "store/Globals.h"

GridFixture::GridFixture()
{
    if (!folder.isValid() || !folder.openStore())
        return;
    gDB->execute(
        QStringLiteral("INSERT INTO Users (U_ZandroName, U_EbayName, U_EbayPassword, U_EbayEmail, "
                       "U_BidSeconds, U_AutoRefreshMins, U_AutoLogOn) VALUES (?, ?, ?, ?, 5, 0, 1)"),
        {QStringLiteral("Ann"), QStringLiteral("annbids"), QStringLiteral("pw"), QStringLiteral("ann@example.com")});
    auto key = gDB->openQuery(QStringLiteral("SELECT max(U_Primary) AS k FROM Users"));
    userKey = static_cast<qint32>(key->value(QStringLiteral("k")).toLongLong());
    for (const char *name : {"Open Auctions", "Closed Auctions"}) {
        gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_User, FLD_Parent, FLD_Name) VALUES (?, 0, ?)"),
                     {userKey, QLatin1String(name)});
        auto k = gDB->openQuery(QStringLiteral("SELECT max(FLD_Primary) AS k FROM Folders"));
        (name[0] == 'O' ? openFolder : closedFolder) = static_cast<qint32>(k->value(QStringLiteral("k")).toLongLong());
    }
    registerProgramPictures();
    m_ok = true;
    reset();
}

void GridFixture::reset()
{
    pane.reset();
    if (!gDB)
        return;
    gDB->execute(QStringLiteral("DELETE FROM Auctions"));
    m_items = 0;
    gUsers->Init(*gDB);
    CurrentUser::instance().signIn(gUsers->GetUserByPrimary(userKey));
    m_ok = m_ok && gCurrentUser != nullptr;
    gSettings->TimeOffset = 3;
    Clock::freeze(localNow());
    dialogsHolder = std::make_unique<FakeDialogs>();
    pane = std::make_unique<AuctionGridPane>(*dialogsHolder);
    pane->resize(900, 400);
    pane->ConfigureAuctionGridColumns();
}

GridFixture::~GridFixture()
{
    pane.reset();
    Clock::unfreeze();
}

QDateTime GridFixture::localNow()
{
    return QDateTime(QDate(2026, 3, 10), QTime(12, 0, 0));
}

void GridFixture::showAllColumns()
{
    AucColumns &c = gCurrentUser->Columns;
    for (int i = 0; i < AucColumns::kCount; ++i)
        *c.column(i).position = static_cast<qint16>(i);
    pane->ConfigureAuctionGridColumns();
}

qint32 GridFixture::addAuction(const QVariantMap &fields)
{
    ++m_items;
    QVariantMap row{
        {QStringLiteral("AUC_User"), userKey},
        {QStringLiteral("AUC_Folder"), openFolder},
        {QStringLiteral("AUC_ItemNumber"), QString::number(4001000000LL + m_items)},
        {QStringLiteral("AUC_Title"), QStringLiteral("Lot %1").arg(m_items)},
        {QStringLiteral("AUC_Status"), 1},
        {QStringLiteral("AUC_Refreshed"), 1},
        {QStringLiteral("AUC_CurrentBid"), 5.0},
        {QStringLiteral("AUC_MaxBid"), 0.0},
        {QStringLiteral("AUC_BidQuantity"), 0},
        {QStringLiteral("AUC_NumberOfBids"), 0},
        {QStringLiteral("AUC_Quantity"), 1},
        {QStringLiteral("AUC_TimeLeft"), QStringLiteral("3 days 0 hours")},
        {QStringLiteral("AUC_Ended"), siteNow().addDays(3)},
    };
    for (auto it = fields.begin(); it != fields.end(); ++it)
        row.insert(it.key(), it.value());
    QStringList names, marks;
    QVariantList values;
    for (auto it = row.begin(); it != row.end(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
        values << it.value();
    }
    gDB->execute(QStringLiteral("INSERT INTO Auctions (%1) VALUES (%2)")
                     .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                 values);
    auto rs = gDB->openQuery(QStringLiteral("SELECT max(AUC_Primary) AS k FROM Auctions"));
    return static_cast<qint32>(rs->value(QStringLiteral("k")).toLongLong());
}

QVariant GridFixture::column(qint32 auctionKey, const QString &column) const
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"), {auctionKey});
    return rs->recordCount() == 0 ? QVariant() : rs->value(column);
}

qint32 GridFixture::gridColumn(const QString &captionStart) const
{
    TreeGrid &g = pane->auctionGrid();
    for (qint32 c = 0; c < g.columnCount(); ++c) {
        if (g.columnCaption(c).startsWith(captionStart))
            return c;
    }
    return -1;
}

QStringList GridFixture::titles() const
{
    QStringList out;
    TreeGrid &g = pane->auctionGrid();
    for (qint32 r = 0; r < g.rowCount(); ++r)
        out << g.cellText(r, 0);
    return out;
}
