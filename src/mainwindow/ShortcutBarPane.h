#pragma once

#include "store/Shortcuts.h"

#include <QPoint>
#include <QString>
#include <QWidget>

class ListBar;
class QAction;
class QMenu;
class QToolBar;

// The shortcut bar lbarOutlook with its toolbar tbrOutlook: the "Views" group that switches the
// view window, and the "Auctions" group of the signed-in user's shortcuts to folders ("f" and
// the folder's key) and auctions ("a" and the auction's key). The bar is the working copy of the
// user's Shortcuts rows: a drop and "Remove ShortCut" write at once, the order reaches the table
// through SaveShortcuts at shutdown.
//
// Showing a folder or an auction, switching the view and moving the window's other panes are
// the window's: the pane tells it through signals.
class ShortcutBarPane : public QWidget
{
    Q_OBJECT
public:
    // Groups of the bar, 1-based.
    static constexpr int kAuctionsGroup = 1;
    static constexpr int kViewsGroup = 2;

    explicit ShortcutBarPane(QWidget *parent = nullptr);

    ListBar &lbarOutlook() const { return *m_bar; }
    QToolBar *tbrOutlook() const { return m_toolBar; }
    // The toolbar's one button; its data is its key, "minus" or "plus".
    QAction *tbrOutlookButton() const { return m_button; }
    QMenu *mnuOutlookPopUp() const { return m_menu; }
    QString shortcutItemKey() const { return mShortcutItem; }

    // Start-up: the image list and the "Views" items.
    void BuildShortcutBar();
    // Sign-in (and sign-out): the signed-in user's shortcuts in the order they were saved; empty
    // when nobody is signed in.
    void LoadShortcutBar();
    // Shutdown: replaces the user's rows by the bar's items in one transaction. False when
    // nothing was written (the old rows stay).
    bool SaveShortcuts();

    // Drops by key, at a position of the "Auctions" group (0: at the end). The row is written
    // at once; a shortcut that exists already is refused with a message. True when added.
    bool AddFolderShortcut(qint32 folderKey, int position = 0);
    bool AddAuctionShortcut(qint32 auctionKey, int position = 0);

    // The bar's event handlers, public so that tests can drive them. Points are in the bar's
    // coordinates.
    void lbarOutlook_ItemClick(int group, int index);
    void lbarOutlook_MouseUp(Qt::MouseButton button, const QPoint &pos);
    void lbarOutlook_DragDrop(const QString &source, const QPoint &pos);
    void mnuOutlookPopUpRemove_Click();
    void tbrOutlook_ButtonClick();
    // Hide and show the bar; the window moves its other panes on barVisibilityChanged.
    void OutlookOff();
    void OutlookOn();

public slots:
    // What a drag from the folder tree or the auction grid carries: the tree's selected folder
    // (its folderSelected) and the grid's dragged auction (its drag start).
    void setDraggedFolder(qint32 folderKey) { m_dragFolderKey = folderKey; }
    void setDraggedAuction(qint32 auctionKey) { m_dragAuctionKey = auctionKey; }
    // Removes the items whose folder or auction row is gone (after a folder deletion).
    void PruneShortcutBar();
    // Removes the auction's shortcut, if any (the auction was deleted).
    void RemoveAuctionShortcut(qint32 auctionKey);

signals:
    // A folder shortcut was clicked: the folder tree selects and shows the folder.
    void folderShortcutClicked(qint32 folderKey);
    // An auction shortcut was clicked: the grid shows the folder and selects the auction.
    void auctionShortcutClicked(qint32 folderKey, qint32 auctionKey);
    // A "Views" item was clicked: the view chooser takes this entry (0 browser, 1 auction log,
    // 2 general error log).
    void viewChosen(int index);
    // The bar was hidden or shown: the window moves its other panes (1680 twips) and lays out.
    void barVisibilityChanged(bool visible);

private:
    // "f12" is folder 12, "a7" auction 7; false for anything else.
    static bool parseKey(const QString &key, shortcut_store::Target *target);
    static QString keyOf(const shortcut_store::Target &target);
    void invalidShortcutRemoved(const QString &key);
    bool addShortcut(const shortcut_store::Target &target, int position);
    void setToolBarKey(const QString &key);
    void removeItem(const QString &key);

    ListBar *m_bar;
    QToolBar *m_toolBar;
    QAction *m_button;
    QMenu *m_menu;
    QAction *mnuOutlookPopUpRemove;
    // The key of the item under the mouse at the last right-click.
    QString mShortcutItem;
    qint32 m_dragFolderKey = -1;
    qint32 m_dragAuctionKey = -1;
};
