#include "mainwindow/LogViewsPane.h"

#include "platform_gui/ElidedTextToolTip.h"

#include "mainwindow/LogRowsModel.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeText.h"
#include "platform/Values.h"
#include "platform_gui/DesktopServices.h"
#include "store/AuctionRecords.h"
#include "store/BSN_User.h"
#include "store/Globals.h"
#include "store/LogRecords.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QSaveFile>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

namespace {

QTreeView *makeLogView(const QString &name, LogRowsModel *model, QWidget *parent)
{
    auto *view = new QTreeView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true); // no row is measured but the first
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setAllColumnsShowFocus(true);
    // The time column is as wide as the longest time stamp, never measured over the rows.
    const int stampWidth = view->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2026 12:59:59 PM"));
    view->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    view->header()->resizeSection(0, stampWidth + 3 * view->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8);
    view->header()->setStretchLastSection(true);
    // A line longer than the pane is read in full in its tooltip.
    ElidedTextToolTip::install(view);
    return view;
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

struct LogViewsPane::ExportRun
{
    QSaveFile file;
    QString path;
    qint32 auctionKey = 0;
    qint32 userKey = 0;
    qint64 lastKey = 0; // the last row written
    bool stored = true; // the auction still has its row: its log rows are written
    explicit ExportRun(const QString &at) : file(at), path(at) {}
};

LogViewsPane::LogViewsPane(QWidget *parent)
    : QWidget(parent), m_auctionLog(new LogRowsModel(this)), m_errorLog(new LogRowsModel(this)),
      m_popUp(new QMenu(this))
{
    m_auctionLogView = makeLogView(QStringLiteral("sftAuctionLog"), m_auctionLog, this);
    m_errorLogView = makeLogView(QStringLiteral("sftErrorLog"), m_errorLog, this);
    m_popUp->setObjectName(QStringLiteral("mnuLogPopUp"));
    QAction *exportAction = m_popUp->addAction(QStringLiteral("Export Log to Notepad"));
    exportAction->setObjectName(QStringLiteral("mnuLogPopUpExport"));
    connect(exportAction, &QAction::triggered, this, &LogViewsPane::mnuLogPopUpExport_Click);

    m_auctionLogView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_auctionLogView, &QWidget::customContextMenuRequested, this,
            [this] { sftAuctionLog_MouseUp(Qt::RightButton); });
}

LogViewsPane::~LogViewsPane() = default;

void LogViewsPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_auctionLogView->setGeometry(rect());
    m_errorLogView->setGeometry(rect());
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
    if (!gDB || !gCurrentUser || m_selectedAuction <= 0) {
        m_auctionLog->clear();
        return;
    }
    m_auctionLog->showAuction(m_selectedAuction, gCurrentUser->PrimaryKey);
}

void LogViewsPane::ShowErrorLog()
{
    // The auction log stays: it shows the selected auction until the selection changes, and a
    // general row (a failed time sync) is no reason to blank it.
    if (!gDB) {
        m_errorLog->clear();
        return;
    }
    m_errorLog->showGeneral();
}

void LogViewsPane::auctionLogChanged()
{
    if (gDB && gCurrentUser && m_auctionLog->showsAuction(m_selectedAuction, gCurrentUser->PrimaryKey))
        m_auctionLog->appendNew();
    else
        ShowAuctionLog();
}

void LogViewsPane::errorLogChanged()
{
    if (gDB && m_errorLog->showsGeneral())
        m_errorLog->appendNew();
    else
        ShowErrorLog();
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

void LogViewsPane::mnuLogPopUpExport_Click()
{
    if (!gDB || !gCurrentUser || m_selectedAuction <= 0 || m_export)
        return;
    QString itemNumber;
    bool stored = false;
    try {
        const std::optional<QString> number = auction_store::itemNumber(*gDB, m_selectedAuction);
        stored = number.has_value();
        itemNumber = number.value_or(QString());
    } catch (const DbError &e) {
        exportError(QFileDevice::ReadError, e.message());
        return;
    }
    const QString path = exportPath(gCurrentUser->ZandroName, itemNumber);
    // Written whole or not at all; an earlier export of the same auction is replaced.
    auto run = std::make_unique<ExportRun>(path);
    if (!run->file.open(QIODevice::WriteOnly)) {
        exportError(run->file.error(), run->file.errorString());
        return;
    }
    run->auctionKey = m_selectedAuction;
    run->userKey = gCurrentUser->PrimaryKey;
    run->stored = stored;
    const QString crlf = QStringLiteral("\r\n");
    QString head = QStringLiteral("NOTE: THIS LOG HAS BEEN SAVED AS ") + QDir::toNativeSeparators(path) + crlf;
    head += QString(58, QLatin1Char('-')) + crlf;
    head += QStringLiteral("Auction Log for Item Number: ") + itemNumber + crlf;
    run->file.write(head.toUtf8());
    m_export = std::move(run);
    // A short log is written at once; a long one a slice per turn of the event loop.
    if (exportSlice())
        QTimer::singleShot(0, this, &LogViewsPane::continueExport);
}

void LogViewsPane::continueExport()
{
    if (m_export && exportSlice())
        QTimer::singleShot(0, this, &LogViewsPane::continueExport);
}

bool LogViewsPane::exportSlice()
{
    ExportRun &run = *m_export;
    int written = 0;
    if (run.stored) {
        try {
            QString text;
            const QString crlf = QStringLiteral("\r\n");
            for (const log_store::Entry &entry :
                 log_store::inOrder(*gDB, run.auctionKey, run.userKey, run.lastKey, kExportSliceRows)) {
                text += Values::formatGeneralDate(entry.stamp) + QStringLiteral(" - ") + entry.message + crlf;
                run.lastKey = entry.key;
                ++written;
            }
            run.file.write(text.toUtf8());
        } catch (const DbError &e) {
            m_export.reset(); // the file is left as it was
            exportError(QFileDevice::ReadError, e.message());
            return false;
        }
    }
    if (written == kExportSliceRows)
        return true;
    finishExport();
    return false;
}

void LogViewsPane::finishExport()
{
    const std::unique_ptr<ExportRun> run = std::move(m_export);
    if (!run->file.commit()) {
        exportError(run->file.error(), run->file.errorString());
        return;
    }
    // The file is written whatever the desktop can open: the user is told where it is.
    if (!DesktopServices::openFile(run->path))
        MsgBox::show(QStringLiteral("The Auction Log was saved as %1, but no program could be started to open it.")
                         .arg(QDir::toNativeSeparators(run->path)),
                     QStringLiteral("Auction Log Saved"), MsgBox::Icon::Information);
}
