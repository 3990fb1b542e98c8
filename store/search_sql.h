#pragma once

// The search statements of the find dialog, the quick search and the command line's search. They
// return the item list's columns and a CatName column, ordered by category and item name, in the old
// SQL dialect.

#include <QDate>
#include <QString>

namespace store {

// Which columns a text search looks in.
struct SearchFields {
    bool catNames = true;
    bool procNames = true;
    bool procDesc = true;
    bool procCode = false;
};

// "SELECT ... WHERE ": the columns every search returns.
QString searchSelect();

// The text as typed, wildcards and all, between "*" wildcards in every chosen column, the
// conditions joined by OR.
QString searchByTextSQL(const QString& text, const SearchFields& fields);

// Items last changed on any day from `from` to `to`, both whole days. The date literals are
// written month first whatever the locale.
QString searchByDateSQL(const QDate& from, const QDate& to);

// The quick search's statement for the text as typed: category names, item names and descriptions;
// blanks alone match nothing.
QString quickSearchSQL(const QString& text);

}  // namespace store
