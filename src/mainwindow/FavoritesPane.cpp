#include "mainwindow/FavoritesPane.h"

#include "platform/FormTimer.h"
#include "platform/MsgBox.h"
#include "platform_gui/Pictures.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

namespace {
constexpr int TagRole = Qt::UserRole + 1;
constexpr int PictureRole = Qt::UserRole + 2;

// Siblings in the order a person expects: letter case aside first.
class FavoriteItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int c = text(0).compare(other.text(0), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text(0) < other.text(0);
    }
};

void appendSubtree(QTreeWidgetItem *it, QList<QTreeWidgetItem *> &out)
{
    out.append(it);
    for (int i = 0; i < it->childCount(); ++i)
        appendSubtree(it->child(i), out);
}

int depthOf(const QTreeWidgetItem *it)
{
    int depth = 0;
    for (const QTreeWidgetItem *p = it->parent(); p; p = p->parent())
        ++depth;
    return depth;
}

// A shortcut file may name any scheme; the browser is sent only to web pages.
bool isWebAddress(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}
} // namespace

FavoritesPane::FavoritesPane(FormTimer &tmrFav, QWidget *parent)
    : QFrame(parent), m_tmrFav(tmrFav), m_tree(new QTreeWidget(this)), m_label(new QLabel(this)),
      m_close(new QPushButton(this))
{
    setObjectName(QStringLiteral("fraFavorites"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    m_label->setObjectName(QStringLiteral("lblFavorites"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setText(QStringLiteral("Favorites"));
    m_close->setObjectName(QStringLiteral("cmdCloseFavorites"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_close->setFlat(true);
    connect(m_close, &QPushButton::clicked, this, &FavoritesPane::cmdCloseFavorites_Click);

    m_tree->setObjectName(QStringLiteral("sftFavorites"));
    m_tree->setColumnCount(1);
    m_tree->header()->hide();
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_building)
            sftFavorites_SelChange();
    });
    connect(m_tree, &QTreeWidget::itemExpanded, this, &FavoritesPane::sftFavorites_ExpandCollapse);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, &FavoritesPane::sftFavorites_ExpandCollapse);
    connect(&m_tmrFav, &FormTimer::timeout, this, &FavoritesPane::tmrFav_Timer);

    // The window places the label, the button and the tree, and keeps them in place as the pane
    // is resized.
    hide();
}

void FavoritesPane::BuildFavoritesTree()
{
    // The pass of pending events below can deliver a second press of the button.
    if (m_building)
        return;
    m_building = true;
    m_label->setText(QStringLiteral("Building List of Favorites..."));
    show();
    raise();
    clearTree();
    const QPointer<FavoritesPane> self(this);
    QCoreApplication::processEvents();
    if (!self)
        return;
    const auto built = qScopeGuard([this] { m_building = false; });
    setBulkUpdate(true);

    const QString folder = FavoritesFolder();
    if (folder.isEmpty()) {
        MsgBox::show(QStringLiteral("Unable to Locate Favorites Folder."),
                     QStringLiteral("Error Locating Favorites Folder"));
        setBulkUpdate(false);
        return;
    }
    WalkFavoritesFolder(folder, -1, false, false);
    WalkFavoritesFolder(folder, -2, false, true);
    armFavTimer();
    m_tree->doItemsLayout();
    m_tree->sortItems(0, Qt::AscendingOrder);
    m_tree->collapseAll();
    m_label->setText(QStringLiteral("Favorites"));
    setBulkUpdate(false);
}

void FavoritesPane::clearTree()
{
    m_tree->clear();
    m_lastAtLevel.clear();
}

void FavoritesPane::setBulkUpdate(bool on)
{
    m_tree->setUpdatesEnabled(!on);
}

// At the end, under the nearest item before it one level up; top-level when there is none.
void FavoritesPane::addItem(const QString &text, qint32 level, const QString &tag, const QString &picture)
{
    auto *it = new FavoriteItem(QStringList{text});
    it->setData(0, TagRole, tag);
    setPicture(it, picture);
    QTreeWidgetItem *parent = level > 0 && level - 1 < m_lastAtLevel.size() ? m_lastAtLevel[level - 1] : nullptr;
    if (parent)
        parent->addChild(it);
    else
        m_tree->addTopLevelItem(it);
    const int depth = depthOf(it);
    m_lastAtLevel.resize(qMax<qsizetype>(m_lastAtLevel.size(), depth + 1));
    m_lastAtLevel[depth] = it;
}

void FavoritesPane::setPicture(QTreeWidgetItem *it, const QString &picture)
{
    it->setData(0, PictureRole, picture);
    it->setIcon(0, programPicture(picture));
}

QList<QTreeWidgetItem *> FavoritesPane::order() const
{
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        appendSubtree(m_tree->topLevelItem(i), items);
    return items;
}

QTreeWidgetItem *FavoritesPane::item(qint32 index) const
{
    const QList<QTreeWidgetItem *> items = order();
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

qint32 FavoritesPane::indexOf(QTreeWidgetItem *it) const
{
    return it ? static_cast<qint32>(order().indexOf(it)) : -1;
}

qint32 FavoritesPane::itemCount() const
{
    return static_cast<qint32>(order().size());
}

QString FavoritesPane::itemText(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->text(0) : QString();
}

qint32 FavoritesPane::itemLevel(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? depthOf(it) : 0;
}

QString FavoritesPane::itemTag(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->data(0, TagRole).toString() : QString();
}

QString FavoritesPane::itemPicture(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    return it ? it->data(0, PictureRole).toString() : QString();
}

qint32 FavoritesPane::currentItem() const
{
    return indexOf(m_tree->currentItem());
}

void FavoritesPane::selectItem(qint32 index)
{
    if (QTreeWidgetItem *it = item(index))
        m_tree->setCurrentItem(it);
}

void FavoritesPane::setItemExpanded(qint32 index, bool expanded)
{
    if (QTreeWidgetItem *it = item(index))
        it->setExpanded(expanded);
}

QString FavoritesPane::ItemRelativePath(qint32 index) const
{
    QTreeWidgetItem *it = item(index);
    if (!it)
        return QString();
    QString path = it->text(0);
    for (QTreeWidgetItem *p = it->parent(); p; p = p->parent())
        path = p->text(0) + QLatin1Char('/') + path;
    return path;
}

void FavoritesPane::OpenFavorite(qint32 index)
{
    // Only shortcuts have a file; a folder opens nothing.
    if (!itemTag(index).startsWith(QLatin1Char('l')))
        return;
    const QString folder = FavoritesFolder();
    if (folder.isEmpty())
        return;
    const QString address = ReadUrlFile(folder + QLatin1Char('/') + ItemRelativePath(index));
    if (isWebAddress(address))
        emit navigateRequested(address.trimmed());
}

void FavoritesPane::sftFavorites_SelChange()
{
    const qint32 current = currentItem();
    if (itemCount() < 1 || current == -1)
        return;
    OpenFavorite(current);
    armFavTimer();
}

void FavoritesPane::sftFavorites_ExpandCollapse()
{
    armFavTimer();
}

QString FavoritesPane::sftFavorites_ToolTip(qint32 index) const
{
    if (!itemTag(index).startsWith(QLatin1Char('l')))
        return QString();
    const QString folder = FavoritesFolder();
    return folder.isEmpty() ? QString() : ReadUrlFile(folder + QLatin1Char('/') + ItemRelativePath(index));
}

bool FavoritesPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree->viewport() && event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = sftFavorites_ToolTip(indexOf(m_tree->itemAt(help->pos())));
        // The file's text is shown as it is, never as markup.
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal),
                               m_tree->viewport());
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void FavoritesPane::armFavTimer()
{
    m_tmrFav.setInterval(1);
    m_tmrFav.setEnabled(true);
}

void FavoritesPane::tmrFav_Timer()
{
    for (QTreeWidgetItem *it : order()) {
        if (it->data(0, TagRole).toString().startsWith(QLatin1Char('f')))
            setPicture(it, it->childCount() > 0 && it->isExpanded() ? QStringLiteral("picOpenFavFolder")
                                                                    : QStringLiteral("picClosedFavFolder"));
    }
    m_tmrFav.setEnabled(false);
    m_tmrFav.setInterval(0);
}

void FavoritesPane::cmdCloseFavorites_Click()
{
    hide();
}
