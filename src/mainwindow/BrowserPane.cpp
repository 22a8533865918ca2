#include "mainwindow/BrowserPane.h"

#include "engine/ebayURLS.h"
#include "engine/modComm.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

static void initBrowserArt()
{
    Q_INIT_RESOURCE(browser);
}

namespace {
const char *const kLinkedTip = "Click to UnLink Browser from Auction List";
const char *const kUnlinkedTip = "Click to Link Browser to Auction List";
} // namespace

BrowserPane::BrowserPane(IBrowser *browser, AuctionEngine &engine, QWidget *parent, std::function<bool()> isOnline)
    : QWidget(parent), m_wb(browser), m_engine(engine), m_isOnline(std::move(isOnline))
{
    setObjectName(QStringLiteral("browserPane"));
    initBrowserArt();
    if (!m_isOnline)
        m_isOnline = [] { return IsOnlineForBid(); };
    m_wb->setParent(this);
    m_wb->setObjectName(QStringLiteral("WB"));

    buildToolbar();
    buildAddressRow();

    m_lblAuctionView = new QLabel(this);
    m_lblAuctionView->setObjectName(QStringLiteral("lblAuctionView"));
    // Page titles come from the site: never markup.
    m_lblAuctionView->setTextFormat(Qt::PlainText);
    m_lblAuctionView->setContentsMargins(4, 0, 4, 0);

    m_stsbarWB = new QFrame(this);
    m_stsbarWB->setObjectName(QStringLiteral("stsbarWB"));
    m_stsbarWB->setFrameShape(QFrame::StyledPanel);
    m_statusPanel = new QLabel(m_stsbarWB);
    m_statusPanel->setObjectName(QStringLiteral("stsbarWBPanel1"));
    m_statusPanel->setTextFormat(Qt::PlainText);
    m_prgWB = new QProgressBar(m_stsbarWB);
    m_prgWB->setObjectName(QStringLiteral("prgWB"));
    m_prgWB->setTextVisible(false);
    m_prgWB->setRange(0, 1);
    m_prgWB->setValue(0);
    m_prgWB->setFixedWidth(120);
    auto *statusRow = new QHBoxLayout(m_stsbarWB);
    statusRow->setContentsMargins(4, 1, 4, 1);
    statusRow->addWidget(m_statusPanel, 1);
    statusRow->addWidget(m_prgWB);

    auto *addressRow = new QHBoxLayout;
    addressRow->setContentsMargins(0, 0, 0, 0);
    addressRow->addWidget(m_cboURL, 1);
    addressRow->addWidget(m_cmdWBGo);
    addressRow->addWidget(m_tbrGo);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_tbrBrowser);
    column->addLayout(addressRow);
    column->addWidget(m_lblAuctionView);
    column->addWidget(m_wb, 1);
    column->addWidget(m_stsbarWB);

    m_wb->installEventFilter(this);
    connect(m_wb, &IBrowser::loadFinished, this,
            [this](const QUrl &url, IBrowser::LoadResult result, const QString &) { WB_LoadFinished(url, result); });
    connect(m_wb, &IBrowser::titleChanged, this, [this](const QString &title) { m_lblAuctionView->setText(title); });
    connect(m_wb, &IBrowser::statusTextChanged, this, &BrowserPane::WB_StatusTextChange);
    connect(m_wb, &IBrowser::progressChanged, this, &BrowserPane::WB_ProgressChange);
    connect(m_wb, &IBrowser::busyChanged, this, &BrowserPane::busyChanged);
}

