#pragma once

#include "engine/IMainWindow.h"
#include "layout/BNResizer.h"
#include "store/BSN_Users.h"
#include "store/CurrentUser.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class AddAuctionStrip;
class AuctionEngine;
class AuctionGridPane;
class BNQItem;
class BrowserPane;
class FolderTreePane;
class FavoritesPane;
class ShortcutBarPane;
class IBrowser;
class QToolBar;
class LogViewsPane;
class StatusBarPane;
class FormTimer;
class IDialogs;
class ITrayIcon;
class QComboBox;
class QLabel;
class QMenu;
class QAction;
class SingleInstance;
class SplitterGrip;
class WidgetResizable;
class QFrame;

// The main window: it composes the panes, wires them to the engine, the store and the dialogs,
// and runs start-up and shutdown.
class frmAuction : public QMainWindow, public IMainWindow
{
    Q_OBJECT
public:
    // browser: the built-in browser control (tests give a fake); the real one when null.
    explicit frmAuction(IDialogs &dialogs, IBrowser *browser = nullptr);
    ~frmAuction() override;

    // The start-up sequence. False when this copy ends at once (another copy runs, or the
    // database cannot be opened); the caller then leaves without showing anything.
    bool Form_Load(const QString &commandLine);
    // The close request; Cancel non-zero keeps the window. UnloadMode 2 is the operating system
    // ending the session, 3 the task manager.
    void Form_QueryUnload(qint16 &Cancel, qint16 UnloadMode);
    void tmrTerminate_Timer();
    void mnuFileExit_Click();
    // The session ends (SIGTERM, log-out): close at once, without the confirmation, from any
    // state; an open modal dialog is ended unanswered.
    void closeForShutdown();

    void LoadAuctionScreen();
    // The tray: a fake can be given before Form_Load (tests), the desktop's is made otherwise.
    void setTrayIcon(std::unique_ptr<ITrayIcon> tray);
    ITrayIcon &trayIcon();
    void AddTrayIcon();
    void MinimizeToTray();
    void HideToTray();
    void trayIcon_DoubleClick();
    void mnuTrayPopupRestore_Click();
    void mnuTrayPopupClose_Click();
    QMenu *trayMenu() const { return mnuTrayPopup; }
    void ShowUser();
    // The connection type of the settings applied to the transfer control.
    void ApplySystemSettings();
    QAction *menuItem(const QString &name) const;

    AuctionEngine &engine() { return *m_engine; }
    AuctionGridPane &gridPane() { return *m_gridPane; }
    LogViewsPane &logPane() { return *m_logPane; }
    StatusBarPane &statusPane() { return *m_statusPane; }
    AddAuctionStrip &addStrip() { return *m_addStrip; }
    FolderTreePane &folderPane() { return *m_folderPane; }
    ShortcutBarPane &shortcutPane() { return *m_shortcutPane; }
    void showFolderByKey(qint32 folderKey);
    BrowserPane &browserPane() { return *m_browserPane; }
    QAction *toolbarButton(const QString &key) const;
    void mnuActionsDelete_Click();
    void Toolbar1_ButtonClick(const QString &key);
    IDialogs &dialogs() { return m_dialogs; }
    // Every timer of the window on or off (the engine's and the window's own).
    void setAllTimersEnabled(bool on);
    bool startedMinimised() const { return m_startMinimised; }
    // Another copy was running: this one ends at once.
    bool isDuplicate() const { return mblnDuplicate; }
    // The user kept over a minimise to the tray (signed in again on restoring).
    const UserPtr &keptUser() const { return CurrentUser::instance().asideUser(); }
    // The window has finished closing (phase 2 ran).
    bool isClosed() const { return m_closed; }

signals:
    // The window has finished closing: the program has nothing left to run.
    void closed();

public:
    // IMainWindow
    void SetStatusText(QString &action, QString &step) override;
    QString statusPanel(int panel) const override;
    void setStatusPanel(int panel, const QString &text) override;
    void ToggleToolBarsMenus() override;
    void BuildAuctionGrid(qint32 folderKey) override;
    void showAuctionRow(qint32 auctionKey) override;
    void sftFolders_SelChange() override;
    qint32 selectedFolderKey() const override;
    qint32 selectedFolderRootKey() const override;
    bool folderTreeHasSelection() const override;
    qint32 selectedFolderRow() const override;
    TreeGrid &auctionGrid() override;
    QString browserDocumentTitle() const override;
    QString browserAddress() const override;
    void ShowAlreadyQueued(const QString &itemNumber) override;
    void setAddAuctionEnabled(bool enabled) override;
    void setAddAuctionDefault(bool isDefault) override;
    void hideAddAuctionStrip() override;
    void UpdateTimeLeftColumn() override;
    void updateCaption() override;
    void reloadGeneralLogView() override;
    void setLogHeadingColor(qint32 rgb) override;
    void reloadAuctionLogView() override;
    void unloadWindow() override;
    void showDatabaseTrouble(const QString &message) override;

