#pragma once

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QToolBox>
#include <stdexcept>

class ListBarList;
class QListWidget;

// A failed list-bar operation; number() is the list bar's error code (40003: the key exists
// already in the group, 35600: no such group or position).
class ListBarError : public std::runtime_error
{
public:
    ListBarError(int number, const char *what) : std::runtime_error(what), m_number(number) {}
    int number() const { return m_number; }

private:
    int m_number;
};

// The list bar: groups of large-icon items, one group shown at a time, as the program addresses
// it: groups and items count from 1, each item has a key unique within its group, a text
// (plain) and an icon taken from the bar's image list by index. Points are in the bar's own
// coordinates. Drags of the program's own controls are reported as they move over the shown
// group and drop on it, with the source control's objectName.
class ListBar : public QToolBox
{
    Q_OBJECT
public:
    static constexpr int kDuplicateKey = 40003;
    static constexpr int kBadIndex = 35600;

    explicit ListBar(QWidget *parent = nullptr);

    // The image list: index from 1, a key and one of the program's pictures by name.
    void addImage(int index, const QString &key, const QString &picture);
    QString imageKey(int index) const;

    // A new group at the end; returns its index.
    int addGroup(const QString &caption, const QString &key);
    int groupCount() const { return count(); }
    QString groupCaption(int group) const;
    QString groupKey(int group) const;
    int currentGroup() const { return currentIndex() + 1; }
    void setCurrentGroup(int group) { setCurrentIndex(group - 1); }

    // A new item at position (1 .. count + 1; the items from there on move down). Throws
    // ListBarError: kDuplicateKey when the key exists in the group, kBadIndex for a bad group
    // or position.
    void addItem(int group, int position, const QString &key, const QString &text);
    int itemCount(int group) const;
    QString itemKey(int group, int index) const;
    QString itemText(int group, int index) const;
    int itemIcon(int group, int index) const;
    void setItemIcon(int group, int index, int icon);
    // The item's index, 0 when no item has the key.
    int findItem(int group, const QString &key) const;
    void removeItem(int group, int index);
    void clearItems(int group);

    // 2 when the point lies over an item of the shown group, 0 otherwise.
    int hitArea(const QPoint &pos) const;
    // The index of the shown group's item under the point, 0 when none.
    int itemAt(const QPoint &pos) const;
    // Where an item of the shown group stands, for tests and pop-ups.
    QRect itemRect(int index) const;
    QListWidget *groupList(int group) const;

signals:
    void itemClicked(int group, int index);
    void mouseUp(Qt::MouseButton button, const QPoint &pos);
    void dragOver(const QString &source, const QPoint &pos);
    // Told once the drag has ended, so the handler may show a message box.
    void dropped(const QString &source, const QPoint &pos);

private:
    friend class ListBarList;
    ListBarList *list(int group) const;
    QListWidget *checkedList(int group) const;
    QPoint toList(const QPoint &barPos) const;
    void applyIcon(int group, int index);

    QHash<int, QString> m_imageKeys;
    QHash<int, QString> m_imagePictures;
};
