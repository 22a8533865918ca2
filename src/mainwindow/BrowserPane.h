#pragma once

#include "platform_gui/IBrowser.h"

#include <QHash>
#include <QUrl>
#include <QWidget>
#include <functional>

class AuctionEngine;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;

// The built-in browser pane: the browser (WB) with its toolbar (tbrBrowser), the address box
// (cboURL) with its go controls (cmdWBGo, tbrGo), the page title (lblAuctionView) and the
// browser's status line (stsbarWB) with its progress bar (prgWB). It adds the auction shown to
// the import queue and signs the program user into the site.
class BrowserPane : public QWidget
{
    Q_OBJECT
public:
    // The maker's pages. There is no maker site behind them: the news page falls back to the
    // local start page when it cannot be reached.
    static constexpr const char *kNewsPage = "https://www.zandrift.invalid/news.html";
    static constexpr const char *kSearchPage = "https://www.zandrift.invalid/search.html";

    // browser: the browser control; the pane takes it over. engine: the import check and the
    // queue; its window gives the selected folder and the main status line. isOnline: whether
    // the program is online for bidding (IsOnlineForBid when not given).
    BrowserPane(IBrowser *browser, AuctionEngine &engine, QWidget *parent = nullptr,
                std::function<bool()> isOnline = {});

    IBrowser *WB() const { return m_wb; }
    QToolBar *tbrBrowser() const { return m_tbrBrowser; }
    QComboBox *cboURL() const { return m_cboURL; }
    QPushButton *cmdWBGo() const { return m_cmdWBGo; }
    QToolBar *tbrGo() const { return m_tbrGo; }
    QLabel *lblAuctionView() const { return m_lblAuctionView; }
    QFrame *stsbarWB() const { return m_stsbarWB; }
    QProgressBar *prgWB() const { return m_prgWB; }
    // tbrBrowser's buttons by key; null for an unknown key.
    QAction *button(const QString &key) const { return m_buttons.value(key); }
    // The ebay button's drop-down items: "ebay" and "ebaysignin".
    QAction *buttonMenuItem(const QString &key) const { return m_menuItems.value(key); }

    // The page shown, for the window's browserDocumentTitle and browserAddress.
    QString documentTitle() const;
    QString address() const;
    bool isBusy() const;
    // The engage button is pressed: the browser follows the auction selected in the grid.
    bool isEngaged() const;
    // The status line's first panel.
    QString statusText() const;
    // Where the page is drawn, in the pane's pixels: below the toolbar, the address box and the
    // title, above the status line.
    QRect pageArea() const;

    // The local start page: html/index.html in the program folder (a blank page when something
    // other than a file stands there).
    static QUrl localPage();
    // Why the sign-in form of the page at signInPage must not get the password when it sends to
    // formTarget: another host, or plain http from an https page. Empty when it may.
    static QString signInFormRefusal(const QUrl &signInPage, const QUrl &formTarget);

public slots:
    // Navigates; an address that cannot be navigated to, or a page that fails to load, is
    // reported with a message and the program goes on. The address box shows url afterwards.
    void NavigateSafe(const QString &url);
    // The maker's news page when online, the local start page otherwise or when it fails.
    void ShowNewsPage();
    // The main toolbar's news button: the news page through NavigateSafe, the local start page
    // when it fails.
    void tbrNews_Click();
    // Signs the signed-in program user into the site: opens its sign-in page, whose form is
    // filled and sent once it has loaded. Does nothing while nobody is signed in.
    void signInToSite();
    void UpdateAddAuctionButton();
    // The sign-in item of the ebay drop-down, enabled exactly while a user is signed in.
    void setSignInEnabled(bool enabled);
    // The auction selected in the grid: while the browser is linked and the program online, its
    // item page, with the address box showing that address.
    void ShowSelectedAuction(const QString &itemNumber);

    void tbrBrowser_ButtonClick(const QString &key);
    void tbrBrowser_ButtonMenuClick(const QString &key);
    void cboURL_Click();
    void cmdWBGo_Click();
    void tbrGo_ButtonClick();
    void cboURL_KeyUp();

signals:
    void favoritesRequested();
    // The engage button changed; the window shows the selected auction when it is pressed.
    void engageChanged(bool engaged);
    // A key was released in the address box: Enter there now navigates, so the add strip's OK
    // is no longer the default button.
    void goBecameDefault();
    void busyChanged(bool busy);
    // The page area moved or changed its size within the pane.
    void pageAreaChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildToolbar();
    // The toolbar's buttons as wide as the pane lets every one of them show.
    void fitToolbar(int width);
    void buildAddressRow();
    QUrl siteHome() const;
    void refreshSiteButton();

    void WB_NavigateComplete2(const QUrl &url);
    void WB_DocumentComplete(const QUrl &url);
    void WB_LoadFinished(const QUrl &url, IBrowser::LoadResult result);
    void WB_StatusTextChange(const QString &text);
    void WB_ProgressChange(int progress, int progressMax);
    void tbrAddAuction_Click();
    void engage_Click(bool pressed);
    // Starts a navigation the user is told about when it fails.
    bool navigateReported(const QString &url);
    void navigationFailed(const QString &url);
    void navigateWithFallback(const QUrl &url);

    IBrowser *m_wb;
    AuctionEngine &m_engine;
    std::function<bool()> m_isOnline;
    QToolBar *m_tbrBrowser = nullptr;
    QToolButton *m_siteButton = nullptr;
    QComboBox *m_cboURL = nullptr;
    QPushButton *m_cmdWBGo = nullptr;
    QToolBar *m_tbrGo = nullptr;
    QLabel *m_lblAuctionView = nullptr;
    QFrame *m_stsbarWB = nullptr;
    QLabel *m_statusPanel = nullptr;
    QProgressBar *m_prgWB = nullptr;
    QHash<QString, QAction *> m_buttons;
    QHash<QString, QAction *> m_menuItems;
    // A NavigateSafe whose page has not finished: its address, as given, and as navigated.
    QString m_safeText;
    QUrl m_safeUrl;
    // The news page being loaded, replaced by the local start page when it fails.
    QUrl m_newsUrl;
};
