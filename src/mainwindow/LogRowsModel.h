#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

// The rows of one log (the general log, or one user's log of one auction) as a two-column
// table: the time stamp and the message, newest first. Only the rows a view has scrolled to are
// read, a page at a time, so showing a log takes the same time whatever its length; rows written
// later are put on top without reading the rest again.
class LogRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kPageRows = 200;

    explicit LogRowsModel(QObject *parent = nullptr);

    // Shows the general log (every user's rows of no auction).
    void showGeneral();
    // Shows the user's rows of the auction.
    void showAuction(qint32 auctionKey, qint32 userKey);
    // Shows nothing.
    void clear();
    // Puts the rows written since the last read on top; nothing when no log is shown.
    void appendNew();

    bool showsLog() const { return m_kind != Kind::None; }
    bool showsGeneral() const { return m_kind == Kind::General; }
    bool showsAuction(qint32 auctionKey, qint32 userKey) const
    {
        return m_kind == Kind::Auction && m_auctionKey == auctionKey && m_userKey == userKey;
    }
    QString stamp(int row) const { return m_rows.at(row).stamp; }
    QString message(int row) const { return m_rows.at(row).message; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    enum class Kind
    {
        None,
        General,
        Auction
    };
    struct Row
    {
        qint64 key = 0;
        QString stamp;
        QString message;
    };

    void restart(Kind kind, qint32 auctionKey, qint32 userKey);
    // Rows of the shown log with keys in (after, before), newest first, at most limit of them.
    QVector<Row> read(qint64 after, qint64 before, int limit) const;

    Kind m_kind = Kind::None;
    qint32 m_auctionKey = 0;
    qint32 m_userKey = 0;
    QVector<Row> m_rows;
    qint64 m_newestKey = 0; // the newest row read (0: none yet)
    bool m_atEnd = true;    // the oldest row has been read
};
