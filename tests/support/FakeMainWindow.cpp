#include "FakeMainWindow.h"

#include "platform/Database.h"
#include "store/AucColumns.h"
#include "store/Globals.h"

#include <stdexcept>

FakeMainWindow::FakeMainWindow()
{
    setUpColumns();
}

void FakeMainWindow::setUpColumns()
{
    AucColumns cols = gCurrentUser ? gCurrentUser->Columns : AucColumns();
    cols.CreateViewNonViewColumns();
    grid.setColumnCount(static_cast<qint32>(cols.ViewColumns.size()));
    for (int i = 0; i < cols.ViewColumns.size(); ++i)
        grid.setColumnCaption(i, cols.ViewColumns[i]);
}

void FakeMainWindow::SetStatusText(QString &action, QString &step)
{
    if (action.isEmpty())
        action = QStringLiteral("None");
    if (step.isEmpty())
        step = QStringLiteral("Complete");
    if (panels[1] != action)
        setStatusPanel(1, action);
    if (panels[2] != step)
        setStatusPanel(2, step);
    const QString q = QStringLiteral("Items in Queue: %1").arg((queueCount ? queueCount() : 0) + 1);
    if (panels[3] != q)
        setStatusPanel(3, q);
}

void FakeMainWindow::setStatusPanel(int panel, const QString &text)
{
    if (panel < 1 || panel > 3)
        return;
    panels[panel] = text;
    panelWrites << QStringLiteral("%1:%2").arg(panel).arg(text);
}

void FakeMainWindow::BuildAuctionGrid(qint32 folderKey)
{
    ++builds;
    grid.clear();
    if (!gDB || !gCurrentUser)
        return;
    auto rs = gDB->openQuery(QStringLiteral("SELECT AUC_Primary, AUC_Title, AUC_ItemNumber FROM Auctions "
                                            "WHERE AUC_Folder = ? ORDER BY AUC_Title"),
                             {folderKey});
    const qint16 itemCol = gCurrentUser->Columns.ItemNumber;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const qint32 row = grid.addRow(rs->value(QStringLiteral("AUC_Title")).toString());
        grid.setRowKey(row, static_cast<qint32>(rs->value(QStringLiteral("AUC_Primary")).toLongLong()));
        if (itemCol >= 0)
            grid.setCellText(row, itemCol, rs->value(QStringLiteral("AUC_ItemNumber")).toString().trimmed());
    }
}

void FakeMainWindow::reloadGeneralLogView()
{
    ++generalLogReloads;
    if (generalLogBroken)
        throw std::runtime_error("the error log cannot be read");
}

void FakeMainWindow::reloadAuctionLogView()
{
    ++auctionLogReloads;
    if (auctionLogBroken)
        throw std::runtime_error("the auction log cannot be read");
}
