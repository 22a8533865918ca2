// The browser's add-auction button: the auction shown goes into the import queue.
#include "BrowserPane.h"

#include "AuctionEngine.h"
#include "BSN_User.h"
#include "Database.h"
#include "Folders.h"
#include "Globals.h"
#include "IMainWindow.h"
#include "MsgBox.h"

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
    IMainWindow &window = m_engine.window();
    try {
        if (!window.folderTreeHasSelection() || window.selectedFolderKey() < 0) {
            MsgBox::show(QStringLiteral("You must first select an Open Auctions Folder before adding an auction."),
                         QStringLiteral("Select a Folder First"), MsgBox::Icon::Information);
            return;
        }
        if (gDB && gCurrentUser &&
            window.selectedFolderRootKey() == GetClosedAuctionsFolder(*gDB, gCurrentUser->PrimaryKey)) {
            MsgBox::show(QStringLiteral("You must first select the Open Auctions folder or one of its subfolders "
                                        "before adding an auction."),
                         QStringLiteral("Cannot Add Auctions to Closed Folders"), MsgBox::Icon::Information);
            return;
        }
        QString itemNumber;
        if (!m_engine.CanAddAuction(true, itemNumber, true) || !gCurrentUser)
            return;
        BNQueue &queue = m_engine.queue();
        if (queue.ItemIsQueued(itemNumber)) {
            window.ShowAlreadyQueued(itemNumber);
            return;
        }
        auto item = std::make_shared<BNQItem>();
        item->Action = BNQItem::Import;
        item->ItemNumber = itemNumber;
        item->Priority = 1;
        item->UserKey = gCurrentUser->PrimaryKey;
        item->Folder = window.selectedFolderKey();
        item->message = QStringLiteral("Adding Auction #") + itemNumber;
        queue.Add(item);
        window.setStatusPanel(3, QStringLiteral("Items in Queue: %1").arg(queue.Count()));
        button(QStringLiteral("addauction"))->setEnabled(false);
    } catch (const DbError &e) {
        MsgBox::show(QStringLiteral("Adding the auction failed: %1").arg(e.message()), QStringLiteral("Zandrift"),
                     MsgBox::Icon::Critical);
    }
}
