#pragma once

// The old SQL dialect, translated to SQLite's at run time.

#include <QString>

#include <vector>

struct sqlite3;

namespace engine::dialect {

enum class Kind { Word, Number, String, Identifier, Operator, Open, Close, Comma, Semicolon, Rewritten };

// A token of a statement as translated: its text is SQLite's ("name" for [name], 'text' for
// "text", a jet_like(...) or jet_concat(...) call as one Rewritten token).
struct Token {
    Kind kind;
    QString text;
    QString space = {};  // whitespace before the token, kept so the output reads like the input
    bool afterDot = false;
    // A Like rewritten into jet_like: its two operands as translated, and whether it was Not Like.
    QString likePattern = {}, likeSubject = {};
    bool likeNegated = false;

    bool is(const char* word) const;  // the keyword or bare name word, in any case
    bool isOperator(char16_t c) const { return kind == Kind::Operator && text.size() == 1 && text[0] == c; }
    bool isIdentifier() const;  // a bare or quoted name
    QString name() const;       // the name an identifier stands for
};

// The translation below, token by token; trailingSpace receives the blanks after the last one.
std::vector<Token> tokens(const QString& sql, QString* trailingSpace = nullptr);
// The tokens' text with the blanks between them as written (none before the first).
QString join(std::vector<Token>::const_iterator begin, std::vector<Token>::const_iterator end);

// Translates outside string literals only: [brackets] become double-quoted identifiers;
// "double-quoted" text becomes a single-quoted literal; #date# literals become ISO text;
// `a & b & c` becomes jet_concat(a, b, c); `a Like b` / `a Not Like b` become jet_like(b, a) /
// NOT jet_like(b, a).
// Throws engine::Error(errSyntax) for an unterminated literal or bracket, or a bad date.
QString translate(const QString& sql);

// The old engine's Like: * ? # [list] [!list] [a-z]; case-insensitive beyond ASCII;
// % and _ are ordinary characters. Text is decoded from UTF-8 exactly as SQLite decodes it, so that
// what SQLite's own functions (and its full-text index) see of a malformed value is what Like sees.
bool likeMatch(const QString& pattern, const QString& value);

// Every character a literal character of a Like pattern matches: those that fold as it does.
std::vector<char32_t> likeEquivalents(char32_t c);

// Registers jet_like(pattern, value), jet_concat(value, ...) and CStr(value) on a connection.
void registerFunctions(sqlite3* db);

}  // namespace engine::dialect
