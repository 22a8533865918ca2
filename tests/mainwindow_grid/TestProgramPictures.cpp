#include "engine/AuctionEngine.h"
#include "platform_gui/Pictures.h"
#include "platform_gui/QtTreeGrid.h"

#include <QImage>
#include <QSet>
#include <QtTest>

// The program's own pictures: every name the window uses draws something, no two look alike,
// and the tree-grids know them all.
class TestProgramPictures : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureDraws();
    void statusPicturesAreNamed();
};

void TestProgramPictures::everyPictureDraws()
{
    registerProgramPictures();
    const QStringList names = programPictureNames();
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    QHash<QByteArray, QString> seen;
    for (const QString &name : names) {
        const QIcon icon = programPicture(name);
        QVERIFY2(!icon.isNull(), qPrintable(name));
        QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(16, 16));
        int painted = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        }
        QVERIFY2(painted >= 8, qPrintable(name));
        const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
        QVERIFY2(!seen.contains(bytes) || name.endsWith(QLatin1String("Folder")),
                 qPrintable(name + QStringLiteral(" looks like ") + seen.value(bytes)));
        seen.insert(bytes, name);
        QVERIFY2(!QtTreeGrid::picture(name).isNull(), qPrintable(name));
    }
    QVERIFY(programPicture(QStringLiteral("picNothing")).isNull());
    QVERIFY(programPicture(QString()).isNull());
}

void TestProgramPictures::statusPicturesAreNamed()
{
    const QStringList names = programPictureNames();
    for (int status = 1; status <= 7; ++status)
        QVERIFY2(names.contains(GetStatusPicture(status)), qPrintable(QString::number(status)));
    for (const char *name :
         {"imgChecked", "imgUnchecked", "imgPencil", "imgUp", "imgDown", "imgDragIconAuction", "imgDragIconFolder",
          "imgDragIconFolderClosed", "imgViewAuctions", "imgViewAuctionLog", "imgViewErrorLog"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
}

QTEST_MAIN(TestProgramPictures)
#include "TestProgramPictures.moc"
