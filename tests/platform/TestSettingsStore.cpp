#include "platform/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void keysIgnoreCaseAndKeepOneSpelling()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        {
            SettingsStore s(path);
            s.set(QStringLiteral("appsettings"), QStringLiteral("DiscAfterSnipe"), QStringLiteral("1"));
            QCOMPARE(s.get(QStringLiteral("appsettings"), QStringLiteral("discaftersnipe")), QStringLiteral("1"));
            s.set(QStringLiteral("appsettings"), QStringLiteral("DISCAFTERSNIPE"), QStringLiteral("0"));
            QCOMPARE(s.get(QStringLiteral("appsettings"), QStringLiteral("DiscAfterSnipe")), QStringLiteral("0"));
            QCOMPARE(s.get(QStringLiteral("appsettings"), QStringLiteral("missing"), QStringLiteral("dflt")),
                     QStringLiteral("dflt"));
        }
        SettingsStore again(path); // survives a reopen
        QCOMPARE(again.get(QStringLiteral("appsettings"), QStringLiteral("discAfterSnipe")), QStringLiteral("0"));
    }

    void namesWithSeparatorsStayFlat_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::newRow("slash") << "user Ann"
                               << "colCountry/Region";
        QTest::newRow("hash and blank") << "user Ann"
                                        << "col# of Bids";
        QTest::newRow("backslash") << "user A\\B"
                                   << "colItem #";
        QTest::newRow("percent and apostrophe") << "user O'Neil 100%"
                                                << "col%2F";
        QTest::newRow("equals") << "appsettings"
                                << "a=b";
    }
    void namesWithSeparatorsStayFlat()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        {
            SettingsStore s(path);
            s.set(section, key, QStringLiteral("5"));
            s.set(section, QStringLiteral("col"), QStringLiteral("other"));
        }
        SettingsStore s(path);
        QCOMPARE(s.get(section, key), QStringLiteral("5"));
        QCOMPARE(s.get(section, QStringLiteral("col")), QStringLiteral("other"));
        QVERIFY(s.hasSection(section));
    }

    void deleteSectionRemovesOnlyIt()
    {
        QTemporaryDir dir;
        SettingsStore s(dir.filePath(QStringLiteral("s.ini")));
        s.set(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays"), QStringLiteral("10"));
        s.set(QStringLiteral("user Bob"), QStringLiteral("DeleteAuctionDays"), QStringLiteral("20"));
        s.deleteSection(QStringLiteral("user Ann"));
        QVERIFY(!s.hasSection(QStringLiteral("user Ann")));
        QCOMPARE(s.get(QStringLiteral("user Ann"), QStringLiteral("DeleteAuctionDays"), QStringLiteral("30")),
                 QStringLiteral("30"));
        QCOMPARE(s.get(QStringLiteral("user Bob"), QStringLiteral("DeleteAuctionDays")), QStringLiteral("20"));
    }

    // Even root cannot write under a plain file: the failed write is reported and not taken
    // for a stored value.
    void syncReportsWhatReachedTheFile()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore bad(blocker.fileName() + QStringLiteral("/s.ini"));
        bad.set(QStringLiteral("appsettings"), QStringLiteral("duser"), QStringLiteral("x"));
        QVERIFY(!bad.sync());
        QCOMPARE(bad.get(QStringLiteral("appsettings"), QStringLiteral("duser")), QString());

        SettingsStore good(dir.filePath(QStringLiteral("s.ini")));
        good.set(QStringLiteral("appsettings"), QStringLiteral("duser"), QStringLiteral("x"));
        QVERIFY(good.sync());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("s.ini"))));
    }

    void redirectedInstanceUsesTheGivenFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("redirected.ini"));
        SettingsStore::redirect(path);
        QCOMPARE(SettingsStore::instance().fileName(), path);
        QVERIFY(SettingsStore::defaultPath().endsWith(QStringLiteral("Zandrift 2.0.ini")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
