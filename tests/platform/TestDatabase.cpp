#include "TestProgramFolder.h"
#include "platform/Database.h"
#include "platform/Recordset.h"
#include "platform/Transaction.h"

#include <QFile>
#include <QSqlQuery>
#include <QtTest>

class TestDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestProgramFolder> m_folder;
    std::unique_ptr<Database> m_db;

    qint64 addAuction(const QString &item, const QVariant &ended)
    {
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->addNew();
        rs->setValue(QStringLiteral("AUC_ItemNumber"), item);
        rs->setValue(QStringLiteral("AUC_Ended"), ended);
        rs->update();
        return rs->lastInsertedKey();
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TestProgramFolder>();
        QVERIFY(m_folder->isValid());
        QString error;
        m_db = Database::open(m_folder->databasePath(), &error);
        QVERIFY2(m_db, qPrintable(error));
    }
    void cleanup()
    {
        m_db.reset();
        m_folder.reset();
    }

    void openRefusesWhatIsNotADatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("garbage") << QByteArray("this is not a database, just some text") << true;
    }
    void openRefusesWhatIsNotADatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        const QString path = m_folder->file(QStringLiteral("other.mdb"));
        if (create) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QString error;
        QVERIFY(!Database::open(path, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(QFile::exists(path), create); // nothing created in place of a missing file
        if (create) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), content); // and nothing overwritten
        }
    }

    void valuesRoundTripByKind()
    {
        const QDateTime ended(QDate(2026, 12, 14), QTime(18, 4, 37));
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->addNew();
        rs->setValue(QStringLiteral("AUC_Title"), QStringLiteral("Ann's \"lamp\" ; DROP TABLE Auctions"));
        rs->setValue(QStringLiteral("AUC_CurrentBid"), QStringLiteral("$1,234.56")); // text into money
        rs->setValue(QStringLiteral("AUC_MinBid"), 0.1 + 0.2);
        rs->setValue(QStringLiteral("AUC_MaxBid"), QStringLiteral("$12.50")); // never 1250 on a German desktop
        rs->setValue(QStringLiteral("AUC_Quantity"), QStringLiteral("3"));
        rs->setValue(QStringLiteral("AUC_Ended"), ended);
        rs->setValue(QStringLiteral("AUC_Alert"), true);
        rs->setValue(QStringLiteral("AUC_Comments"), QVariant());
        rs->update();
        const qint64 key = rs->lastInsertedKey();
        QVERIFY(key > 0);

        auto q = m_db->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Primary = ?"), {key});
        QCOMPARE(q->recordCount(), 1);
        QCOMPARE(q->value(QStringLiteral("AUC_Title")).toString(),
                 QStringLiteral("Ann's \"lamp\" ; DROP TABLE Auctions"));
        QCOMPARE(q->value(QStringLiteral("AUC_CurrentBid")).toDouble(), 1234.56);
        QCOMPARE(q->value(QStringLiteral("AUC_MinBid")).toDouble(), 0.3);
        QCOMPARE(q->value(QStringLiteral("AUC_MaxBid")).toDouble(), 12.5);
        QCOMPARE(q->value(QStringLiteral("AUC_Quantity")).toLongLong(), 3);
        QCOMPARE(q->value(QStringLiteral("AUC_Ended")).toDateTime(), ended);
        QCOMPARE(q->value(QStringLiteral("AUC_Alert")).toBool(), true);
        QVERIFY(q->isNull(QStringLiteral("AUC_Comments")));
        QCOMPARE(q->value(QStringLiteral("AUC_Status")).toInt(), 1); // the column's default
    }

    void typeMismatchIsRefused_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("text into money") << "AUC_CurrentBid" << QVariant(QStringLiteral("twelve"));
        QTest::newRow("text into date") << "AUC_Ended" << QVariant(QStringLiteral("Dec-14-26 18:04:37 PST"));
        QTest::newRow("overflow of int") << "AUC_Status" << QVariant(40000);
        QTest::newRow("key column") << "AUC_Primary" << QVariant(5);
        QTest::newRow("no such column") << "AUC_Nothing" << QVariant(1);
    }
    void typeMismatchIsRefused()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->addNew();
        QVERIFY_THROWS_EXCEPTION(DbError, rs->setValue(column, value));
    }

    void seekOnPrimaryKeyAndEdit()
    {
        const qint64 a = addAuction(QStringLiteral("100"), QVariant());
        const qint64 b = addAuction(QStringLiteral("200"), QVariant());
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->setIndex(QStringLiteral("PrimaryKey"));
        QVERIFY(rs->seek(QStringLiteral("="), b));
        QVERIFY(!rs->noMatch());
        QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("200"));
        rs->edit();
        rs->setValue(QStringLiteral("AUC_ItemNumber"), QStringLiteral("201"));
        rs->update();
        QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("201"));

        QVERIFY(!rs->seek(QStringLiteral("="), b + 100));
        QVERIFY(rs->noMatch());
        QVERIFY(rs->eof());
        QVERIFY(rs->seek(QStringLiteral("="), a));
        QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("100"));
    }

    void walkInClosingOrder()
    {
        const QDate d(2026, 12, 10);
        addAuction(QStringLiteral("late"), QDateTime(d.addDays(3), QTime(9, 0)));
        addAuction(QStringLiteral("early"), QDateTime(d, QTime(23, 59, 59)));
        addAuction(QStringLiteral("middle"), QDateTime(d.addDays(1), QTime(0, 0, 1)));
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->setIndex(QStringLiteral("AUC_Ended"));
        QStringList order;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            order << rs->value(QStringLiteral("AUC_ItemNumber")).toString();
        QCOMPARE(order, QStringList({"early", "middle", "late"}));
        QCOMPARE(rs->recordCount(), 3);
    }

    void cursorMovesAroundChanges()
    {
        for (int i = 0; i < 6; ++i)
            addAuction(QString::number(i), QDateTime(QDate(2026, 12, 10), QTime(10, i)));
        auto rs = m_db->openTable(QStringLiteral("Auctions"));
        rs->setIndex(QStringLiteral("AUC_Ended"));
        // Deleting every other row while walking visits every row once.
        QStringList visited;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            const QString item = rs->value(QStringLiteral("AUC_ItemNumber")).toString();
            visited << item;
            if (item.toInt() % 2 == 0) {
                rs->deleteCurrent();
                QVERIFY_THROWS_EXCEPTION(DbError, rs->value(QStringLiteral("AUC_ItemNumber")));
            }
        }
        QCOMPARE(visited, QStringList({"0", "1", "2", "3", "4", "5"}));
        QCOMPARE(m_db->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount(), 3);

        // A row added ahead of the current one in the walk leaves the current row current.
        rs->moveFirst();
        rs->moveNext();
        QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("3"));
        rs->addNew();
        rs->setValue(QStringLiteral("AUC_ItemNumber"), QStringLiteral("early"));
        rs->setValue(QStringLiteral("AUC_Ended"), QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        rs->update();
        QCOMPARE(rs->value(QStringLiteral("AUC_ItemNumber")).toString(), QStringLiteral("3"));

        // An edit abandoned by a move writes nothing anywhere.
        rs->edit();
        rs->setValue(QStringLiteral("AUC_Title"), QStringLiteral("stray"));
        rs->moveNext();
        QVERIFY_THROWS_EXCEPTION(DbError, rs->update());
        QCOMPARE(m_db->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Title = 'stray'"))->recordCount(), 0);
    }

    void emptyTableCursor()
    {
        auto rs = m_db->openTable(QStringLiteral("Folders"));
        QCOMPARE(rs->recordCount(), 0);
        rs->moveFirst();
        QVERIFY(rs->eof());
        QVERIFY_THROWS_EXCEPTION(DbError, rs->value(QStringLiteral("FLD_Name")));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->edit());
    }

    void queryCursorEditsItsTable()
    {
        const qint64 key = addAuction(QStringLiteral("300"), QVariant());
        auto rs = m_db->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_ItemNumber = ?"),
                                  {QStringLiteral("300")}, QStringLiteral("Auctions"));
        QCOMPARE(rs->recordCount(), 1);
        rs->edit();
        rs->setValue(QStringLiteral("AUC_Comments"), QStringLiteral("it's fine"));
        rs->update();
        QCOMPARE(rs->value(QStringLiteral("AUC_Comments")).toString(), QStringLiteral("it's fine"));
        auto check = m_db->openQuery(QStringLiteral("SELECT AUC_Comments FROM Auctions WHERE AUC_Primary = ?"), {key});
        QCOMPARE(check->value(QStringLiteral("AUC_Comments")).toString(), QStringLiteral("it's fine"));

        auto readOnly = m_db->openQuery(QStringLiteral("SELECT * FROM Auctions"));
        QVERIFY_THROWS_EXCEPTION(DbError, readOnly->edit());
    }

    void executeBindsParameters()
    {
        addAuction(QStringLiteral("O'Brien"), QVariant());
        addAuction(QStringLiteral("other"), QVariant());
        QCOMPARE(
            m_db->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_ItemNumber = ?"), {QStringLiteral("O'Brien")}),
            1);
        auto rs = m_db->openQuery(QStringLiteral("SELECT * FROM Auctions"));
        QCOMPARE(rs->recordCount(), 1);
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->execute(QStringLiteral("DELETE FROM NoSuchTable")));
    }

    void addColumnWithDefault()
    {
        addAuction(QStringLiteral("1"), QVariant());
        Database::NewColumn col;
        col.name = QStringLiteral("AUC_Extra");
        col.kind = ColumnKind::Text;
        col.allowZeroLength = false;
        col.defaultValue = QStringLiteral("x");
        m_db->addColumn(QStringLiteral("Auctions"), col);
        QVERIFY(m_db->hasColumn(QStringLiteral("Auctions"), QStringLiteral("AUC_Extra")));
        auto rs = m_db->openQuery(QStringLiteral("SELECT AUC_Extra FROM Auctions"));
        QCOMPARE(rs->value(QStringLiteral("AUC_Extra")).toString(), QStringLiteral("x"));
        // Zero length not allowed: an empty text is refused.
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->execute(QStringLiteral("UPDATE Auctions SET AUC_Extra = ''")));
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->addColumn(QStringLiteral("Auctions"), col));
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->addColumn(QStringLiteral("Nowhere"), col));
        col.name = QStringLiteral("bad name; --");
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->addColumn(QStringLiteral("Auctions"), col));
    }

    int count(const QString &table)
    {
        return m_db->openQuery(QStringLiteral("SELECT * FROM %1").arg(table))->recordCount();
    }
    // What another connection sees: only committed rows.
    int committedAuctions()
    {
        auto other = Database::open(m_db->path());
        return other->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount();
    }

    void failureMidwayLeavesNoRow()
    {
        addAuction(QStringLiteral("before"), QVariant());
        try {
            Transaction tx(*m_db);
            addAuction(QStringLiteral("1"), QVariant());
            m_db->execute(QStringLiteral("UPDATE Auctions SET AUC_Title = ?"), {QStringLiteral("changed")});
            addAuction(QStringLiteral("2"), QStringLiteral("not a date")); // throws
            tx.commit();
            QFAIL("the bad date was stored");
        } catch (const DbError &) {
        }
        QCOMPARE(count(QStringLiteral("Auctions")), 1);
        QCOMPARE(
            m_db->openQuery(QStringLiteral("SELECT * FROM Auctions WHERE AUC_Title = ?"), {QStringLiteral("changed")})
                ->recordCount(),
            0);
        QCOMPARE(m_db->transactionDepth(), 0);

        {
            Transaction tx(*m_db);
            addAuction(QStringLiteral("3"), QVariant());
            QCOMPARE(committedAuctions(), 1); // not visible before the commit
            tx.commit();
            QVERIFY_THROWS_EXCEPTION(DbError, tx.commit());
        }
        QCOMPARE(committedAuctions(), 2);

        QVERIFY_THROWS_EXCEPTION(DbError, m_db->commit());
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->rollback());
    }

    void nestedTransactionsAreSavepoints()
    {
        {
            Transaction outer(*m_db);
            addAuction(QStringLiteral("kept"), QVariant());
            {
                Transaction inner(*m_db);
                addAuction(QStringLiteral("undone"), QVariant());
            } // rolled back alone
            {
                Transaction inner(*m_db);
                addAuction(QStringLiteral("inner committed"), QVariant());
                inner.commit();
            }
            QCOMPARE(m_db->transactionDepth(), 1);
            QCOMPARE(committedAuctions(), 0); // an inner commit stores nothing yet
            outer.commit();
        }
        auto rs = m_db->openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions ORDER BY AUC_Primary"));
        QStringList items;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            items << rs->value(QStringLiteral("AUC_ItemNumber")).toString();
        QCOMPARE(items, QStringList({QStringLiteral("kept"), QStringLiteral("inner committed")}));

        {
            Transaction outer(*m_db);
            Transaction inner(*m_db);
            addAuction(QStringLiteral("lost"), QVariant());
            inner.commit();
        } // the outer rollback takes the inner commit with it
        QCOMPARE(count(QStringLiteral("Auctions")), 2);
        QCOMPARE(m_db->transactionDepth(), 0);
    }

    void duplicateKeyIsItsOwnError_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("execute, same name") << "execute Ann" << true;
        QTest::newRow("execute, other letter case") << "execute ANN" << true;
        QTest::newRow("execute, same key") << "execute key" << true;
        QTest::newRow("table cursor add") << "add" << true;
        QTest::newRow("table cursor edit") << "edit" << true;
        QTest::newRow("query cursor edit") << "query edit" << true;
        QTest::newRow("missing name") << "execute null" << false;
    }
    void duplicateKeyIsItsOwnError()
    {
        QFETCH(QString, how);
        QFETCH(bool, duplicate);
        const QString insert = QStringLiteral("INSERT INTO Users (U_Primary, U_ZandroName) VALUES (?, ?)");
        m_db->execute(insert, {1, QStringLiteral("Ann")});
        m_db->execute(insert, {2, QStringLiteral("Bob")});
        auto attempt = [&] {
            if (how == QLatin1String("execute Ann"))
                m_db->execute(insert, {3, QStringLiteral("Ann")});
            else if (how == QLatin1String("execute ANN"))
                m_db->execute(insert, {3, QStringLiteral("ANN")});
            else if (how == QLatin1String("execute key"))
                m_db->execute(insert, {2, QStringLiteral("Cid")});
            else if (how == QLatin1String("execute null"))
                m_db->execute(insert, {3, QVariant()});
            else if (how == QLatin1String("add")) {
                auto rs = m_db->openTable(QStringLiteral("Users"));
                rs->addNew();
                rs->setValue(QStringLiteral("U_ZandroName"), QStringLiteral("Bob"));
                rs->update();
            } else if (how == QLatin1String("edit")) {
                auto rs = m_db->openTable(QStringLiteral("Users"));
                rs->setIndex(QStringLiteral("PrimaryKey"));
                QVERIFY(rs->seek(QStringLiteral("="), 2));
                rs->edit();
                rs->setValue(QStringLiteral("U_ZandroName"), QStringLiteral("ann"));
                rs->update();
            } else {
                auto rs = m_db->openQuery(QStringLiteral("SELECT * FROM Users WHERE U_Primary = ?"), {2},
                                          QStringLiteral("Users"));
                rs->edit();
                rs->setValue(QStringLiteral("U_ZandroName"), QStringLiteral("Ann"));
                rs->update();
            }
        };
        bool threwDuplicate = false;
        bool threw = false;
        try {
            attempt();
        } catch (const DbDuplicateKey &) {
            threwDuplicate = threw = true;
        } catch (const DbError &) {
            threw = true;
        }
        QVERIFY(threw);
        QCOMPARE(threwDuplicate, duplicate);
        QCOMPARE(count(QStringLiteral("Users")), 2);
    }

    void reopenInPlace()
    {
        addAuction(QStringLiteral("1"), QVariant());
        const QString path = m_db->path();
        QString error;
        const QString missing = m_folder->file(QStringLiteral("missing.mdb"));
        QVERIFY(!m_db->reopen(missing, &error));
        QVERIFY2(error.contains(missing), qPrintable(error));
        QCOMPARE(count(QStringLiteral("Auctions")), 1); // a failed reopen changes nothing

        m_db->close();
        QVERIFY(!m_db->isOpen());
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->execute(QStringLiteral("DELETE FROM Auctions")));
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->openTable(QStringLiteral("Auctions"))->recordCount());
        QVERIFY2(m_db->reopen(path, &error), qPrintable(error));
        QCOMPARE(count(QStringLiteral("Auctions")), 1);

        Transaction tx(*m_db);
        QVERIFY(!m_db->reopen(path, &error));
        QVERIFY_THROWS_EXCEPTION(DbError, m_db->close());
    }

    void compactCopiesEveryRow()
    {
        for (int i = 0; i < 20; ++i)
            addAuction(QString::number(i), QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(i));
        m_db->execute(QStringLiteral("DELETE FROM Auctions WHERE AUC_Primary % 2 = 0"));
        const QString source = m_db->path();
        m_db.reset();
        const QString target = m_folder->file(QStringLiteral("auctionc.mdb"));
        QString error;
        QVERIFY2(Database::compact(source, target, &error), qPrintable(error));
        QVERIFY(!Database::compact(source, target, &error)); // never over an existing file
        auto db = Database::open(target, &error);
        QVERIFY(db);
        QCOMPARE(db->integrityCheck(), QStringLiteral("ok"));
        QCOMPARE(db->openQuery(QStringLiteral("SELECT * FROM Auctions"))->recordCount(), 10);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "TestDatabase.moc"
