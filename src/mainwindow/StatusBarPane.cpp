#include "mainwindow/StatusBarPane.h"

#include "engine/AuctionEngine.h"
#include "platform/Clock.h"
#include "platform/MsgBox.h"
#include "platform/Values.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <array>

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

// A status panel narrower than its text ends it in "..." (the tooltip holds all of it).
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;
    // Its row gives it its width: any width shows what it can.
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    // What the panel shows of its text in its width now.
    QString shown() const { return fontMetrics().elidedText(text(), Qt::ElideRight, room().width()); }
    // The width that shows the whole text.
    int wholeWidth() const { return fontMetrics().horizontalAdvance(text()) + width() - room().width() + 1; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(&painter);
        painter.drawText(room(), Qt::AlignLeft | Qt::AlignVCenter, shown());
    }

private:
    QRect room() const { return contentsRect().adjusted(2, 0, -2, 0); }
};

// The row the three panels share; StatusBarPane places them on every resize and text change.
class PanelRow : public QFrame
{
public:
    using QFrame::QFrame;
    std::function<void()> placePanels;
    QSize sizeHint() const override { return {0, minimumHeight()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        if (placePanels)
            placePanels();
    }
};

constexpr int kPanelSpacing = 2;
constexpr int kLeastPanel = 20;
// The room the panels share when every text fits: the queue count needs little.
constexpr int kStretch[3] = {3, 3, 1};
// Who gets room first when not every text fits: the current action (a snipe's state), then the
// queue count, then the step.
constexpr int kPriority[3] = {0, 2, 1};

// Widths for panels wanting these widths in a row this wide. A panel given no room is hidden,
// and so is the space before it.
std::array<int, 3> panelWidths(int row, const std::array<int, 3> &wanted)
{
    std::array<int, 3> widths{};
    const int room = qMax(0, row - 2 * kPanelSpacing);
    int assigned = 0;
    for (int i = 0; i < 3; ++i) {
        widths[i] = room * kStretch[i] / 7;
        assigned += widths[i];
    }
    widths[0] += room - assigned;
    bool allFit = true;
    for (int i = 0; i < 3; ++i)
        allFit = allFit && widths[i] >= wanted[i];
    if (allFit)
        return widths;
    // In turn, each takes its whole text's width of what is left; what is over is shared.
    int left = qMax(0, row);
    bool first = true;
    for (int i : kPriority) {
        const int free = first ? left : left - kPanelSpacing;
        widths[i] = qBound(0, wanted[i], free);
        // Too narrow for even "...": hidden rather than a sliver.
        if (widths[i] < kLeastPanel)
            widths[i] = 0;
        if (widths[i] > 0) {
            left -= widths[i] + (first ? 0 : kPanelSpacing);
            first = false;
        }
    }
    int shares = 0, last = -1;
    for (int i = 0; i < 3; ++i) {
        if (widths[i] > 0) {
            shares += kStretch[i];
            last = i;
        }
    }
    const int over = left;
    for (int i = 0; i <= last; ++i) {
        if (widths[i] > 0) {
            const int more = i == last ? left : over * kStretch[i] / shares;
            widths[i] += more;
            left -= more;
        }
    }
    return widths;
}

} // namespace

StatusBarPane::StatusBarPane(std::function<int()> queueCount, QWidget *parent)
    : QWidget(parent), m_queueCount(std::move(queueCount))
{
    auto *row = new PanelRow(this);
    m_stsMain = row;
    m_stsMain->setObjectName(QStringLiteral("stsMain"));
    m_stsMain->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new PanelLabel(m_stsMain);
        m_panels[i]->setObjectName(QStringLiteral("stsMainPanel%1").arg(i + 1));
        m_panels[i]->setTextFormat(Qt::PlainText);
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    m_stsMain->setMinimumHeight(m_panels[0]->sizeHint().height());
    row->placePanels = [this] { placePanels(); };

    m_localTime = plainLabel(QStringLiteral("lblLocalTime"), QStringLiteral("Local Time"), this);
    m_siteTime = plainLabel(QStringLiteral("lblEbayTime"), QStringLiteral("Ebay Time"), this);

    // The clocks keep their whole width; the panels share the rest.
    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(kPanelSpacing);
    line->addWidget(m_localTime);
    line->addWidget(m_stsMain, 1);
    line->addWidget(m_siteTime);
}

void StatusBarPane::placePanels()
{
    std::array<int, 3> wanted{};
    for (int i = 0; i < 3; ++i)
        wanted[i] = static_cast<PanelLabel *>(m_panels[i])->wholeWidth();
    const std::array<int, 3> widths = panelWidths(m_stsMain->width(), wanted);
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        m_panels[i]->setGeometry(x, 0, widths[i], m_stsMain->height());
        m_panels[i]->setVisible(widths[i] > 0);
        if (widths[i] > 0)
            x += widths[i] + kPanelSpacing;
    }
}

QString StatusBarPane::shownStatusPanel(int number) const
{
    const QLabel *label = panel(number);
    return label ? static_cast<const PanelLabel *>(label)->shown() : QString();
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
        placePanels();
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
