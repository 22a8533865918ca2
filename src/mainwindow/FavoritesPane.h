#pragma once

#include <QFrame>
#include <QList>
#include <QString>
#include <QVector>

class FormTimer;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The favorites pane fraFavorites: the web shortcuts (".url" files) of the user's favorites
// folder as a tree (sftFavorites) of its subfolders and shortcuts; choosing a shortcut sends the
// built-in browser to its address. Items are addressed by index in the tree's order from 0 (a
// parent's descendants follow it), each with a level (0 at the top), a tag ("f" or "l" followed
// by its text) and a picture.
//
// The favorites folder is the folder named "favorites" (any letter case) in the user's profile
// folder: the one USERPROFILE names when it is set, else the home folder. Only http and https
// addresses are opened; symbolic links to folders are not walked.
class FavoritesPane : public QFrame
{
    Q_OBJECT
public:
    // tmrFav is the window's: armed with 1 ms to refresh the folder pictures once, right after
    // the current event; its tick runs tmrFav_Timer, which disarms it.
    explicit FavoritesPane(FormTimer &tmrFav, QWidget *parent = nullptr);

    QTreeWidget *sftFavorites() const { return m_tree; }
    QLabel *lblFavorites() const { return m_label; }
    QPushButton *cmdCloseFavorites() const { return m_close; }

    // The favorites folder's path, empty when there is none.
    static QString FavoritesFolder();
    // The browser toolbar's "favorites" button: shows the pane and fills the tree from the disk.
    // Does nothing while a build runs.
    void BuildFavoritesTree();
    // Adds the items of one folder (see the class comment for the levels).
    void WalkFavoritesFolder(const QString &path, qint32 level, bool addSelf, bool linksOnly);
    // "Auction Site.url" gives "Auction Site" (any case of "url"); anything else "NOTAURL".
    static QString UrlDisplayName(const QString &fileName);
    // The texts of the item's ancestors and its own, top first, joined by "/".
    QString ItemRelativePath(qint32 item) const;
    // The address in the first 3 lines of path + ".url" ("URL=" in any case, BASEURL too);
    // empty when there is none or the file cannot be read.
    static QString ReadUrlFile(const QString &path);
    // Sends the browser to a shortcut's address when it is an http or https address.
    void OpenFavorite(qint32 item);

    // The tree's event handlers, public so that tests can drive them.
    void sftFavorites_SelChange();
    void sftFavorites_ExpandCollapse();
    // The tooltip of an item: a shortcut's address, nothing for a folder.
    QString sftFavorites_ToolTip(qint32 item) const;
    void tmrFav_Timer();
    void cmdCloseFavorites_Click();

    bool isBuilding() const { return m_building; }
    qint32 itemCount() const;
    QString itemText(qint32 item) const;
    qint32 itemLevel(qint32 item) const;
    QString itemTag(qint32 item) const;
    QString itemPicture(qint32 item) const;
    qint32 currentItem() const;
    // As the user does: the selection handler runs.
    void selectItem(qint32 item);
    void setItemExpanded(qint32 item, bool expanded);

signals:
    // A shortcut was chosen: the built-in browser navigates to its address.
    void navigateRequested(const QString &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addItem(const QString &text, qint32 level, const QString &tag, const QString &picture);
    void clearTree();
    void setBulkUpdate(bool on);
    void armFavTimer();
    void walkError(int number, const QString &description, const QString &path);
    QList<QTreeWidgetItem *> order() const;
    QTreeWidgetItem *item(qint32 index) const;
    qint32 indexOf(QTreeWidgetItem *it) const;
    static void setPicture(QTreeWidgetItem *it, const QString &picture);

    FormTimer &m_tmrFav;
    QTreeWidget *m_tree;
    QLabel *m_label;
    QPushButton *m_close;
    // The item added last at each depth: the parent of the next item one level deeper.
    QVector<QTreeWidgetItem *> m_lastAtLevel;
    bool m_building = false;
};
