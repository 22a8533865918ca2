#pragma once

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class frmDBCompact;
}
class AuctionEngine;

// Compacts auction.mdb. The database is closed meanwhile, so this refuses while the engine
// has a request in flight or queued; on any failure the original is open again.
class frmDBCompact : public QDialog
{
    Q_OBJECT
public:
    // engine: asked whether it is busy; none means nothing runs beside the dialog.
    explicit frmDBCompact(QWidget *owner = nullptr, AuctionEngine *engine = nullptr);
    ~frmDBCompact() override;

    void cmdCompact_Click();
    void cmdCancel_Click();

    // True while the engine has a request in flight or waiting.
    static bool engineBusy(AuctionEngine &engine);
    // A step run just before the compacted copy replaces the original; false fails it there (tests).
    std::function<bool()> beforeSwap;

private:
    void compact();
    std::unique_ptr<Ui::frmDBCompact> ui;
    AuctionEngine *m_engine;
};
