// Every state of the window and every dialog page that zandrift-screens renders, measured: no
// visible control smaller than its minimum size, outside its window, or over a sibling.
#include "DemoFolder.h"
#include "ScreenWalk.h"
#include "platform/MsgBox.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegion>
#include <QTabBar>
#include <QWebEngineView>
#include <QtTest>

namespace {

QRect inTop(const QWidget *w, const QWidget *top)
{
    return QRect(w->mapTo(top, QPoint(0, 0)), w->size());
}

QString describe(const QWidget *w)
{
    const QString name = w->objectName().isEmpty() ? QStringLiteral("(unnamed)") : w->objectName();
    return QStringLiteral("%1 %2 %3,%4 %5x%6")
        .arg(QLatin1String(w->metaObject()->className()), name)
        .arg(w->x())
        .arg(w->y())
        .arg(w->width())
        .arg(w->height());
}

// Placed by others: a scroll area's contents may lie beyond what it shows, a page is the
// browser engine's, and a box's own editor is laid out by the style of the box around it.
bool belongsToAView(const QWidget *w, const QWidget *top)
{
    for (const QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget()) {
        if (qobject_cast<const QWebEngineView *>(p) || qobject_cast<const QComboBox *>(p) ||
            qobject_cast<const QAbstractSpinBox *>(p))
            return true;
        if (const auto *area = qobject_cast<const QAbstractScrollArea *>(p->parentWidget())) {
            if (area->viewport() == p)
                return true;
        }
    }
    return false;
}

// The controls a person reads or uses.
bool isControl(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
           qobject_cast<const QTabBar *>(w) || qobject_cast<const QLabel *>(w);
}

// Siblings laid over others on purpose: the favorites over the page, the opened add strip over
// its own button.
bool mayOverlap(const QWidget *a, const QWidget *b)
{
    static const QList<QPair<QString, QString>> allowed = {
        {QStringLiteral("fraFavorites"), QStringLiteral("browserPane")},
        {QStringLiteral("fraNewAuction"), QStringLiteral("cmdAuctionAdd")},
    };
    for (const auto &pair : allowed) {
        if ((a->objectName() == pair.first && b->objectName() == pair.second) ||
            (a->objectName() == pair.second && b->objectName() == pair.first))
            return true;
    }
    return false;
}

QStringList problemsOf(QWidget &top)
{
    QStringList problems;
    const QRect window = top.rect();
    QList<QWidget *> parents{&top};
    for (QWidget *w : top.findChildren<QWidget *>()) {
        if (w->isWindow() || !w->isVisible() || belongsToAView(w, &top))
            continue;
        parents << w;
        if (!window.contains(inTop(w, &top)))
            problems << describe(w) + QStringLiteral(" lies outside its window");
        const QSize least = w->minimumSizeHint();
        if (isControl(w) && least.isValid() && (w->width() < least.width() || w->height() < least.height()))
            problems << describe(w) +
                            QStringLiteral(" is smaller than its minimum %1x%2").arg(least.width()).arg(least.height());
    }
    for (const QWidget *parent : parents) {
        QList<const QWidget *> shown;
        for (const QObject *child : parent->children()) {
            const auto *w = qobject_cast<const QWidget *>(child);
            if (w && !w->isWindow() && w->isVisible() && !belongsToAView(w, &top))
                shown << w;
        }
        // Children later in the list lie above: one wholly under those above it is out of sight
        // and reach, as a hidden one.
        for (int i = 0; i < shown.size(); ++i) {
            QRegion uncovered(shown[i]->geometry());
            QList<const QWidget *> over;
            for (int j = i + 1; j < shown.size(); ++j) {
                uncovered -= shown[j]->geometry();
                if (shown[i]->geometry().intersects(shown[j]->geometry()) && !mayOverlap(shown[i], shown[j]))
                    over << shown[j];
            }
            if (uncovered.isEmpty())
                continue;
            for (const QWidget *upper : over)
                problems << describe(shown[i]) + QStringLiteral(" overlaps ") + describe(upper);
        }
    }
    return problems;
}

} // namespace

class TestScreenGeometry : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        DemoFolder::useHeadlessPlatform();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }

private slots:
    void everyStateShowsItsControlsWhole()
    {
        // No state of the walk asks anything: a box is a fault of the walk or of the window.
        QStringList boxes;
        MsgBox::setHandler([&](const MsgBox::Request &r) {
            boxes << QStringLiteral("[%1] %2").arg(r.title, r.prompt);
            return r.buttons == MsgBox::Buttons::YesNo ? MsgBox::Answer::No : MsgBox::Answer::Ok;
        });
        QStringList states;
        QStringList problems;
        QString error;
        const bool walked = ScreenWalk::walk(
            [&](QWidget &shown, const QString &name) {
                states << name;
                for (const QString &problem : problemsOf(shown))
                    problems << name + QStringLiteral(": ") + problem;
            },
            &error);
        MsgBox::setHandler({});
        QVERIFY2(walked, qPrintable(error));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));
        // Each window state at each first size, then the dialogs' pages.
        for (const QSize &screen : ScreenWalk::screens())
            QVERIFY(states.contains(QStringLiteral("%1x%2-window-add-strip").arg(screen.width()).arg(screen.height())));
        QVERIFY(states.contains(QStringLiteral("dialog-settings-4")));
        for (const QString &problem : problems)
            qWarning("%s", qPrintable(problem));
        QVERIFY2(problems.isEmpty(), "controls squeezed, out of their window or over another (above)");
    }
};

QTEST_MAIN(TestScreenGeometry)
#include "TestScreenGeometry.moc"
