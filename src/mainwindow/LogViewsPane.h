#pragma once

#include "QtTreeGrid.h"

#include <QWidget>

class QIODevice;
class QMenu;
class QTreeWidget;

// The two log grids of the view window: the auction log of the auction selected in the
// auction grid (sftAuctionLog) and the general error log of all users (sftErrorLog), with the
// export of the auction log to a text file in the program's logs folder. Both grids fill the
// pane; the window shows one of them at a time.
class LogViewsPane : public QWidget
{
    Q_OBJECT
public:
    explicit LogViewsPane(QWidget *parent = nullptr);

    QTreeWidget *sftAuctionLog() const { return m_auctionLogTree; }
    QTreeWidget *sftErrorLog() const { return m_errorLogTree; }
    TreeGrid &auctionLogGrid() { return m_auctionLog; }
    TreeGrid &errorLogGrid() { return m_errorLog; }
    QMenu *mnuLogPopUp() const { return m_popUp; }

    qint32 selectedAuction() const { return m_selectedAuction; }

    // Where the export of a user's auction log goes: logs/<user>_<item>.txt in the program
    // folder. Both parts are made safe as one file name, so the file always lands in logs/.
    static QString exportPath(const QString &zandroName, const QString &itemNumber);
    static QString logsFolder();
    // True when the folder holds a subfolder of that name.
    static bool SubFolderExists(const QString &name, const QString &folder);
    // Creates the logs folder when it is missing; failures are ignored.
    static void EnsureLogsFolder();

    // The export text: the saved-as note, the rule, the item line and one line per grid row.
    void WriteAuctionLogFile(QIODevice &file, const QString &path, const QString &itemNumber) const;

public slots:
    // The auction grid's current row changed or the grid was rebuilt: the key of its current
    // row (0 or below: none) and whether it holds rows. Shows that auction's log.
    void setSelectedAuction(qint32 auctionKey, bool auctionGridHasRows);

    // Database errors reach the caller (the engine's tick logs them once).
    void ShowAuctionLog();
    void ShowErrorLog();
    void sftAuctionLog_MouseUp(Qt::MouseButton button);
    void mnuLogPopUpExport_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QString selectedItemNumber() const;

    QTreeWidget *m_auctionLogTree;
    QTreeWidget *m_errorLogTree;
    QtTreeGrid m_auctionLog;
    QtTreeGrid m_errorLog;
    QMenu *m_popUp;
    qint32 m_selectedAuction = 0;
    bool m_gridHasRows = false;
};
