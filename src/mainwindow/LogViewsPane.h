#pragma once

#include <QWidget>
#include <memory>

class LogRowsModel;
class QMenu;
class QTreeView;

// The two log views of the view window: the auction log of the auction selected in the auction
// grid (sftAuctionLog) and the general error log of all users (sftErrorLog), newest rows on
// top, with the export of the auction log to a text file in the program's logs folder. Both
// views fill the pane; the window shows one of them at a time. A view reads only the rows it
// has been scrolled to, and the export writes a long log a slice at a time, so neither holds
// the window for long whatever the length of the log.
class LogViewsPane : public QWidget
{
    Q_OBJECT
public:
    // Rows the export writes before it lets the window go on.
    static constexpr int kExportSliceRows = 2000;

    explicit LogViewsPane(QWidget *parent = nullptr);
    ~LogViewsPane() override;

    QTreeView *sftAuctionLog() const { return m_auctionLogView; }
    QTreeView *sftErrorLog() const { return m_errorLogView; }
    LogRowsModel &auctionLogRows() { return *m_auctionLog; }
    LogRowsModel &errorLogRows() { return *m_errorLog; }
    QMenu *mnuLogPopUp() const { return m_popUp; }

    qint32 selectedAuction() const { return m_selectedAuction; }
    // True while an export is still writing its rows.
    bool exporting() const { return m_export != nullptr; }

    // Where the export of a user's auction log goes: logs/<user>_<item>.txt in the program
    // folder. Both parts are made safe as one file name, so the file always lands in logs/.
    static QString exportPath(const QString &zandroName, const QString &itemNumber);
    static QString logsFolder();
    // True when the folder holds a subfolder of that name.
    static bool SubFolderExists(const QString &name, const QString &folder);
    // Creates the logs folder when it is missing; failures are ignored.
    static void EnsureLogsFolder();

public slots:
    // The auction grid's current row changed or the grid was rebuilt: the key of its current
    // row (0 or below: none) and whether it holds rows. Shows that auction's log.
    void setSelectedAuction(qint32 auctionKey, bool auctionGridHasRows);

    // Database errors reach the caller (the engine's tick logs them once).
    void ShowAuctionLog();
    void ShowErrorLog();
    // New rows were written: they are put on top of the view shown, which is read again only
    // when it shows another user's or auction's log than the one now chosen.
    void auctionLogChanged();
    void errorLogChanged();
    void sftAuctionLog_MouseUp(Qt::MouseButton button);
    void mnuLogPopUpExport_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct ExportRun;
    // Writes the next slice of the export's rows; false once it has ended (written or failed).
    bool exportSlice();
    void continueExport();
    void finishExport();

    QTreeView *m_auctionLogView;
    QTreeView *m_errorLogView;
    LogRowsModel *m_auctionLog;
    LogRowsModel *m_errorLog;
    QMenu *m_popUp;
    qint32 m_selectedAuction = 0;
    bool m_gridHasRows = false;
    std::unique_ptr<ExportRun> m_export;
};
