#include "ModalDriver.h"
#include "dialogs/Dialogs.h"
#include "dialogs/frmComment.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestComment : public QObject
{
    Q_OBJECT

private slots:
    void comment_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how"); // ok, cancel, frame
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("after");

        const QString long300(300, QLatin1Char('c'));
        QTest::newRow("new comment") << ""
                                     << "paid by cheque"
                                     << "ok" << true << "paid by cheque";
        QTest::newRow("typing replaces the old one") << "old note"
                                                     << "new"
                                                     << "ok" << true << "new";
        QTest::newRow("emptied") << "old note"
                                 << ""
                                 << "ok" << true << "";
        QTest::newRow("cut at 255") << "" << long300 << "ok" << true << long300.left(255);
        QTest::newRow("cancel keeps the old one") << "old note"
                                                  << "new"
                                                  << "cancel" << false << "old note";
        QTest::newRow("frame keeps the old one") << "old note"
                                                 << "new"
                                                 << "frame" << false << "old note";
    }
    void comment()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(bool, confirmed);
        QFETCH(QString, after);

        QString shownTitle;
        bool acted = false;
        whenModal<frmComment>(
            [&](frmComment &dRef) {
                frmComment *d = &dRef;
                shownTitle = d->findChild<QLabel *>(QStringLiteral("lblTitle"))->text();
                QLineEdit *text = d->findChild<QLineEdit *>(QStringLiteral("txtComment"));
                QCOMPARE(d->focusWidget(), text); // has the focus once the window is active
                QCOMPARE(text->selectedText(), before);
                if (typed.isEmpty())
                    QTest::keyClick(text, Qt::Key_Delete);
                else
                    QTest::keyClicks(text, typed);
                if (how == QLatin1String("ok"))
                    QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
                else if (how == QLatin1String("cancel"))
                    QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
                else
                    d->close();
            },
            &acted);
        Dialogs dialogs;
        QString text = before;
        const QString title = QStringLiteral("<b>Lamp</b> & shade");
        QCOMPARE(dialogs.comment(nullptr, title, text), confirmed);
        QVERIFY(acted);
        QCOMPARE(text, after);
        QCOMPARE(shownTitle, title);
    }

    void titleIsPlainText()
    {
        frmComment d(nullptr);
        d.setAuction(QStringLiteral("<i>x</i>"), QString());
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("lblTitle"))->textFormat(), Qt::PlainText);
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("txtComment"))->maxLength(), 255);
    }
};

QTEST_MAIN(TestComment)
#include "TestComment.moc"
