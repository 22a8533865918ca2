#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

// The add-auction button (cmdAuctionAdd) and the strip it opens (fraNewAuction: the item-number
// box and its OK and Cancel buttons). OK hands the typed number to the window, which runs the
// import request; the engine closes the strip through the slots below.
class AddAuctionStrip : public QWidget
{
    Q_OBJECT
public:
    explicit AddAuctionStrip(QWidget *parent = nullptr);

    QPushButton *cmdAuctionAdd() const { return m_add; }
    QGroupBox *fraNewAuction() const { return m_frame; }
    QLineEdit *txtItemNumber() const { return m_itemNumber; }
    QPushButton *cmdAuctionAddOK() const { return m_ok; }
    QPushButton *cmdAuctionAddCancel() const { return m_cancel; }

    // True while the strip is open (Escape in the window closes it).
    bool isStripOpen() const { return m_stripOpen; }
    // Enter in the item-number box presses OK while OK is the default button.
    bool isAddAuctionDefault() const { return m_okDefault; }

    QSize sizeHint() const override;

signals:
    // OK was pressed with this text in the item-number box, as typed.
    void auctionAddRequested(const QString &typedItemNumber);

public slots:
    void cmdAuctionAdd_Click();
    void cmdAuctionAddOK_Click();
    void cmdAuctionAddCancel_Click();
    void txtItemNumber_MouseUp(Qt::MouseButton button);

    void setAddAuctionEnabled(bool enabled);
    void setAddAuctionDefault(bool isDefault);
    void hideAddAuctionStrip();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A number on the clipboard replaces the box's text.
    void takeNumberFromClipboard();

    QPushButton *m_add;
    QGroupBox *m_frame;
    QLineEdit *m_itemNumber;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    bool m_stripOpen = false;
    bool m_okDefault = false;
};
