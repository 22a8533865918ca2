// The panes of the window, their places, and what the engine asks of them.
#include "mainwindow/frmAuction.h"

#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "mainwindow/AddAuctionStrip.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "mainwindow/FavoritesPane.h"
#include "mainwindow/FolderTreePane.h"
#include "mainwindow/LogViewsPane.h"
#include "mainwindow/ShortcutBarPane.h"
#include "mainwindow/StatusBarPane.h"
#include "platform/Database.h"
#include "platform/FormTimer.h"
#include "platform/MsgBox.h"
#include "platform_gui/QtFolderTree.h"
#include "platform_gui/WebBrowser.h"
#include "store/AppSettings.h"
#include "store/AuctionDatabase.h"
#include "store/AuctionRecords.h"
#include "store/Globals.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

void frmAuction::buildPanes(IBrowser *browser)
{
    m_central = new QWidget(this);
    m_central->setObjectName(QStringLiteral("centralPane"));
    setCentralWidget(m_central);

    lblHeading = new QLabel(m_central);
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    lblHeading->setTextFormat(Qt::PlainText);
    lblHeading->setText(QStringLiteral("Auctions - (No User Currently Signed In...)"));

    cboView = new QComboBox(m_central);
    cboView->setObjectName(QStringLiteral("cboView"));
    connect(cboView, &QComboBox::currentIndexChanged, this, [this] { cboView_Click(); });

    m_folderPane = new FolderTreePane(*m_engine, m_central);
    connect(m_folderPane, &FolderTreePane::folderSelected, this, [this](qint32 folderKey) {
        BuildAuctionGrid(folderKey);
        ToggleToolBarsMenus();
    });

    m_shortcutPane = new ShortcutBarPane(m_central);
    connect(m_shortcutPane, &ShortcutBarPane::folderShortcutClicked, this, &frmAuction::showFolderByKey);
    connect(m_shortcutPane, &ShortcutBarPane::auctionShortcutClicked, this,
            [this](qint32 folderKey, qint32 auctionKey) {
                showFolderByKey(folderKey);
                TreeGrid &grid = m_gridPane->auctionGrid();
                const qint32 row = grid.findRowByKey(auctionKey, 0);
                if (row >= 0) {
                    grid.selectRow(row);
                    grid.makeVisible(row);
                    m_gridPane->sftAuctions_SelChange();
                }
            });
    connect(m_shortcutPane, &ShortcutBarPane::viewChosen, this, [this](int view) { cboView->setCurrentIndex(view); });
    connect(m_shortcutPane, &ShortcutBarPane::barVisibilityChanged, this, &frmAuction::moveWithShortcutBar);
    connect(m_folderPane, &FolderTreePane::folderSelected, m_shortcutPane, &ShortcutBarPane::setDraggedFolder);
    connect(m_folderPane, &FolderTreePane::shortcutsPruned, m_shortcutPane, &ShortcutBarPane::PruneShortcutBar);

    m_gridPane = new AuctionGridPane(m_dialogs, m_central);
    connect(m_gridPane, &AuctionGridPane::dragStarted, m_shortcutPane,
            [this](qint32 row) { m_shortcutPane->setDraggedAuction(m_gridPane->auctionGrid().rowKey(row)); });
    connect(m_gridPane, &AuctionGridPane::auctionDeleted, m_shortcutPane, &ShortcutBarPane::RemoveAuctionShortcut);
    connect(m_gridPane, &AuctionGridPane::showSelectedAuction, this, &frmAuction::showSelectedAuction);
    connect(m_gridPane, &AuctionGridPane::toolBarsMenusChanged, this, [this] {
        showSelectedAuction();
        ToggleToolBarsMenus();
    });
    connect(m_gridPane, &AuctionGridPane::sortChanged, this, [this] { sftFolders_SelChange(); });
    connect(m_gridPane, &AuctionGridPane::dragStarted, this,
            [this] { m_folderPane->setDraggedAuctions(m_gridPane->dragAuctionKeys()); });
    connect(m_gridPane, &AuctionGridPane::auctionDeleted, this, [this](qint32 key, const QString &itemNumber) {
        UpdateWindowCaption();
        if (!gCurrentUser)
            return;
        AuctionEngine::Forget forget;
        forget.userKey = gCurrentUser->PrimaryKey;
        forget.auctions = {key};
        forget.itemNumbers = {itemNumber};
        m_engine->ForgetAuctions(forget);
    });

    m_browserPane = new BrowserPane(browser ? browser : new WebBrowser, *m_engine, m_central);
    connect(m_browserPane, &BrowserPane::busyChanged, this, [this] { ToggleToolBarsMenus(); });
    connect(m_browserPane, &BrowserPane::goBecameDefault, this, [this] { m_addStrip->setAddAuctionDefault(false); });
    // A linked browser follows the auction selected in the grid, and shows it once linked again.
    connect(m_gridPane, &AuctionGridPane::showSelectedAuction, m_browserPane,
            [this] { m_browserPane->ShowSelectedAuction(m_gridPane->currentItemNumber()); });
    connect(m_browserPane, &BrowserPane::engageChanged, this, [this](bool engaged) {
        if (!engaged)
            return;
        showSelectedAuction();
        if (m_gridPane->IsAnAuctionSelected())
            m_browserPane->ShowSelectedAuction(m_gridPane->currentItemNumber());
    });
    m_favoritesPane = new FavoritesPane(*tmrFav, m_central);
    connect(m_browserPane, &BrowserPane::favoritesRequested, m_favoritesPane, &FavoritesPane::BuildFavoritesTree);
    connect(m_favoritesPane, &FavoritesPane::navigateRequested, m_browserPane, &BrowserPane::NavigateSafe);
    m_logPane = new LogViewsPane(m_central);

    m_addStrip = new AddAuctionStrip(m_central);
    connect(m_addStrip, &AddAuctionStrip::auctionAddRequested, this, [this](const QString &typed) {
        runGuarded("cmdAuctionAddOK_Click", ErrorReport::Message,
                   [this, typed] { m_engine->cmdAuctionAddOK_Click(typed); });
        ToggleToolBarsMenus();
    });

    m_statusPane = new StatusBarPane([this] { return m_engine->queue().Count(); }, m_central);
    connect(tmrDateTime, &FormTimer::timeout, m_statusPane, [this] {
        runGuarded("tmrDateTime_Timer", ErrorReport::Log, [this] { m_statusPane->tmrDateTime_Timer(); });
    });
}

