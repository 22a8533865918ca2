#include "mainwindow/AddAuctionStrip.h"

#include "platform/Values.h"
#include "platform_gui/SelectAllText.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

AddAuctionStrip::AddAuctionStrip(QWidget *parent)
    : QWidget(parent), m_add(new QPushButton(QStringLiteral("A&dd Auction"), this)),
      m_frame(new QGroupBox(QStringLiteral("Auction #"), this)), m_itemNumber(new QLineEdit(m_frame)),
      m_ok(new QPushButton(QStringLiteral("OK"), m_frame)), m_cancel(new QPushButton(QStringLiteral("Cancel"), m_frame))
{
    m_add->setObjectName(QStringLiteral("cmdAuctionAdd"));
    m_frame->setObjectName(QStringLiteral("fraNewAuction"));
    m_itemNumber->setObjectName(QStringLiteral("txtItemNumber"));
    m_ok->setObjectName(QStringLiteral("cmdAuctionAddOK"));
    m_cancel->setObjectName(QStringLiteral("cmdAuctionAddCancel"));
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    auto *row = new QHBoxLayout(m_frame);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(m_itemNumber, 1);
    row->addWidget(m_ok);
    row->addWidget(m_cancel);
    // Opened, the strip covers the button that opened it.
    m_frame->setAutoFillBackground(true);
    m_frame->hide();

    connect(m_add, &QPushButton::clicked, this, &AddAuctionStrip::cmdAuctionAdd_Click);
    connect(m_ok, &QPushButton::clicked, this, &AddAuctionStrip::cmdAuctionAddOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &AddAuctionStrip::cmdAuctionAddCancel_Click);
    // Outside a dialog a default button does nothing by itself: Enter in the box presses it.
    connect(m_itemNumber, &QLineEdit::returnPressed, this, [this] {
        if (m_okDefault && m_ok->isEnabled())
            m_ok->click();
    });
    // The import disables OK while it runs; a new number may be tried once the user edits it.
    connect(m_itemNumber, &QLineEdit::textEdited, this, [this] { m_ok->setEnabled(true); });
    m_itemNumber->installEventFilter(this);
}

QSize AddAuctionStrip::sizeHint() const
{
    return m_frame->sizeHint().expandedTo(m_add->sizeHint());
}

void AddAuctionStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_frame->setGeometry(rect());
    const QSize button = m_add->sizeHint();
    m_add->setGeometry(width() - button.width(), (height() - button.height()) / 2, button.width(), button.height());
}

bool AddAuctionStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_itemNumber && event->type() == QEvent::MouseButtonRelease) {
        // The box handles the release first (it may drop its selection there), so that the
        // selection made here is the one that stays.
        m_itemNumber->event(event);
        txtItemNumber_MouseUp(static_cast<QMouseEvent *>(event)->button());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AddAuctionStrip::takeNumberFromClipboard()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (Values::isNumber(text))
        m_itemNumber->setText(text);
}

void AddAuctionStrip::cmdAuctionAdd_Click()
{
    m_frame->show();
    m_frame->raise();
    setAddAuctionDefault(true);
    // The last import left OK disabled; a freshly opened strip can always be used.
    m_ok->setEnabled(true);
    m_stripOpen = true;
    m_itemNumber->setFocus();
    takeNumberFromClipboard();
    SelectAllText(m_itemNumber);
}

void AddAuctionStrip::cmdAuctionAddOK_Click()
{
    emit auctionAddRequested(m_itemNumber->text());
}

void AddAuctionStrip::cmdAuctionAddCancel_Click()
{
    hideAddAuctionStrip();
    setAddAuctionDefault(false);
}

void AddAuctionStrip::txtItemNumber_MouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    takeNumberFromClipboard();
    SelectAllText(m_itemNumber);
}

void AddAuctionStrip::setAddAuctionEnabled(bool enabled)
{
    m_ok->setEnabled(enabled);
}

void AddAuctionStrip::setAddAuctionDefault(bool isDefault)
{
    m_okDefault = isDefault;
    m_ok->setDefault(isDefault);
}

void AddAuctionStrip::hideAddAuctionStrip()
{
    // Opened, the strip covers the button that opened it.
    m_frame->setAutoFillBackground(true);
    m_frame->hide();
    m_stripOpen = false;
}
