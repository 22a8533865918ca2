#include "EngineFixture.h"
#include "Globals.h"
#include "Database.h"
#include <QtTest>

class TestSmoke : public QObject
{
    Q_OBJECT
private slots:
    void importOne()
    {
        EngineFixture f;
        QVERIFY(f.isValid());
        f.site.addAuction(f.siteAuction(QStringLiteral("3001000001"), 3600));
        f.engine->cmdAuctionAddOK_Click(QStringLiteral(" 3001000001 "));
        QCOMPARE(f.engine->queue().Count(), 1);
        QVERIFY(f.runUntilIdle());
        qDebug() << f.generalLog();
        auto rs = gDB->openQuery(QStringLiteral("SELECT * FROM Auctions"));
        QCOMPARE(rs->recordCount(), 1);
        qDebug() << rs->value("AUC_Title") << rs->value("AUC_CurrentBid") << rs->value("AUC_Ended") << rs->value("AUC_TimeLeft");
        QCOMPARE(f.window->grid.rowCount(), 1);
    }
};
QTEST_MAIN(TestSmoke)
#include "TestSmoke.moc"