void frmAuction::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmAuction::cboView_Click()
{
    const QString chosen = cboView->currentText();
    m_browserPane->setVisible(chosen == QLatin1String("Auction View"));
    m_logPane->setVisible(chosen != QLatin1String("Auction View"));
    m_logPane->sftAuctionLog()->setVisible(chosen == QLatin1String("Auction Log"));
    m_logPane->sftErrorLog()->setVisible(chosen == QLatin1String("General Error Log"));
    if (chosen == QLatin1String("General Error Log"))
        setLogHeadingColor(-1);
}

void frmAuction::showFolderByKey(qint32 folderKey)
{
    const qint32 item = m_folderPane->folderTree().findItemByKey(folderKey, 0);
    if (item >= 0)
        m_folderPane->SelectFolderInTree(item);
}

void frmAuction::showSelectedAuction()
{
    try {
        m_logPane->setSelectedAuction(m_gridPane->currentAuctionKey(), m_gridPane->auctionGrid().rowCount() > 0);
    } catch (const DbError &) {
        // The pane shows what it could read; the next reload tries again.
    }
}

void frmAuction::SetStatusText(QString &action, QString &step)
{
    m_statusPane->SetStatusText(action, step);
}

QString frmAuction::statusPanel(int panel) const
{
    return m_statusPane->statusPanel(panel);
}

void frmAuction::setStatusPanel(int panel, const QString &text)
{
    m_statusPane->setStatusPanel(panel, text);
}

void frmAuction::ToggleToolBarsMenus()
{
    const auto item = [this](const char *name) { return menuItem(QLatin1String(name)); };
    const bool signedIn = static_cast<bool>(gCurrentUser);
    BNQueue &queue = m_engine->queue();

    // An item being served is out of the queue but still in flight.
    item("mnuActionsCompactDB")
        ->setEnabled(queue.Count() < 1 && !m_engine->mblnServingItem && !m_browserPane->isBusy());
    for (const char *name : {"mnuToolsUserSettings", "mnuActionsEbaySignIn"})
        item(name)->setEnabled(signedIn);
    m_addStrip->cmdAuctionAdd()->setEnabled(signedIn);
    m_browserPane->setSignInEnabled(signedIn);

    const bool anySelected = m_gridPane->IsAnAuctionSelected();
    bool schedulable = false;
    if (anySelected) {
        TreeGrid &grid = m_gridPane->auctionGrid();
        const qint32 status = StatusOfPicture(grid.cellPicture(grid.currentRow(), 0));
        schedulable = status == AuctionStatus::NotScheduled || status == AuctionStatus::Scheduled;
    }
    item("mnuActionsSchedule")->setEnabled(schedulable);
    for (const char *name : {"mnuActionsDelete", "mnuActionsRefreshSelected"})
        item(name)->setEnabled(anySelected);
    item("mnuActionsRefresh")->setEnabled(signedIn && !queue.IsRefreshing());
    item("mnuFileLogIn")->setEnabled(gUsers && gUsers->Count() >= 1);
    item("mnuFileLogOut")->setEnabled(signedIn);
    item("mnuActionsStop")->setEnabled(!(queue.Count() == 0 && !m_engine->mLastQueueItem));
    const bool dialUp = gSettings && gSettings->ConnectionType == 0;
    for (const char *name : {"mnuActionsConnect", "mnuActionsDisconnect", "mnuActionsSep1"})
        item(name)->setVisible(dialUp);

    if (gSettings && gSettings->NotSetup) {
        // Until the settings are saved, only they and the help can be reached.
        static const QStringList keep = {QStringLiteral("mnuToolsSystemSettings"),
                                         QStringLiteral("mnuTools"),
                                         QStringLiteral("mnuHelp"),
                                         QStringLiteral("mnuHelpHelp"),
                                         QStringLiteral("mnuHelpLegend"),
                                         QStringLiteral("mnuHelpAbout"),
                                         QStringLiteral("mnuHelpForum")};
        for (QAction *command : qAsConst(m_commands))
            if (!keep.contains(command->objectName()))
                command->setEnabled(false);
    }
    syncToolbarWithMenus();
}

