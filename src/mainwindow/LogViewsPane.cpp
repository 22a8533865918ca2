#include "LogViewsPane.h"

#include "ElidedTextToolTip.h"

#include "BSN_User.h"
#include "Database.h"
#include "DesktopServices.h"
#include "Globals.h"
#include "MsgBox.h"
#include "ProgramFolder.h"
#include "SafeText.h"
#include "Values.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QSaveFile>
#include <QTreeWidget>

namespace {

QTreeWidget *makeLogTree(const QString &name, QWidget *parent)
{
    auto *tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Message")});
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setAllColumnsShowFocus(true);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(true);
    // A line longer than the pane is read in full in its tooltip.
    ElidedTextToolTip::install(tree);
    return tree;
}

// Fills a log grid from a query of time stamps and messages, in query order.
void fillLog(TreeGrid &grid, const QString &sql, const QVariantList &params)
{
    auto rs = gDB->openQuery(sql, params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const qint32 row =
            grid.addRow(Values::formatGeneralDate(rs->value(QStringLiteral("LOG_TimeStamp")).toDateTime()));
        grid.setCellText(row, 1, rs->value(QStringLiteral("LOG_Message")).toString());
    }
}

// One part of a file name: nothing in it may name another folder or hide what the name says.
// Separators, control characters and the marks that reverse text become "_", so "../x" stays
// the harmless name ".._x" inside the logs folder.
QString fileNamePart(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || safe_text::isUnsafe(c.unicode()))
            c = QLatin1Char('_');
    }
    return out;
}

void exportError(int number, const QString &description)
{
    MsgBox::show(QStringLiteral("Error exporting Auction Log.  Error Number: %1, Error Description: %2")
                     .arg(number)
                     .arg(description),
                 QStringLiteral("Error During Export"));
}

} // namespace

LogViewsPane::LogViewsPane(QWidget *parent)
    : QWidget(parent), m_auctionLogTree(makeLogTree(QStringLiteral("sftAuctionLog"), this)),
      m_errorLogTree(makeLogTree(QStringLiteral("sftErrorLog"), this)), m_auctionLog(m_auctionLogTree),
      m_errorLog(m_errorLogTree), m_popUp(new QMenu(this))
{
    m_popUp->setObjectName(QStringLiteral("mnuLogPopUp"));
    QAction *exportAction = m_popUp->addAction(QStringLiteral("Export Log to Notepad"));
    exportAction->setObjectName(QStringLiteral("mnuLogPopUpExport"));
    connect(exportAction, &QAction::triggered, this, &LogViewsPane::mnuLogPopUpExport_Click);

    m_auctionLogTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_auctionLogTree, &QWidget::customContextMenuRequested, this,
            [this] { sftAuctionLog_MouseUp(Qt::RightButton); });
}

void LogViewsPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_auctionLogTree->setGeometry(rect());
    m_errorLogTree->setGeometry(rect());
}

void LogViewsPane::setSelectedAuction(qint32 auctionKey, bool auctionGridHasRows)
{
    m_selectedAuction = auctionKey > 0 ? auctionKey : 0;
    m_gridHasRows = auctionGridHasRows;
    // Called from the grid's signals: a log that cannot be read stays empty here.
    try {
        ShowAuctionLog();
    } catch (const DbError &) {
    }
}

void LogViewsPane::ShowAuctionLog()
{
    m_auctionLog.clear();
    if (!gDB || !gCurrentUser || m_selectedAuction <= 0)
        return;
    fillLog(m_auctionLog,
            QStringLiteral("SELECT Logs.LOG_TimeStamp, Logs.LOG_Message FROM Logs "
                           "INNER JOIN Auctions ON Logs.LOG_Auction = Auctions.AUC_Primary "
                           "WHERE Logs.LOG_User = ? AND Auctions.AUC_Primary = ? ORDER BY Logs.LOG_Primary"),
            {gCurrentUser->PrimaryKey, m_selectedAuction});
    m_auctionLog.refreshLayout();
}

