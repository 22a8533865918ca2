#include "mainwindow/frmAuction.h"
#include "platform_gui/WidgetResizable.h"

#include "dialogs/IDialogs.h"
#include "engine/AuctionEngine.h"
#include "engine/EventGuard.h"
#include "engine/modComm.h"
#include "mainwindow/AuctionGridPane.h"
#include "mainwindow/BrowserPane.h"
#include "platform/Database.h"
#include "platform/FormTimer.h"
#include "platform/InetTransfer.h"
#include "platform/MsgBox.h"
#include "platform/SingleInstance.h"
#include "platform_gui/DesktopServices.h"
#include "platform_gui/Pictures.h"
#include "platform_gui/QtTreeGrid.h"
#include "platform_gui/TrayIcon.h"
#include "store/AppSettings.h"
#include "store/AucColumns.h"
#include "store/AuctionDatabase.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTreeWidget>

frmAuction::frmAuction(IDialogs &dialogs, IBrowser *browser) : m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmAuction"));
    setWindowTitle(QStringLiteral("Zandrift 2.0"));
    registerProgramPictures();
    m_engine = std::make_unique<AuctionEngine>(*this);
    tmrDateTime = new FormTimer(500, this);
    tmrStatusAdjust = new FormTimer(0, this);
    tmrFav = new FormTimer(0, this);
    tmrTerminate = new FormTimer(0, this);
    connect(tmrTerminate, &FormTimer::timeout, this,
            [this] { runGuarded("tmrTerminate_Timer", ErrorReport::Message, [this] { tmrTerminate_Timer(); }); });
    buildMenus();
    buildTrayMenu();
    buildPanes(browser);
    buildToolbar();
    SetToolbarIcons();
    resize(1000, 700);
}

// A user put aside belongs to this window's minimise, not to the next window's start.
frmAuction::~frmAuction()
{
    CurrentUser::instance().dropAside();
}

void frmAuction::setAllTimersEnabled(bool on)
{
    m_engine->setTimersEnabled(on);
    for (FormTimer *t : {tmrDateTime, tmrStatusAdjust, tmrFav, tmrTerminate})
        t->setEnabled(on);
}

QAction *frmAuction::menuItem(const QString &name) const
{
    return m_menuItems.value(name.toLower());
}