void frmAuction::UpdateWindowCaption()
{
    if (!gCurrentUser) {
        setWindowTitle(QStringLiteral("Zandrift 2.0"));
        return;
    }
    QString caption = QStringLiteral("Zandrift %1 - [%2]").arg(GetAppVersion(), gCurrentUser->ZandroName);
    qint64 scheduled = 0;
    try {
        scheduled = auction_store::countScheduledSnipes(*gDB, gCurrentUser->PrimaryKey);
    } catch (const DbError &) {
        scheduled = 0;
    }
    // Without a current folder the count alone stands in the brackets, and with neither no
    // brackets are shown.
    QStringList parts;
    if (m_folderPane->folderTreeHasSelection())
        parts << QStringLiteral("Viewing \"%1\"").arg(m_folderPane->selectedFolderText());
    if (scheduled >= 1)
        parts << QStringLiteral("%1 %2").arg(scheduled).arg(scheduled == 1 ? QStringLiteral("Snipe Scheduled")
                                                                           : QStringLiteral("Snipes Scheduled"));
    if (!parts.isEmpty())
        caption += QStringLiteral(" - (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    setWindowTitle(caption);
}

void frmAuction::updateCaption()
{
    UpdateWindowCaption();
}

void frmAuction::configureGridColumns()
{
    m_gridPane->ConfigureAuctionGridColumns();
    TreeGrid &grid = m_gridPane->auctionGrid();
    for (qint32 c = 0; c < grid.columnCount(); ++c)
        grid.fitColumn(c);
    grid.refreshLayout();
}

void frmAuction::BuildAuctionGrid(qint32 folderKey)
{
    m_gridPane->BuildAuctionGrid(folderKey);
    showSelectedAuction();
    // A rebuild follows most status changes: the caption's count of snipes follows too.
    UpdateWindowCaption();
}

void frmAuction::showAuctionRow(qint32 auctionKey)
{
    m_gridPane->showAuctionRow(auctionKey);
}

void frmAuction::sftFolders_SelChange()
{
    m_folderPane->sftFolders_SelChange();
}

qint32 frmAuction::selectedFolderKey() const
{
    return m_folderPane->selectedFolderKey();
}

qint32 frmAuction::selectedFolderRootKey() const
{
    return m_folderPane->selectedFolderRootKey();
}

bool frmAuction::folderTreeHasSelection() const
{
    return m_folderPane->folderTreeHasSelection();
}

qint32 frmAuction::selectedFolderRow() const
{
    return m_folderPane->folderTreeHasSelection() ? m_folderPane->folderTree().currentItem() : -1;
}

TreeGrid &frmAuction::auctionGrid()
{
    return m_gridPane->auctionGrid();
}

QString frmAuction::browserDocumentTitle() const
{
    return m_browserPane->documentTitle();
}

QString frmAuction::browserAddress() const
{
    return m_browserPane->address();
}

void frmAuction::ShowAlreadyQueued(const QString &itemNumber)
{
    StatusBarPane::ShowAlreadyQueued(itemNumber);
}

void frmAuction::setAddAuctionEnabled(bool enabled)
{
    m_addStrip->setAddAuctionEnabled(enabled);
}

void frmAuction::setAddAuctionDefault(bool isDefault)
{
    m_addStrip->setAddAuctionDefault(isDefault);
}

void frmAuction::hideAddAuctionStrip()
{
    m_addStrip->hideAddAuctionStrip();
}

void frmAuction::UpdateTimeLeftColumn()
{
    m_gridPane->UpdateTimeLeftColumn();
}

void frmAuction::reloadGeneralLogView()
{
    m_logPane->errorLogChanged();
}

void frmAuction::setLogHeadingColor(qint32 rgb)
{
    QPalette palette = lblHeading->palette();
    if (rgb < 0)
        palette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    else
        palette.setColor(QPalette::WindowText, QColor(rgb & 0xff, (rgb >> 8) & 0xff, (rgb >> 16) & 0xff));
    lblHeading->setPalette(palette);
}

void frmAuction::reloadAuctionLogView()
{
    m_logPane->auctionLogChanged();
}

void frmAuction::unloadWindow()
{
    close();
}

void frmAuction::showDatabaseTrouble(const QString &message)
{
    // Not modal: a box waiting for an answer must not hold up a snipe.
    MsgBox::notify(message, QStringLiteral("Zandrift"), MsgBox::Icon::Exclamation);
}
