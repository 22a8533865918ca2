#pragma once

#include <QString>

class QSqlDatabase;

// Program-user names are one name whatever their letter case, by Unicode's rules: "Zoë" and
// "ZOË", "Ærin" and "ærin", "Straße" and "STRASSE". The database's unique index on the names
// uses this rule as the collation named kNameCollation.
constexpr const char *kNameCollation = "NAMEFOLD";

// The name's case-folded form (full folding of its canonical decomposition).
QString foldName(const QString &name);

// Teaches an open SQLite connection the collation; false when it is not an SQLite connection
// or the collation cannot be added. Every connection that writes Users needs it.
bool installNameFolding(const QSqlDatabase &db);