void frmAuction::buildMenus()
{
    struct Item
    {
        const char *name;
        const char *caption; // nullptr: a separator
    };
    struct Menu
    {
        const char *name;
        const char *caption;
        std::vector<Item> items;
    };
    const std::vector<Menu> menus = {
        {"mnuFile",
         "&File",
         {{"mnuFileLogIn", "Log &In"},
          {"mnuFileLogOut", "Log &Out"},
          {"mnuFileSep1", nullptr},
          {"mnuFileExit", "E&xit"}}},
        {"mnuTools",
         "&Tools",
         {{"mnuToolsSyncTime", "Sync Ebay &Time"},
          {"mnuToolsSep1", nullptr},
          {"mnuToolsUserAdd", "&Add New User"},
          {"mnuToolsUserRemove", "&Remove User"},
          {"mnuToolsUserSettings", "&Edit My User Profile"},
          {"mnuToolsSep2", nullptr},
          {"mnuToolsSystemSettings", "A&pplication Settings"}}},
        {"mnuActions",
         "&Actions",
         {{"mnuActionsConnect", "&Connect to the Internet"},
          {"mnuActionsDisconnect", "D&isconnect from the Internet"},
          {"mnuActionsSep1", nullptr},
          {"mnuActionsSchedule", "Schedule &Bid"},
          {"mnuActionsDelete", "&Delete Selected Auction"},
          {"mnuActionsRefreshSelected", "Refresh &Selected Auction"},
          {"mnuActionsSep2", nullptr},
          {"mnuActionsRefresh", "&Refresh Auction List"},
          {"mnuActionsStop", "S&top Processing"},
          {"mnuActionsSep3", nullptr},
          {"mnuActionsEbaySignIn", "Si&gn Me In to eBay"},
          {"mnueActionsSep4", nullptr},
          {"mnuActionsCompactDB", "Com&pact my Database"}}},
        {"mnuHelp",
         "&Help",
         {{"mnuHelpHelp", "Zandrift &Help"},
          {"mnuHelpLegend", "Auction Icon &Legend"},
          {"mnuHelpAbout", "&About Zandrift"},
          {"mnuHelpSep2", nullptr},
          {"mnuHelpForum", "Zandrift User &Forum"}}},
    };
    for (const Menu &m : menus) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        // The bar's entry is the command the enabling rules name.
        menu->menuAction()->setObjectName(QLatin1String(m.name));
        m_menuItems.insert(QString::fromLatin1(m.name).toLower(), menu->menuAction());
        m_commands.append(menu->menuAction());
        for (const Item &i : m.items) {
            QAction *a = i.caption ? menu->addAction(QString::fromUtf8(i.caption)) : menu->addSeparator();
            a->setObjectName(QLatin1String(i.name));
            m_menuItems.insert(QString::fromLatin1(i.name).toLower(), a);
            if (i.caption)
                m_commands.append(a);
        }
    }

    const auto on = [this](const char *name, std::function<void()> handler) {
        const QByteArray procedure = QByteArray(name) + "_Click";
        connect(menuItem(QLatin1String(name)), &QAction::triggered, this,
                [procedure, handler] { runGuarded(procedure.constData(), ErrorReport::Message, handler); });
    };
    on("mnuFileLogIn", [this] {
        m_dialogs.signIn(this);
        LoadAuctionScreen();
    });
    on("mnuFileLogOut", [this] {
        CurrentUser::instance().signOut();
        m_engine->HaltOperation();
        LoadAuctionScreen();
    });
    on("mnuFileExit", [this] { mnuFileExit_Click(); });
    on("mnuToolsSyncTime", [this] {
        m_engine->TimeSync(false, false);
        ToggleToolBarsMenus();
    });
    const auto afterProfile = [this] {
        configureGridColumns();
        ShowUser();
        m_gridPane->auctionGrid().refreshLayout();
    };
    on("mnuToolsUserAdd", [this, afterProfile] {
        m_dialogs.profileWizard(this);
        afterProfile();
    });
    on("mnuToolsUserSettings", [this, afterProfile] {
        if (gCurrentUser)
            gCurrentUser->Editing = true;
        m_dialogs.profileWizard(this);
        afterProfile();
    });
    on("mnuToolsUserRemove", [this] {
        m_dialogs.deleteUser(this);
        ShowUser();
    });
    on("mnuToolsSystemSettings", [this] { mnuToolsSystemSettings_Click(); });
    on("mnuActionsConnect", [this] {
        ActionsConnect();
        ToggleToolBarsMenus();
    });
    on("mnuActionsDisconnect", [this] {
        ActionsDisconnect();
        ToggleToolBarsMenus();
    });
    on("mnuActionsSchedule", [this] {
        m_engine->ScheduleSnipe([this] { m_dialogs.scheduleSnipe(this); });
        ToggleToolBarsMenus();
    });
    on("mnuActionsDelete", [this] { mnuActionsDelete_Click(); });
    on("mnuActionsEbaySignIn", [this] { m_browserPane->signInToSite(); });
    on("mnuHelpHelp", [] { DesktopServices::openUrl(QUrl(QStringLiteral("https://www.zandrift.invalid/help/"))); });
    on("mnuHelpForum", [] { DesktopServices::openUrl(QUrl(QStringLiteral("https://www.zandrift.invalid/forum/"))); });
    on("mnuActionsRefreshSelected", [this] { m_engine->RefreshAuction(); });
    on("mnuActionsRefresh", [this] { m_engine->RefreshAllAuctions(); });
    on("mnuActionsStop", [this] {
        m_engine->HaltOperation();
        ToggleToolBarsMenus();
    });
    on("mnuActionsCompactDB", [this] {
        setAllTimersEnabled(false);
        m_dialogs.compactDatabase(this);
        setAllTimersEnabled(true);
    });
    on("mnuHelpLegend", [this] { m_dialogs.legend(this); });
    on("mnuHelpAbout", [this] { m_dialogs.about(this); });
}

void frmAuction::mnuToolsSystemSettings_Click()
{
    m_dialogs.systemSettings(this);
    ApplySystemSettings();
    setAllTimersEnabled(!gSettings->NotSetup);
    for (const char *name : {"mnuActions", "mnuFile", "mnuHelp", "mnuTools"})
        menuItem(QLatin1String(name))->setEnabled(true);
    if (!gSettings->NotSetup) {
        for (QAction *command : qAsConst(m_commands))
            command->setEnabled(true);
    }
    ToggleToolBarsMenus();
}

void frmAuction::ApplySystemSettings()
{
    InetTransfer &inet = m_engine->Inet1();
    switch (gSettings->ConnectionType) {
    case 0:
    case 1:
        inet.setAccessType(InetTransfer::icUseDefault);
        break;
    case 2:
        inet.setAccessType(InetTransfer::icDirect);
        break;
    case 3:
        inet.setProxy(gSettings->ProxyServer);
        inet.setAccessType(InetTransfer::icNamedProxy);
        break;
    default:
        break;
    }
}