void LogViewsPane::ShowErrorLog()
{
    // The auction log stays: it shows the selected auction until the selection changes, and a
    // general row (a failed time sync) is no reason to blank it.
    m_errorLog.clear();
    if (!gDB)
        return;
    // Rows written in the same second keep the order they were written in.
    fillLog(m_errorLog,
            QStringLiteral("SELECT LOG_Auction, LOG_TimeStamp, LOG_Message FROM Logs "
                           "WHERE LOG_Auction = 0 ORDER BY LOG_TimeStamp, LOG_Primary"),
            {});
    m_errorLog.refreshLayout();
}

void LogViewsPane::sftAuctionLog_MouseUp(Qt::MouseButton button)
{
    if (button != Qt::RightButton || !gCurrentUser || !m_gridHasRows)
        return;
    if (m_selectedAuction > 0)
        m_popUp->popup(QCursor::pos());
    else
        MsgBox::show(QStringLiteral("You must select an Auction in the Auction grid before Exporting the Auction Log."),
                     QStringLiteral("Select an Auction First"));
}

QString LogViewsPane::logsFolder()
{
    return ProgramFolder::file(QStringLiteral("logs"));
}

QString LogViewsPane::exportPath(const QString &zandroName, const QString &itemNumber)
{
    const QString name =
        fileNamePart(zandroName) + QLatin1Char('_') + fileNamePart(itemNumber) + QStringLiteral(".txt");
    return QDir(QFileInfo(logsFolder()).absoluteFilePath()).filePath(name);
}

bool LogViewsPane::SubFolderExists(const QString &name, const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).contains(name);
}

void LogViewsPane::EnsureLogsFolder()
{
    const QString program = ProgramFolder::path();
    if (!SubFolderExists(QStringLiteral("logs"), program))
        QDir(program).mkdir(QStringLiteral("logs"));
}

QString LogViewsPane::selectedItemNumber() const
{
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_ItemNumber FROM Auctions WHERE AUC_Primary = ?"),
                             {m_selectedAuction});
    if (rs->eof())
        return QString();
    return Values::trimBlanks(rs->value(QStringLiteral("AUC_ItemNumber")).toString());
}

void LogViewsPane::WriteAuctionLogFile(QIODevice &file, const QString &path, const QString &itemNumber) const
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("NOTE: THIS LOG HAS BEEN SAVED AS ") + QDir::toNativeSeparators(path) + crlf;
    text += QString(58, QLatin1Char('-')) + crlf;
    text += QStringLiteral("Auction Log for Item Number: ") + itemNumber + crlf;
    for (qint32 row = 0; row < m_auctionLog.rowCount(); ++row)
        text += m_auctionLog.cellText(row, 0) + QStringLiteral(" - ") + m_auctionLog.cellText(row, 1) + crlf;
    file.write(text.toUtf8());
}

void LogViewsPane::mnuLogPopUpExport_Click()
{
    if (!gDB || !gCurrentUser || m_selectedAuction <= 0)
        return;
    QString itemNumber;
    try {
        itemNumber = selectedItemNumber();
    } catch (const DbError &e) {
        exportError(QFileDevice::ReadError, e.message());
        return;
    }
    const QString path = exportPath(gCurrentUser->ZandroName, itemNumber);
    // Written whole or not at all; an earlier export of the same auction is replaced.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        exportError(file.error(), file.errorString());
        return;
    }
    WriteAuctionLogFile(file, path, itemNumber);
    if (!file.commit()) {
        exportError(file.error(), file.errorString());
        return;
    }
    // The file is written whatever the desktop can open: the user is told where it is.
    if (!DesktopServices::openFile(path))
        MsgBox::show(QStringLiteral("The Auction Log was saved as %1, but no program could be started to open it.")
                         .arg(QDir::toNativeSeparators(path)),
                     QStringLiteral("Auction Log Saved"), MsgBox::Icon::Information);
}