void BrowserPane::buildToolbar()
{
    m_tbrBrowser = new QToolBar(this);
    m_tbrBrowser->setObjectName(QStringLiteral("tbrBrowser"));
    m_tbrBrowser->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Every button has an icon of its own: a narrow pane shows the icons alone.
    const auto standard = [this](QStyle::StandardPixmap icon) { return style()->standardIcon(icon); };
    const auto own = [](const char *name) {
        return QIcon(QStringLiteral(":/browser/%1.svg").arg(QLatin1String(name)));
    };
    const auto add = [this](const char *key, const QString &text, const QString &tip, const QIcon &icon) {
        auto *action = new QAction(icon, text, m_tbrBrowser);
        action->setObjectName(QLatin1String(key));
        if (!tip.isEmpty())
            action->setToolTip(tip);
        const QString name = QLatin1String(key);
        connect(action, &QAction::triggered, this, [this, name] { tbrBrowser_ButtonClick(name); });
        m_buttons.insert(name, action);
        return action;
    };
    m_tbrBrowser->addAction(add("back", QStringLiteral("Back"), QString(), standard(QStyle::SP_ArrowBack)));
    m_tbrBrowser->addAction(add("forward", QStringLiteral("Forward"), QString(), standard(QStyle::SP_ArrowForward)));
    m_tbrBrowser->addAction(add("stop", QStringLiteral("Stop"), QString(), standard(QStyle::SP_BrowserStop)));
    m_tbrBrowser->addAction(add("refresh", QStringLiteral("Refresh"), QString(), standard(QStyle::SP_BrowserReload)));
    m_tbrBrowser->addAction(add("home", QStringLiteral("Home"), QString(), own("home")));

    QAction *site = add("ebay", QStringLiteral("eBay"), QStringLiteral("Take Me to eBay"), own("site"));
    auto *menu = new QMenu(m_tbrBrowser);
    menu->setObjectName(QStringLiteral("tbrBrowserEbayMenu"));
    for (const auto &[key, text] : {std::pair{"ebay", "eBay"}, std::pair{"ebaysignin", "Sign Me in to eBay"}}) {
        QAction *item = menu->addAction(QLatin1String(text));
        const QString name = QLatin1String(key);
        item->setObjectName(name + QStringLiteral("MenuItem"));
        connect(item, &QAction::triggered, this, [this, name] { tbrBrowser_ButtonMenuClick(name); });
        m_menuItems.insert(name, item);
    }
    m_menuItems.value(QStringLiteral("ebaysignin"))->setEnabled(false);
    m_siteButton = new QToolButton(m_tbrBrowser);
    m_siteButton->setObjectName(QStringLiteral("ebayButton"));
    m_siteButton->setDefaultAction(site);
    m_siteButton->setMenu(menu);
    m_siteButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_tbrBrowser->addWidget(m_siteButton);
    refreshSiteButton();

    m_tbrBrowser->addAction(
        add("search", QStringLiteral("Search"), QString(), standard(QStyle::SP_FileDialogContentsView)));
    m_tbrBrowser->addAction(
        add("favorites", QStringLiteral("Favorites"), QStringLiteral("Open Favorites Window"), own("favorites")));
    QAction *engage = add("engage", QStringLiteral("Linked"),
                          QStringLiteral("Click to UnLink Browser from Auction Grid"), own("engage"));
    engage->setCheckable(true);
    engage->setChecked(true);
    // The toggle reaches the handler with the button's new state; triggered must not run it twice.
    disconnect(engage, &QAction::triggered, this, nullptr);
    connect(engage, &QAction::triggered, this, [this](bool pressed) { engage_Click(pressed); });
    m_tbrBrowser->addAction(engage);
    QAction *addAuction = add("addauction", QStringLiteral("Add"), QStringLiteral("Add this Auction"),
                              standard(QStyle::SP_FileDialogNewFolder));
    addAuction->setEnabled(false);
    m_tbrBrowser->addAction(addAuction);
}

void BrowserPane::fitToolbar(int width)
{
    // Texts beside the icons where all fit; else icons alone (the text is the tooltip), the
    // site's host name kept as long as it fits.
    static const struct
    {
        Qt::ToolButtonStyle buttons;
        Qt::ToolButtonStyle site;
    } fits[] = {{Qt::ToolButtonTextBesideIcon, Qt::ToolButtonTextBesideIcon},
                {Qt::ToolButtonIconOnly, Qt::ToolButtonTextBesideIcon},
                {Qt::ToolButtonIconOnly, Qt::ToolButtonIconOnly}};
    for (const auto &fit : fits) {
        m_tbrBrowser->setToolButtonStyle(fit.buttons);
        m_siteButton->setToolButtonStyle(fit.site);
        // The buttons' new sizes reach the toolbar's own hint only through its layout.
        m_tbrBrowser->layout()->invalidate();
        if (m_tbrBrowser->sizeHint().width() <= width)
            return;
    }
}

void BrowserPane::resizeEvent(QResizeEvent *event)
{
    fitToolbar(event->size().width());
    QWidget::resizeEvent(event);
}

void BrowserPane::buildAddressRow()
{
    m_cboURL = new QComboBox(this);
    m_cboURL->setObjectName(QStringLiteral("cboURL"));
    m_cboURL->setEditable(true);
    // The list holds the pages the browser reached, not whatever was typed.
    m_cboURL->setInsertPolicy(QComboBox::NoInsert);
    m_cboURL->setDuplicatesEnabled(false);
    // The box holds the focus and hands keys to its line edit itself: both are watched.
    m_cboURL->installEventFilter(this);
    m_cboURL->lineEdit()->installEventFilter(this);
    connect(m_cboURL, &QComboBox::activated, this, [this](int) { cboURL_Click(); });

    // Enter's target in the address box; the toolbar's Go button is the visible one.
    m_cmdWBGo = new QPushButton(QStringLiteral("Go"), this);
    m_cmdWBGo->setObjectName(QStringLiteral("cmdWBGo"));
    m_cmdWBGo->setAutoDefault(false);
    m_cmdWBGo->hide();
    connect(m_cmdWBGo, &QPushButton::clicked, this, &BrowserPane::cmdWBGo_Click);

    m_tbrGo = new QToolBar(this);
    m_tbrGo->setObjectName(QStringLiteral("tbrGo"));
    m_tbrGo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction *go = m_tbrGo->addAction(QStringLiteral("Go..."));
    go->setObjectName(QStringLiteral("go"));
    connect(go, &QAction::triggered, this, &BrowserPane::tbrGo_ButtonClick);
}

