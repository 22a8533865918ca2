#pragma once

#include "platform/TreeGrid.h"
#include "store/AuctionRow.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class BSN_User;

// The cells of an auction's row in the auction grid, one rule for every writer: the grid pane
// when it builds a folder, the page processing when an auction's page comes in.
namespace grid_row {

inline const QString kChecked = QStringLiteral("imgChecked");
inline const QString kUnchecked = QStringLiteral("imgUnchecked");
inline const QString kPencil = QStringLiteral("imgPencil");
constexpr qint32 kGreen = TreeGrid::rgb(31, 116, 21);
constexpr qint32 kRed = TreeGrid::rgb(255, 0, 0);
constexpr qint32 kBlue = TreeGrid::rgb(16, 16, 255);

// The site's time-left text of an auction that has closed, in any letter case.
bool isEndedText(const QString &timeLeft);

// One cell: its grid column and what is written there; what is not given is left as it is.
struct Cell
{
    qint32 column = -1;
    std::optional<QString> text;
    std::optional<QString> picture;
    bool checkBox = false; // the picture is a check box: the cell's picture setting becomes 1
    std::optional<qint32> color;
};

// The row's cells in the user's column set (a hidden column gets none), in the order they are
// written. The row's own text, the title, is not among them: the grid's row is added with it.
QList<Cell> cells(const AuctionRow &row, const BSN_User &user, const QDateTime &siteNow);

// Writes the cells into a grid row, with the row's key and level.
void write(TreeGrid &grid, qint32 gridRow, const AuctionRow &row, const BSN_User &user, const QDateTime &siteNow);

} // namespace grid_row
