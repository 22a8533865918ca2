// The browser's add-auction button: the auction shown goes into the import queue.
#include "mainwindow/BrowserPane.h"

#include "engine/AuctionEngine.h"
#include "platform/Database.h"
#include "platform/MsgBox.h"

#include <QAction>

void BrowserPane::UpdateAddAuctionButton()
{
    bool canAdd = false;
    try {
        QString itemNumber;
        canAdd = m_engine.CanAddAuction(true, itemNumber, false);
    } catch (const DbError &) {
        canAdd = false;
    }
    button(QStringLiteral("addauction"))->setEnabled(canAdd);
}

void BrowserPane::tbrAddAuction_Click()
{
    try {
        if (m_engine.AddAuction(true) == AuctionEngine::AddResult::Queued)
            button(QStringLiteral("addauction"))->setEnabled(false);
    } catch (const DbError &e) {
        MsgBox::show(QStringLiteral("Adding the auction failed: %1").arg(e.message()), QStringLiteral("Zandrift"),
                     MsgBox::Icon::Critical);
    }
}
