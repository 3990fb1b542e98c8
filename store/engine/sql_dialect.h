#pragma once

// The old SQL dialect, translated to SQLite's at run time.

#include <QString>

struct sqlite3;

namespace engine::dialect {

// Translates outside string literals only: [brackets] become double-quoted identifiers;
// "double-quoted" text becomes a single-quoted literal; #date# literals become ISO text;
// `a & b & c` becomes jet_concat(a, b, c); `a Like b` / `a Not Like b` become jet_like(b, a) /
// NOT jet_like(b, a).
// Throws engine::Error(errSyntax) for an unterminated literal or bracket, or a bad date.
QString translate(const QString& sql);

// The old engine's Like: * ? # [list] [!list] [a-z]; case-insensitive beyond ASCII;
// % and _ are ordinary characters.
bool likeMatch(const QString& pattern, const QString& value);

// Registers jet_like(pattern, value), jet_concat(value, ...) and CStr(value) on a connection.
void registerFunctions(sqlite3* db);

}  // namespace engine::dialect
