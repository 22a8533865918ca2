// The panes of the window, their places, and what the engine asks of them.
#include "frmAuction.h"

#include "AppSettings.h"
#include "AuctionDatabase.h"
#include "AuctionEngine.h"
#include "Database.h"
#include "Globals.h"
#include "QtTreeGrid.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

void frmAuction::buildPanes()
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

    m_gridWidget = new QTreeWidget(m_central);
    m_gridWidget->setObjectName(QStringLiteral("sftAuctions"));
    m_grid = std::make_unique<QtTreeGrid>(m_gridWidget);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

// Absolute places inside the central widget, from one place, so the resizers can take over.
void frmAuction::layoutPanes()
{
    if (!m_central)
        return;
    const int w = m_central->width();
    const int h = m_central->height();
    const int left = w / 4;
    lblHeading->setGeometry(left + 4, 2, w - left - 200, 22);
    cboView->setGeometry(w - 190, 2, 186, 22);
    m_gridWidget->setGeometry(left + 4, 26, w - left - 8, h / 2 - 28);
}

void frmAuction::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutPanes();
}

void frmAuction::SetStatusText(QString &action, QString &step)
{
    m_panels[1] = action;
    m_panels[2] = step;
    statusBar()->showMessage(action + QLatin1String("  ") + step);
}

QString frmAuction::statusPanel(int panel) const { return m_panels.value(panel); }

void frmAuction::setStatusPanel(int panel, const QString &text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel] = text;
}

void frmAuction::ToggleToolBarsMenus()
{
    const auto item = [this](const char *name) { return menuItem(QLatin1String(name)); };
    const bool signedIn = static_cast<bool>(gCurrentUser);
    BNQueue &queue = m_engine->queue();

    item("mnuActionsCompactDB")->setEnabled(queue.Count() < 1 && !m_engine->mblnServingItem);
    for (const char *name : {"mnuToolsUserSettings", "mnuActionsEbaySignIn"})
        item(name)->setEnabled(signedIn);

    const QList<qint32> selected = m_grid->selectedRows();
    const bool anySelected = signedIn && !selected.isEmpty();
    bool schedulable = false;
    if (anySelected) {
        const qint32 row = m_grid->currentRow() >= 0 ? m_grid->currentRow() : selected.first();
        const QString picture = m_grid->cellPicture(row, 0);
        schedulable = picture == GetStatusPicture(1) || picture == GetStatusPicture(2);
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
        static const QStringList keep = {"mnutoolssystemsettings", "mnutools", "mnuhelp",    "mnuhelphelp",
                                         "mnuhelplegend",          "mnuhelpabout", "mnuhelpforum"};
        for (auto it = m_menuItems.cbegin(); it != m_menuItems.cend(); ++it) {
            if (it.key().contains(QLatin1String("pop")) || it.key().contains(QLatin1String("sep")))
                continue;
            if (!keep.contains(it.key()))
                it.value()->setEnabled(false);
        }
    }
}

void frmAuction::UpdateWindowCaption()
{
    if (!gCurrentUser) {
        setWindowTitle(QStringLiteral("Zandrift 2.0"));
        return;
    }
    QString caption = QStringLiteral("Zandrift %1 - [%2]").arg(GetAppVersion(), gCurrentUser->ZandroName);
    // The folder part comes with the folder tree; the snipe count always closes the caption.
    qint32 scheduled = 0;
    try {
        auto rs = gDB->openQuery(QStringLiteral("SELECT count(*) AS n FROM Auctions WHERE AUC_Status = 2 AND AUC_User = ?"),
                                 {gCurrentUser->PrimaryKey});
        if (!rs->eof())
            scheduled = rs->value(QStringLiteral("n")).toInt();
    } catch (const DbError &) {
        scheduled = 0;
    }
    caption += QStringLiteral(" - (");
    if (scheduled >= 1)
        caption += QStringLiteral(", %1 %2").arg(scheduled).arg(scheduled == 1 ? QStringLiteral("Snipe Scheduled")
                                                                                : QStringLiteral("Snipes Scheduled"));
    caption += QLatin1Char(')');
    setWindowTitle(caption);
}

void frmAuction::updateCaption() { UpdateWindowCaption(); }

void frmAuction::configureGridColumns() {}

void frmAuction::BuildAuctionGrid(qint32 folderKey) { m_folderKey = folderKey; }

void frmAuction::sftFolders_SelChange() { BuildAuctionGrid(m_folderKey); }

qint32 frmAuction::selectedFolderKey() const { return m_folderKey; }

qint32 frmAuction::selectedFolderRootKey() const { return m_folderKey; }

bool frmAuction::folderTreeHasSelection() const { return m_folderKey >= 0; }

TreeGrid &frmAuction::auctionGrid() { return *m_grid; }

QString frmAuction::browserDocumentTitle() const { return QString(); }

QString frmAuction::browserAddress() const { return QString(); }

void frmAuction::ShowAlreadyQueued(const QString &) {}

void frmAuction::setAddAuctionEnabled(bool) {}

void frmAuction::setAddAuctionDefault(bool) {}

void frmAuction::hideAddAuctionStrip() {}

void frmAuction::UpdateTimeLeftColumn() {}

void frmAuction::reloadGeneralLogView() {}

void frmAuction::setLogHeadingColor(qint32) {}

void frmAuction::reloadAuctionLogView() {}

void frmAuction::unloadWindow() { close(); }

void frmAuction::saveWindowLayout() {}
