#include "StatusBarPane.h"

#include "AuctionEngine.h"
#include "Clock.h"
#include "MsgBox.h"
#include "Values.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {
// Panels and clocks show what the engine, the site and the user wrote: never markup.
QLabel *plainLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// A status panel narrower than its text ends it in "..." (the tooltip holds all of it), and
// asks the layout for no more than its set minimum.
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {minimumWidth(), QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect room = contentsRect().adjusted(2, 0, -2, 0);
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};
} // namespace

StatusBarPane::StatusBarPane(std::function<int()> queueCount, QWidget *parent)
    : QWidget(parent), m_queueCount(std::move(queueCount)), m_stsMain(new QFrame(this))
{
    m_stsMain->setObjectName(QStringLiteral("stsMain"));
    auto *panels = new QHBoxLayout(m_stsMain);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->setSpacing(2);
    const int stretch[3] = {3, 3, 1};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new PanelLabel(m_stsMain);
        m_panels[i]->setObjectName(QStringLiteral("stsMainPanel%1").arg(i + 1));
        m_panels[i]->setTextFormat(Qt::PlainText);
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panels[i]->setMinimumWidth(40);
        panels->addWidget(m_panels[i], stretch[i]);
    }
    m_panels[2]->setMinimumWidth(m_panels[2]->fontMetrics().horizontalAdvance(QStringLiteral("Items in Queue: 9999")) +
                                 8);

    m_localTime = plainLabel(QStringLiteral("lblLocalTime"), QStringLiteral("Local Time"), this);
    m_siteTime = plainLabel(QStringLiteral("lblEbayTime"), QStringLiteral("Ebay Time"), this);

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(m_localTime);
    line->addWidget(m_stsMain, 1);
    line->addWidget(m_siteTime);
}

QLabel *StatusBarPane::panel(int number) const
{
    return number >= 1 && number <= 3 ? m_panels[number - 1] : nullptr;
}

QString StatusBarPane::statusPanel(int number) const
{
    const QLabel *label = panel(number);
    return label ? label->text() : QString();
}

void StatusBarPane::setStatusPanel(int number, const QString &text)
{
    QLabel *label = panel(number);
    if (label && label->text() != text) {
        label->setText(text);
        // A panel too narrow for its text still tells all of it.
        label->setToolTip(text);
    }
}

void StatusBarPane::SetStatusText(QString &action, QString &step)
{
    if (action.isEmpty())
        action = QStringLiteral("None");
    if (step.isEmpty())
        step = QStringLiteral("Complete");
    setStatusPanel(1, action);
    setStatusPanel(2, step);
    const int waiting = m_queueCount ? m_queueCount() : 0;
    setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(waiting + 1));
}

void StatusBarPane::ShowAlreadyQueued(const QString &itemNumber)
{
    MsgBox::show(QStringLiteral("Item #") + itemNumber + QStringLiteral(" is already in the Queue to be added."),
                 QStringLiteral("Item Already in Queue"));
}

void StatusBarPane::tmrDateTime_Timer()
{
    m_localTime->setText(QStringLiteral("Local: ") + Values::formatGeneralDate(Clock::now()));
    m_siteTime->setText(QStringLiteral("eBay: ") + Values::formatGeneralDate(AuctionEngine::siteNow()));
}