    // Twips per pixel for the layout; 0 (the default) reads it from the screen. Tests fix it
    // before Form_Load.
    static void setLayoutTwipsPerPixel(double twipsPerPixel);
    // A pane as the layout sees it (by its layout name: "sftAuctions", "imgSplitterY", ...), or null.
    IResizable *layoutControl(const QString &name) const;
    // Positions in twips; both write the clamped value back.
    void SplitX(float &x);
    void SplitY(float &y);
    void ExpandViewWindow();
    void ShrinkViewWindow();
    void tbrViewTack_ButtonClick();
    QAction *tbrViewTackButton() const { return m_tackButton; }
    void LayoutFavoritesPane();
    void SizeWindowToScreen();
    void SaveLayout();
    void RestoreLayout();
    // The resize handler's layout part (the minimise part is the window state's).
    void Form_Resize();
    // The splitter grips' mouse handlers; offsets are the pointer's within the grip, in twips.
    void imgSplitterX_MouseDown();
    void imgSplitterX_MouseMove(bool buttonHeld, float x);
    void imgSplitterX_MouseUp();
    void imgSplitterY_MouseDown();
    void imgSplitterY_MouseMove(bool buttonHeld, float y);
    void imgSplitterY_MouseUp();

    const FormTimer &dateTimeTimer() const { return *tmrDateTime; }
    const FormTimer &terminateTimer() const { return *tmrTerminate; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QMenu *mnuTrayPopup = nullptr;
    bool mblnDuplicate = false;
    // The imports and refreshes the minimise took out of the queue, asked again on the restore.
    QList<std::shared_ptr<BNQItem>> m_setAside;
    // The window layout, in twips. rszMain follows the window's size.
    BNResizer rszMain;
    FormTimer *tmrDateTime = nullptr;
    FormTimer *tmrStatusAdjust = nullptr;
    FormTimer *tmrFav = nullptr;
    FormTimer *tmrTerminate = nullptr;

    void buildMenus();
    void buildTrayMenu();
    void windowStateChanged();
    void restoreFromTray();
    void setQueuedWorkAside();
    void carryOnSetAsideWork();
    void bringToFront();
    void buildPanes(IBrowser *browser);
    void buildToolbar();
    void syncToolbarWithMenus();
    void SetToolbarIcons();
    void buildLayoutControls();
    void placeDesignedLayout();
    void BuildViewWindowLists();
    void SetupResizers();
    void InitResizers();
    void startLayout();
    void moveWithShortcutBar(bool visible);
    void setTackKey(const QString &key);
    void moveViewWindow(bool enlarge);
    void splitterMouseDown(bool vertical);
    void splitterMouseMove(bool vertical, bool buttonHeld, float offset);
    void splitterMouseUp(bool vertical, bool release);
    void clampAuctionSplit();
    WidgetResizable &ctl(const char *name) const;
    bool openStore();
    void endModalDialogs();
    void signInAtStart();
    void startupTimeSync();
    void UpdateWindowCaption();
    void configureGridColumns();
    void mnuToolsSystemSettings_Click();
    void cboView_Click();
    void showSelectedAuction();

    IDialogs &m_dialogs;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<AuctionEngine> m_engine;
    std::unique_ptr<ITrayIcon> m_tray;
    // Form_Load has run to its end.
    bool m_loaded = false;
    QWidget *m_central = nullptr;
    QLabel *lblHeading = nullptr;
    QComboBox *cboView = nullptr;
    AuctionGridPane *m_gridPane = nullptr;
    LogViewsPane *m_logPane = nullptr;
    StatusBarPane *m_statusPane = nullptr;
    AddAuctionStrip *m_addStrip = nullptr;
    BrowserPane *m_browserPane = nullptr;
    FolderTreePane *m_folderPane = nullptr;
    ShortcutBarPane *m_shortcutPane = nullptr;
    FavoritesPane *m_favoritesPane = nullptr;
    QToolBar *Toolbar1 = nullptr;
    bool m_startMinimised = false;
    bool m_closed = false;
    qint16 m_unloadMode = 0;
    QHash<QString, QAction *> m_menuItems;
    // The menus and their commands, separators left out.
    QList<QAction *> m_commands;

    // The layout's controls, by their layout names.
    std::vector<std::unique_ptr<WidgetResizable>> m_layoutControls;
    std::unique_ptr<WidgetResizable> m_windowControl;
    BNResizer rszSplitterX;
    BNResizer rszSplitterY;
    BNResizer rszFavorites;
    QList<IResizable *> colViewWindow;
    QList<WidgetResizable *> colUpperPanes;
    qint32 mViewOffset = 0;
    bool m_layoutReady = false;
    QLabel *lblAuctionHeader = nullptr;
    QToolBar *tbrViewTack = nullptr;
    QAction *m_tackButton = nullptr;
    SplitterGrip *imgSplitterX = nullptr;
    SplitterGrip *imgSplitterY = nullptr;
    QFrame *picSplitterX = nullptr;
    QFrame *picSplitterY = nullptr;
};
