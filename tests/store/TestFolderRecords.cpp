#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "store/AuctionDatabase.h"
#include "store/Folders.h"
#include "store/Globals.h"
#include "store/Shortcuts.h"

#include <QtTest>

using shortcut_store::Target;
using Kind = shortcut_store::Target::Kind;

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(QList<qint32>)

namespace {
constexpr qint32 kAnn = 1;
constexpr qint32 kBob = 2;

QList<qint32> keys(const QString &sql, const QVariantList &params = {})
{
    QList<qint32> out;
    auto rs = gDB->openQuery(sql, params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->value(rs->fieldNames().first()).toInt();
    return out;
}

QList<qint32> folderKeys()
{
    return keys(QStringLiteral("SELECT FLD_Primary FROM Folders ORDER BY FLD_Primary"));
}

QList<qint32> auctionKeys()
{
    return keys(QStringLiteral("SELECT AUC_Primary FROM Auctions ORDER BY AUC_Primary"));
}

QStringList shortcutTexts(qint32 user)
{
    QStringList out;
    auto rs = gDB->openQuery(QStringLiteral("SELECT SHT_Text FROM Shortcuts WHERE SHT_User = ? ORDER BY SHT_Primary"),
                             {user});
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->value(QStringLiteral("SHT_Text")).toString();
    return out;
}

void addShortcutRow(qint32 user, qint32 folder, qint32 auction, const QString &text)
{
    gDB->execute(QStringLiteral("INSERT INTO Shortcuts (SHT_User, SHT_Folder, SHT_Auction, SHT_Text) "
                                "VALUES (?, ?, ?, ?)"),
                 {user, folder, auction, text});
}
} // namespace

class TestFolderRecords : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(OpenAuctionDatabase());
        // Ann's tree: Open (1) > A (3) > A1 (4) > A1a (5), Open > B (6), Open > b (11), Closed (2),
        // and a damaged pair whose parents loop, L1 (9) and L2 (10). Bob's: Bob (7) > Bob sub (8).
        const struct
        {
            qint32 key, user, parent;
            const char *name;
        } folders[] = {{1, kAnn, 0, "Open Auctions"},
                       {2, kAnn, 0, "Closed Auctions"},
                       {3, kAnn, 1, "A"},
                       {4, kAnn, 3, "A1"},
                       {5, kAnn, 4, "A1a"},
                       {6, kAnn, 1, "B"},
                       {7, kBob, 0, "Bob"},
                       {8, kBob, 7, "Bob sub"},
                       {9, kAnn, 10, "L1"},
                       {10, kAnn, 9, "L2"},
                       {11, kAnn, 1, "b"}};
        for (const auto &f : folders)
            gDB->execute(QStringLiteral("INSERT INTO Folders (FLD_Primary, FLD_User, FLD_Parent, FLD_Name) "
                                        "VALUES (?, ?, ?, ?)"),
                         {f.key, f.user, f.parent, QLatin1String(f.name)});
        // Ann's auctions 10 (in A), 11 (A1a), 12 (B), 13 (a folder that is gone), 14 (Bob's
        // folder); Bob's 20 (Bob).
        const struct
        {
            qint32 key, user, folder;
        } auctions[] = {{10, kAnn, 3}, {11, kAnn, 5}, {12, kAnn, 6}, {13, kAnn, 99}, {14, kAnn, 7}, {20, kBob, 7}};
        for (const auto &a : auctions)
            gDB->execute(QStringLiteral("INSERT INTO Auctions (AUC_Primary, AUC_User, AUC_Folder, AUC_ItemNumber) "
                                        "VALUES (?, ?, ?, ?)"),
                         {a.key, a.user, a.folder, QStringLiteral("x%1").arg(a.key)});
    }
    void cleanup() { m_folder.reset(); }

    // One rule for a shortcut that still points somewhere: the click asks it of one target,
    // the pruning of every row; neither sees past the user's own rows.
    void shortcutRule_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint32>("key");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<qint32>("folder");
        QTest::newRow("own folder") << Kind::Folder << 3 << true << 3;
        QTest::newRow("own top-level folder") << Kind::Folder << 1 << true << 1;
        QTest::newRow("another user's folder") << Kind::Folder << 7 << false << 7;
        QTest::newRow("a folder no longer there") << Kind::Folder << 42 << false << 42;
        QTest::newRow("own auction") << Kind::Auction << 11 << true << 5;
        QTest::newRow("another user's auction") << Kind::Auction << 20 << false << -1;
        QTest::newRow("own auction in a folder that is gone") << Kind::Auction << 13 << false << 99;
        QTest::newRow("own auction in another user's folder") << Kind::Auction << 14 << false << 7;
        QTest::newRow("an auction no longer there") << Kind::Auction << 77 << false << -1;
    }
    void shortcutRule()
    {
        QFETCH(Kind, kind);
        QFETCH(qint32, key);
        QFETCH(bool, exists);
        QFETCH(qint32, folder);
        qint32 folderKey = -1;
        QCOMPARE(shortcut_store::targetExists(*gDB, kAnn, {kind, key}, &folderKey), exists);
        QCOMPARE(folderKey, folder);

        addShortcutRow(kAnn, 0, 0, QStringLiteral("points at nothing"));
        addShortcutRow(kAnn, kind == Kind::Folder ? key : 0, kind == Kind::Auction ? key : 0, QStringLiteral("case"));
        addShortcutRow(kBob, 42, 0, QStringLiteral("Bob's dead one"));
        QCOMPARE(shortcut_store::pruneShortcuts(*gDB, kAnn), exists ? 0 : 1);
        const QStringList kept = exists ? QStringList{"points at nothing", "case"} : QStringList{"points at nothing"};
        QCOMPARE(shortcutTexts(kAnn), kept);
        QCOMPARE(shortcutTexts(kBob), QStringList{"Bob's dead one"});
    }

    void deleteFolderTree_data()
    {
        QTest::addColumn<qint32>("folder");
        QTest::addColumn<QString>("failingFolder"); // a folder whose row refuses to go
        QTest::addColumn<QList<qint32>>("folders");
        QTest::addColumn<QList<qint32>>("auctions");
        QTest::addColumn<QStringList>("shortcutsLeft");
        const QStringList all{"Open", "A1", "x11", "B"};
        QTest::newRow("a branch") << 3 << QString() << QList<qint32>{3, 4, 5} << QList<qint32>{10, 11}
                                  << QStringList{"Open", "B"};
        QTest::newRow("a leaf") << 6 << QString() << QList<qint32>{6} << QList<qint32>{12}
                                << QStringList{"Open", "A1", "x11"};
        QTest::newRow("parents that loop") << 9 << QString() << QList<qint32>{9, 10} << QList<qint32>{} << all;
        QTest::newRow("another user's folder") << 7 << QString() << QList<qint32>{} << QList<qint32>{} << all;
        QTest::newRow("a write fails midway")
            << 3 << QStringLiteral("A1a") << QList<qint32>{} << QList<qint32>{} << all;
    }
    void deleteFolderTree()
    {
        QFETCH(qint32, folder);
        QFETCH(QString, failingFolder);
        QFETCH(QList<qint32>, folders);
        QFETCH(QList<qint32>, auctions);
        QFETCH(QStringList, shortcutsLeft);
        addShortcutRow(kAnn, 1, 0, QStringLiteral("Open"));
        addShortcutRow(kAnn, 4, 0, QStringLiteral("A1"));
        addShortcutRow(kAnn, 0, 11, QStringLiteral("x11"));
        addShortcutRow(kAnn, 6, 0, QStringLiteral("B"));
        if (!failingFolder.isEmpty())
            gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Folders WHEN OLD.FLD_Name = '%1' "
                                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                             .arg(failingFolder));
        QList<qint32> foldersLeft = folderKeys();
        QList<qint32> auctionsLeft = auctionKeys();
        for (qint32 key : folders)
            foldersLeft.removeAll(key);
        for (qint32 key : auctions)
            auctionsLeft.removeAll(key);

        if (failingFolder.isEmpty()) {
            const folder_store::TreeDeletion gone = folder_store::deleteFolderTree(*gDB, kAnn, folder);
            QCOMPARE(gone.folders, folders);
            QCOMPARE(gone.auctions, auctions);
            QStringList numbers;
            for (qint32 key : auctions)
                numbers << QStringLiteral("x%1").arg(key);
            QCOMPARE(gone.itemNumbers, numbers);
        } else {
            QVERIFY_THROWS_EXCEPTION(DbError, folder_store::deleteFolderTree(*gDB, kAnn, folder));
        }
        QCOMPARE(gDB->transactionDepth(), 0);
        QCOMPARE(folderKeys(), foldersLeft);
        QCOMPARE(auctionKeys(), auctionsLeft);
        QCOMPARE(shortcutTexts(kAnn), shortcutsLeft);
    }

    void folderRoot_data()
    {
        QTest::addColumn<qint32>("folder");
        QTest::addColumn<qint32>("root");
        QTest::newRow("deep in a branch") << 5 << 1;
        QTest::newRow("a top-level folder") << 2 << 2;
        QTest::newRow("another user's folder") << 8 << -1;
        QTest::newRow("a folder no longer there") << 42 << -1;
        QTest::newRow("parents that loop end the walk") << 9 << 9;
    }
    void folderRoot()
    {
        QFETCH(qint32, folder);
        QFETCH(qint32, root);
        QCOMPARE(folder_store::folderRoot(*gDB, kAnn, folder), root);
    }

    // Renaming and moving touch only the user's own folder.
    void folderWrites_data()
    {
        QTest::addColumn<qint32>("folder");
        QTest::addColumn<bool>("written");
        QTest::newRow("own folder") << 4 << true;
        QTest::newRow("another user's folder") << 8 << false;
        QTest::newRow("a folder no longer there") << 42 << false;
    }
    void folderWrites()
    {
        QFETCH(qint32, folder);
        QFETCH(bool, written);
        QCOMPARE(folder_store::renameFolder(*gDB, kAnn, folder, QStringLiteral("Renamed")), written);
        QCOMPARE(folder_store::moveFolder(*gDB, kAnn, folder, 6), written);
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Folders WHERE FLD_Name = 'Renamed' AND "
                                                "FLD_Parent = 6"));
        QCOMPARE(rs->value(QStringLiteral("n")).toInt(), written ? 1 : 0);
    }

    void childrenByNameThenKey()
    {
        QStringList names;
        for (const folder_store::Folder &f : folder_store::children(*gDB, kAnn, 1))
            names << f.name;
        QCOMPARE(names, (QStringList{"A", "B", "b"}));
        const qint32 added = folder_store::addFolder(*gDB, kAnn, 1, QStringLiteral("a"));
        QCOMPARE(folder_store::children(*gDB, kAnn, 1).at(1).key, added);
        QVERIFY(folder_store::children(*gDB, kBob, 1).isEmpty());
    }

    // The bar's rows are replaced whole or not at all, and read back in the bar's order.
    void shortcutsReplacedAndLoaded()
    {
        addShortcutRow(kAnn, 1, 0, QStringLiteral("Open"));
        addShortcutRow(kBob, 7, 0, QStringLiteral("Bob"));
        const QVector<shortcut_store::Shortcut> bar{{{Kind::Folder, 6}, QStringLiteral("old name of B")},
                                                    {{Kind::Auction, 11}, QStringLiteral("the x11 title")},
                                                    {{Kind::Folder, 42}, QStringLiteral("Gone")}};
        shortcut_store::replaceShortcuts(*gDB, kAnn, bar);
        addShortcutRow(kAnn, 0, 0, QStringLiteral("points at nothing"));
        QStringList texts;
        QList<Target> targets;
        for (const shortcut_store::Shortcut &s : shortcut_store::loadShortcuts(*gDB, kAnn)) {
            texts << s.text;
            targets << s.target;
        }
        // A folder shows its present name, one gone since the text it had.
        QCOMPARE(texts, (QStringList{"B", "the x11 title", "Gone"}));
        QCOMPARE(targets, (QList<Target>{{Kind::Folder, 6}, {Kind::Auction, 11}, {Kind::Folder, 42}}));

        gDB->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Shortcuts WHEN NEW.SHT_Text = 'boom' "
                                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        const QStringList before = shortcutTexts(kAnn);
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 shortcut_store::replaceShortcuts(*gDB, kAnn,
                                                                  {{{Kind::Folder, 1}, QStringLiteral("Open")},
                                                                   {{Kind::Folder, 3}, QStringLiteral("boom")}}));
        QCOMPARE(shortcutTexts(kAnn), before);
        QCOMPARE(shortcutTexts(kBob), QStringList{"Bob"});
    }
};

QTEST_GUILESS_MAIN(TestFolderRecords)
#include "TestFolderRecords.moc"