bool BrowserPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_wb && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        emit pageAreaChanged();
    if (watched == m_cboURL || watched == m_cboURL->lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            // Enter in the box is Go, whatever was typed or pasted before it; the box's own
            // Enter would navigate a second time through the list.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                cboURL_KeyUp();
                cmdWBGo_Click();
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter)
                cboURL_KeyUp();
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString BrowserPane::documentTitle() const
{
    return m_wb->title();
}

QString BrowserPane::address() const
{
    return m_wb->address().toString();
}

bool BrowserPane::isBusy() const
{
    return m_wb->isBusy();
}

bool BrowserPane::isEngaged() const
{
    return button(QStringLiteral("engage"))->isChecked();
}

QRect BrowserPane::pageArea() const
{
    // The pane may have been resized while hidden: its rows are placed for the size it has now.
    layout()->activate();
    return m_wb->geometry();
}

QString BrowserPane::statusText() const
{
    return m_statusPanel->text();
}

QUrl BrowserPane::localPage()
{
    const QString page = ProgramFolder::file(QStringLiteral("html/index.html"));
    // The browser would wait for ever on a FIFO put in its place.
    if (existsButIsNotRegular(page))
        return QUrl(QStringLiteral("about:blank"));
    return QUrl::fromLocalFile(page);
}

QUrl BrowserPane::siteHome() const
{
    // The site's home is the bare host of its item pages.
    const ebayURLS *urls = UseURLs();
    if (!urls)
        return QUrl();
    const QUrl item(urls->EbayViewItemURL);
    if (!item.isValid() || item.host().isEmpty())
        return QUrl();
    QUrl home;
    home.setScheme(item.scheme());
    home.setHost(item.host());
    home.setPort(item.port());
    home.setPath(QStringLiteral("/"));
    return home;
}

void BrowserPane::refreshSiteButton()
{
    const QUrl home = siteHome();
    m_buttons.value(QStringLiteral("ebay"))->setText(home.isEmpty() ? QStringLiteral("eBay") : home.host());
}

void BrowserPane::WB_StatusTextChange(const QString &text)
{
    m_statusPanel->setText(text);
}

void BrowserPane::WB_ProgressChange(int progress, int progressMax)
{
    m_prgWB->setRange(0, progressMax + 1);
    const int shown = qMin(progress, progressMax);
    if (shown > -1)
        m_prgWB->setValue(shown);
}

void BrowserPane::tbrBrowser_ButtonClick(const QString &key)
{
    if (key == QLatin1String("back")) {
        m_wb->goBack();
    } else if (key == QLatin1String("forward")) {
        m_wb->goForward();
    } else if (key == QLatin1String("stop")) {
        m_wb->stop();
    } else if (key == QLatin1String("refresh")) {
        m_wb->reload();
    } else if (key == QLatin1String("home")) {
        m_wb->navigate(localPage());
    } else if (key == QLatin1String("ebay")) {
        tbrBrowser_ButtonMenuClick(key);
    } else if (key == QLatin1String("search")) {
        NavigateSafe(QLatin1String(kSearchPage));
    } else if (key == QLatin1String("favorites")) {
        emit favoritesRequested();
    } else if (key == QLatin1String("addauction")) {
        tbrAddAuction_Click();
    }
}

void BrowserPane::tbrBrowser_ButtonMenuClick(const QString &key)
{
    if (key == QLatin1String("ebay")) {
        refreshSiteButton();
        NavigateSafe(siteHome().toString());
    } else if (key == QLatin1String("ebaysignin")) {
        signInToSite();
    }
}

void BrowserPane::engage_Click(bool pressed)
{
    QAction *engage = button(QStringLiteral("engage"));
    engage->setToolTip(QLatin1String(pressed ? kLinkedTip : kUnlinkedTip));
    engage->setText(pressed ? QStringLiteral("Linked") : QStringLiteral("Unlinked"));
    engage->setIcon(
        QIcon(pressed ? QStringLiteral(":/browser/engage.svg") : QStringLiteral(":/browser/disengage.svg")));
    emit engageChanged(pressed);
}

void BrowserPane::cboURL_Click()
{
    cmdWBGo_Click();
}

void BrowserPane::cmdWBGo_Click()
{
    NavigateSafe(m_cboURL->currentText());
    m_cmdWBGo->setDefault(false);
}

void BrowserPane::tbrGo_ButtonClick()
{
    NavigateSafe(m_cboURL->currentText());
}

void BrowserPane::cboURL_KeyUp()
{
    m_cmdWBGo->setDefault(true);
    emit goBecameDefault();
}
