#include "store/engine/sql_dialect.h"

#include "store/engine/engine.h"
#include "store/engine/error.h"

#include <QChar>
#include <QSet>

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace engine::dialect {

// ---------------------------------------------------------------------------------------------
// Translation

bool Token::is(const char* word) const {
    return kind == Kind::Word && text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

bool Token::isIdentifier() const {
    return kind == Kind::Word || kind == Kind::Identifier;
}

QString Token::name() const {
    if (kind != Kind::Identifier) return text;
    return text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

namespace {

[[noreturn]] void syntaxError(const QString& what, const QString& text) {
    throw Error(errSyntax, QStringLiteral("Syntax error in %1 in query expression '%2'.").arg(what, text));
}

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isSurrogate();
}

// Index just past the closing quote of a literal opened at start; doubled quotes stay inside.
qsizetype endOfQuoted(const QString& sql, qsizetype start, QChar quote) {
    for (qsizetype i = start + 1; i < sql.size(); ++i) {
        if (sql.at(i) != quote) continue;
        if (i + 1 < sql.size() && sql.at(i + 1) == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

QString singleQuoted(QString text) {
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

class Tokenizer {
public:
    explicit Tokenizer(const QString& sql) : m_sql(sql) {}

    std::vector<Token> run(QString& trailingSpace) {
        std::vector<Token> tokens;
        while (true) {
            const qsizetype spaceStart = m_pos;
            while (m_pos < m_sql.size() && m_sql.at(m_pos).isSpace()) ++m_pos;
            const QString space = m_sql.mid(spaceStart, m_pos - spaceStart);
            if (m_pos >= m_sql.size()) {
                trailingSpace = space;
                return tokens;
            }
            Token token = next();
            token.space = space;
            token.afterDot =
                !tokens.empty() && tokens.back().kind == Kind::Operator && tokens.back().text == u".";
            tokens.push_back(std::move(token));
        }
    }

private:
    Token next() {
        const qsizetype start = m_pos;
        const QChar c = m_sql.at(m_pos);
        if (c == u'\'') {
            m_pos = endOfQuoted(m_sql, start, c);
            if (m_pos < 0) syntaxError(QStringLiteral("string"), m_sql);
            return {Kind::String, m_sql.mid(start, m_pos - start)};
        }
        if (c == u'"') {
            m_pos = endOfQuoted(m_sql, start, c);
            if (m_pos < 0) syntaxError(QStringLiteral("string"), m_sql);
            QString text = m_sql.mid(start + 1, m_pos - start - 2);
            return {Kind::String, singleQuoted(text.replace(QStringLiteral("\"\""), QStringLiteral("\"")))};
        }
        if (c == u'[') {
            const qsizetype close = m_sql.indexOf(u']', start + 1);
            if (close < 0) syntaxError(QStringLiteral("bracketed name"), m_sql);
            m_pos = close + 1;
            QString name = m_sql.mid(start + 1, close - start - 1);
            return {Kind::Identifier, u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'};
        }
        if (c == u'#') {
            const qsizetype close = m_sql.indexOf(u'#', start + 1);
            if (close < 0) syntaxError(QStringLiteral("date"), m_sql);
            m_pos = close + 1;
            const QDateTime date = parseDate(m_sql.mid(start + 1, close - start - 1));
            if (!date.isValid()) syntaxError(QStringLiteral("date"), m_sql.mid(start, m_pos - start));
            return {Kind::String, singleQuoted(dateToStorage(date))};
        }
        if (c.isDigit() || (c == u'.' && m_pos + 1 < m_sql.size() && m_sql.at(m_pos + 1).isDigit())) {
            scanNumber();
            return {Kind::Number, m_sql.mid(start, m_pos - start)};
        }
        if (isWordChar(c)) {
            while (m_pos < m_sql.size() && isWordChar(m_sql.at(m_pos))) ++m_pos;
            return {Kind::Word, m_sql.mid(start, m_pos - start)};
        }
        ++m_pos;
        switch (c.unicode()) {
            case u'(':
                return {Kind::Open, c};
            case u')':
                return {Kind::Close, c};
            case u',':
                return {Kind::Comma, c};
            case u';':
                return {Kind::Semicolon, c};
        }
        static const QStringList pairs = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>"};
        if (m_pos < m_sql.size() && pairs.contains(m_sql.mid(start, 2))) ++m_pos;
        return {Kind::Operator, m_sql.mid(start, m_pos - start)};
    }

    void scanNumber() {
        auto digitAt = [&](qsizetype i) { return i < m_sql.size() && m_sql.at(i).isDigit(); };
        while (digitAt(m_pos) || (m_pos < m_sql.size() && m_sql.at(m_pos) == u'.')) ++m_pos;
        if (m_pos < m_sql.size() && (m_sql.at(m_pos) == u'e' || m_sql.at(m_pos) == u'E')) {
            qsizetype i = m_pos + 1;
            if (i < m_sql.size() && (m_sql.at(i) == u'+' || m_sql.at(i) == u'-')) ++i;
            if (digitAt(i)) {
                m_pos = i;
                while (digitAt(m_pos)) ++m_pos;
            }
        }
    }

    const QString& m_sql;
    qsizetype m_pos = 0;
};

bool isKeyword(const Token& token, const QSet<QString>& words) {
    return token.kind == Kind::Word && !token.afterDot && words.contains(token.text.toUpper());
}

bool isKeyword(const Token& token, const char* word) {
    return token.kind == Kind::Word && !token.afterDot &&
           token.text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

bool isConcat(const Token& token) {
    return token.kind == Kind::Operator && token.text == u"&";
}

// CASE ... END encloses its branches as parentheses do.
bool opens(const Token& token) {
    return token.kind == Kind::Open || isKeyword(token, "CASE");
}

bool closes(const Token& token) {
    return token.kind == Kind::Close || isKeyword(token, "END");
}

bool isComparison(const Token& token) {
    static const QSet<QString> ops = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
    return token.kind == Kind::Operator && ops.contains(token.text);
}

// Like binds looser than arithmetic and concatenation and tighter than NOT, AND and OR, so its
// operands run outward until one of these (outside parentheses).
const QSet<QString>& leftStops() {
    static const QSet<QString> words = {"SELECT", "WHERE", "ON",      "AND",  "OR",       "NOT",
                                        "WHEN",   "THEN",  "ELSE",    "CASE", "HAVING",   "BY",
                                        "SET",    "IS",    "BETWEEN", "IN",   "DISTINCT", "LIKE"};
    return words;
}

const QSet<QString>& rightStops() {
    static const QSet<QString> words = {"AND",    "OR",    "NOT",  "ORDER", "GROUP",   "HAVING",
                                        "LIMIT",  "UNION", "THEN", "ELSE",  "WHEN",    "END",
                                        "ESCAPE", "LIKE",  "IS",   "IN",    "BETWEEN", "AS",
                                        "FROM",   "WHERE", "INTO", "ASC",   "DESC"};
    return words;
}

bool endsOperand(const Token& token, const QSet<QString>& stops) {
    return token.kind == Kind::Comma || token.kind == Kind::Semicolon || isComparison(token) ||
           isKeyword(token, stops);
}

size_t leftOperandStart(const std::vector<Token>& tokens, size_t end) {
    int depth = 0;
    size_t i = end;
    for (; i > 0; --i) {
        const Token& token = tokens[i - 1];
        if (closes(token)) {
            ++depth;
        } else if (opens(token)) {
            if (depth == 0) break;
            --depth;
        } else if (depth == 0 && endsOperand(token, leftStops())) {
            break;
        }
    }
    return i;
}

size_t rightOperandEnd(const std::vector<Token>& tokens, size_t begin) {
    int depth = 0;
    size_t i = begin;
    for (; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (opens(token)) {
            ++depth;
        } else if (closes(token)) {
            if (depth == 0) break;
            --depth;
        } else if (depth == 0 && endsOperand(token, rightStops())) {
            break;
        }
    }
    return i;
}

std::vector<Token> rewrite(std::vector<Token> tokens, const QString& sql);

// `&` joins its operands as texts, a Null counting as an empty text, and binds looser than
// arithmetic: each chain of them becomes one jet_concat call.
std::vector<Token> rewriteConcats(std::vector<Token> tokens, const QString& sql) {
    const auto at = [&](size_t k) { return tokens.cbegin() + std::ptrdiff_t(k); };
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!isConcat(tokens[i])) continue;
        const size_t begin = leftOperandStart(tokens, i);
        const size_t end = rightOperandEnd(tokens, i + 1);
        QStringList operands;
        int depth = 0;
        for (size_t k = begin, from = begin; k <= end; ++k) {
            if (k == end || (depth == 0 && isConcat(tokens[k]))) {
                if (k == from) syntaxError(QStringLiteral("& operator"), sql);
                const std::vector<Token> operand = rewrite({at(from), at(k)}, sql);
                operands << join(operand.cbegin(), operand.cend());
                from = k + 1;
            } else if (opens(tokens[k])) {
                ++depth;
            } else if (closes(tokens[k])) {
                --depth;
            }
        }
        Token call{Kind::Rewritten, "jet_concat(" + operands.join(", ") + ')', tokens[begin].space};
        tokens.erase(at(begin), at(end));
        tokens.insert(at(begin), std::move(call));
        i = begin;
    }
    return tokens;
}

std::vector<Token> rewriteLikes(std::vector<Token> tokens, const QString& sql) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!isKeyword(tokens[i], "LIKE")) continue;
        const bool negated = i > 0 && isKeyword(tokens[i - 1], "NOT");
        const size_t lhsEnd = negated ? i - 1 : i;
        const size_t lhsBegin = leftOperandStart(tokens, lhsEnd);
        const size_t rhsEnd = rightOperandEnd(tokens, i + 1);
        if (lhsBegin == lhsEnd || rhsEnd == i + 1) syntaxError(QStringLiteral("Like operator"), sql);

        const auto at = [&](size_t k) { return tokens.cbegin() + std::ptrdiff_t(k); };
        const std::vector<Token> rhs = rewriteLikes({at(i + 1), at(rhsEnd)}, sql);
        const QString pattern = join(rhs.cbegin(), rhs.cend()), subject = join(at(lhsBegin), at(lhsEnd));
        Token call{Kind::Rewritten,
                   QStringLiteral("%1jet_like(%2, %3)")
                       .arg(negated ? QStringLiteral("NOT ") : QString(), pattern, subject),
                   tokens[lhsBegin].space};
        call.likePattern = pattern;
        call.likeSubject = subject;
        call.likeNegated = negated;
        tokens.erase(at(lhsBegin), at(rhsEnd));
        tokens.insert(at(lhsBegin), std::move(call));
        i = lhsBegin;
    }
    return tokens;
}

std::vector<Token> rewrite(std::vector<Token> tokens, const QString& sql) {
    return rewriteLikes(rewriteConcats(std::move(tokens), sql), sql);
}

}  // namespace

QString join(std::vector<Token>::const_iterator begin, std::vector<Token>::const_iterator end) {
    QString out;
    for (auto it = begin; it != end; ++it) {
        if (it != begin) out += it->space;
        out += it->text;
    }
    return out;
}

std::vector<Token> tokens(const QString& sql, QString* trailingSpace) {
    QString trailing;
    std::vector<Token> out = rewrite(Tokenizer(sql).run(trailing), sql);
    if (trailingSpace) *trailingSpace = trailing;
    return out;
}

QString translate(const QString& sql) {
    QString trailing;
    const std::vector<Token> translated = tokens(sql, &trailing);
    if (translated.empty()) return trailing;
    return translated.front().space + join(translated.cbegin(), translated.cend()) + trailing;
}

// ---------------------------------------------------------------------------------------------
// Like matching, on UTF-8 bytes so SQLite's text is used where it lies

namespace {

constexpr std::array<unsigned char, 256> makeLowerTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = (i >= 'A' && i <= 'Z') ? i + 32 : i;
    return table;
}
constexpr std::array<unsigned char, 256> kLower = makeLowerTable();

// SQLite's own table of the bits a lead byte contributes.
constexpr std::array<unsigned char, 64> kLeadBits = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00};

// Decodes one code point and advances, as SQLite does: a lead byte takes every continuation byte
// after it, a stray continuation byte stands for itself, and an overlong form, a surrogate or a
// non-character becomes U+FFFD.
char32_t decodeMultibyte(const unsigned char*& p, const unsigned char* end) {
    std::uint32_t c = *p++;
    if (c < 0xC0) return c;
    c = kLeadBits[c - 0xC0];
    while (p < end && (*p & 0xC0) == 0x80) c = (c << 6) + (0x3F & *p++);
    if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE) c = 0xFFFD;
    return c;
}

inline char32_t decodeUtf8(const unsigned char*& p, const unsigned char* end) {
    return *p < 0x80 ? *p++ : decodeMultibyte(p, end);
}

char32_t fold(char32_t c) {
    return c < 0x80 ? kLower[c] : QChar::toCaseFolded(c);
}

struct Element {
    enum Type : unsigned char { Literal, AnyChar, Digit, Set, Star } type;
    char32_t ch = 0;   // folded, for Literal
    unsigned set = 0;  // index into Pattern::sets
};

// The characters other than itself whose case folding is the given one: 'K', U+212A KELVIN SIGN
// for 'k'. Read once from Qt's tables.
const std::vector<char32_t>& foldingOnto(char32_t folded) {
    static const auto table = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> onto;
        for (char32_t c = 0; c <= 0x10FFFF; ++c)
            if (const char32_t f = fold(c); f != c) onto[f].push_back(c);
        return onto;
    }();
    static const std::vector<char32_t> none;
    const auto it = table.find(folded);
    return it == table.end() ? none : it->second;
}

// A list entry takes a character as a plain pattern character does: when the two fold alike. A
// range takes it when some character of the range folds as it does.
struct CharSet {
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool contains(char32_t c) const {
        const char32_t folded = fold(c);
        auto inRanges = [&](char32_t x) {
            for (const auto& [lo, hi] : ranges)
                if (x >= lo && x <= hi) return true;
            return false;
        };
        bool found = inRanges(folded);
        for (const char32_t other : foldingOnto(folded)) found = found || inRanges(other);
        return found != negated;
    }
};

class Pattern {
public:
    Pattern(const unsigned char* text, size_t length) {
        const unsigned char* p = text;
        const unsigned char* end = text + length;
        while (p < end) {
            const char32_t c = decodeUtf8(p, end);
            if (c == '*') {
                if (m_elements.empty() || m_elements.back().type != Element::Star)
                    m_elements.push_back({Element::Star});
            } else if (c == '?') {
                m_elements.push_back({Element::AnyChar});
            } else if (c == '#') {
                m_elements.push_back({Element::Digit});
            } else if (c != '[' || !parseSet(p, end)) {
                m_elements.push_back({Element::Literal, fold(c)});
            }
        }
        classify();
    }

    bool matches(const unsigned char* value, size_t length) const {
        bool fast = false;
        switch (m_shape) {
            case Shape::General:
                return matchGeneral(value, value + length);
            case Shape::Anything:
                return true;
            case Shape::Exact:
                fast = length == m_literal.size() && equalAt(value);
                break;
            case Shape::Prefix:
                fast = length >= m_literal.size() && equalAt(value);
                break;
            case Shape::Suffix:
                fast = length >= m_literal.size() && equalAt(value + length - m_literal.size());
                break;
            case Shape::Contains:
                fast = contains(value, length);
                break;
        }
        // Two characters beyond ASCII fold onto ASCII letters (Kelvin sign, long s); only then can
        // a byte comparison miss a match.
        if (fast || !m_foldTargetInLiteral) return fast;
        for (size_t i = 0; i < length; ++i)
            if (value[i] >= 0x80) return matchGeneral(value, value + length);
        return false;
    }

private:
    enum class Shape { General, Anything, Exact, Prefix, Suffix, Contains };

    // [list], [!list], [a-z]; an unclosed bracket is an ordinary character.
    bool parseSet(const unsigned char*& p, const unsigned char* end) {
        std::vector<char32_t> chars;
        const unsigned char* q = p;
        bool closed = false;
        while (q < end) {
            const char32_t c = decodeUtf8(q, end);
            if (c == ']') {
                closed = true;
                break;
            }
            chars.push_back(c);
        }
        if (!closed) return false;
        p = q;
        if (chars.empty()) return true;  // [] stands for nothing at all
        CharSet set;
        size_t k = 0;
        if (chars.size() > 1 && chars[0] == '!') {
            set.negated = true;
            k = 1;
        }
        for (; k < chars.size(); ++k) {
            if (k + 2 < chars.size() && chars[k + 1] == '-') {
                set.ranges.emplace_back(chars[k], chars[k + 2]);
                k += 2;
            } else {
                set.ranges.emplace_back(chars[k], chars[k]);
            }
        }
        m_sets.push_back(std::move(set));
        m_elements.push_back({Element::Set, 0, unsigned(m_sets.size() - 1)});
        return true;
    }

    void classify() {
        size_t begin = 0, end = m_elements.size();
        const bool leading = end > 0 && m_elements.front().type == Element::Star;
        if (leading) ++begin;
        const bool trailing = end > begin && m_elements.back().type == Element::Star;
        if (trailing) --end;
        for (size_t i = begin; i < end; ++i) {
            const Element& e = m_elements[i];
            if (e.type != Element::Literal || e.ch >= 0x80) return;  // stays General
            m_literal += char(e.ch);
        }
        if (leading && m_elements.size() == 1)
            m_shape = Shape::Anything;
        else if (leading && trailing)
            m_shape = Shape::Contains;
        else if (leading)
            m_shape = Shape::Suffix;
        else if (trailing)
            m_shape = Shape::Prefix;
        else
            m_shape = Shape::Exact;
        m_foldTargetInLiteral = m_literal.find_first_of("ks") != std::string::npos;
        m_first = (unsigned char)(m_literal.empty() ? 0 : m_literal[0]);
        m_firstUpper = (m_first >= 'a' && m_first <= 'z') ? m_first - 32 : m_first;
    }

    bool equalAt(const unsigned char* value) const {
        for (size_t i = 0; i < m_literal.size(); ++i)
            if (kLower[value[i]] != (unsigned char)m_literal[i]) return false;
        return true;
    }

    bool contains(const unsigned char* value, size_t length) const {
        const size_t m = m_literal.size();
        if (m == 0) return true;
        if (length < m) return false;
        const unsigned char* limit = value + length - m + 1;  // candidates start before this
        auto find = [limit](const unsigned char* from, unsigned char c) -> const unsigned char* {
            return from < limit ? static_cast<const unsigned char*>(std::memchr(from, c, limit - from))
                                : nullptr;
        };
        const unsigned char* lower = find(value, m_first);
        const unsigned char* upper = m_firstUpper != m_first ? find(value, m_firstUpper) : nullptr;
        while (lower || upper) {
            const unsigned char* at = !upper || (lower && lower < upper) ? lower : upper;
            if (equalAt(at)) return true;
            if (at == lower)
                lower = find(at + 1, m_first);
            else
                upper = find(at + 1, m_firstUpper);
        }
        return false;
    }

    bool matchOne(const Element& e, char32_t c) const {
        switch (e.type) {
            case Element::Literal:
                return fold(c) == e.ch;
            case Element::AnyChar:
                return true;
            case Element::Digit:
                return c >= '0' && c <= '9';
            case Element::Set:
                return m_sets[e.set].contains(c);
            case Element::Star:
                break;
        }
        return false;
    }

    // Every element but Star takes exactly one character, so one remembered Star is enough.
    bool matchGeneral(const unsigned char* s, const unsigned char* end) const {
        const size_t n = m_elements.size();
        size_t pi = 0;
        size_t starNext = SIZE_MAX;
        const unsigned char* starValue = nullptr;
        while (s < end) {
            if (pi < n && m_elements[pi].type == Element::Star) {
                starNext = ++pi;
                starValue = s;
                continue;
            }
            const unsigned char* next = s;
            const char32_t c = decodeUtf8(next, end);
            if (pi < n && matchOne(m_elements[pi], c)) {
                ++pi;
                s = next;
            } else if (starNext != SIZE_MAX) {
                pi = starNext;
                decodeUtf8(starValue, end);
                s = starValue;
            } else {
                return false;
            }
        }
        while (pi < n && m_elements[pi].type == Element::Star) ++pi;
        return pi == n;
    }

    std::vector<Element> m_elements;
    std::vector<CharSet> m_sets;
    Shape m_shape = Shape::General;
    std::string m_literal;  // ASCII, lower case, for the shapes other than General
    bool m_foldTargetInLiteral = false;
    unsigned char m_first = 0, m_firstUpper = 0;
};

QByteArray textOf(sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_FLOAT) return valueToText(sqlite3_value_double(value)).toUtf8();
    return {};
}

void jetLike(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // SQLite keeps the compiled pattern for as long as argument 0 stays the same constant.
    auto* cached = static_cast<const Pattern*>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<Pattern> compiled;
    if (!cached) {
        const QByteArray real = textOf(argv[0]);
        const auto* text = real.isNull() ? sqlite3_value_text(argv[0])
                                         : reinterpret_cast<const unsigned char*>(real.constData());
        const int length = real.isNull() ? sqlite3_value_bytes(argv[0]) : int(real.size());
        compiled = std::make_unique<Pattern>(text, size_t(length));
        cached = compiled.get();
    }
    bool match;
    if (sqlite3_value_type(argv[1]) == SQLITE_FLOAT) {
        const QByteArray text = textOf(argv[1]);
        match =
            cached->matches(reinterpret_cast<const unsigned char*>(text.constData()), size_t(text.size()));
    } else {
        const unsigned char* text = sqlite3_value_text(argv[1]);
        match = cached->matches(text, size_t(sqlite3_value_bytes(argv[1])));
    }
    sqlite3_result_int(context, match ? 1 : 0);
    // Last: SQLite may free the pattern before set_auxdata returns.
    if (compiled)
        sqlite3_set_auxdata(context, 0, compiled.release(), [](void* p) { delete static_cast<Pattern*>(p); });
}

// Null only when every operand is Null; numbers read as CStr gives them.
void jetConcat(sqlite3_context* context, int argc, sqlite3_value** argv) {
    QByteArray out;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        const int type = sqlite3_value_type(argv[i]);
        if (type == SQLITE_NULL) continue;
        any = true;
        if (type == SQLITE_FLOAT)
            out += textOf(argv[i]);
        else
            out.append(reinterpret_cast<const char*>(sqlite3_value_text(argv[i])),
                       sqlite3_value_bytes(argv[i]));
    }
    if (any)
        sqlite3_result_text64(context, out.constData(), sqlite3_uint64(out.size()), SQLITE_TRANSIENT,
                              SQLITE_UTF8);
    else
        sqlite3_result_null(context);
}

void cstr(sqlite3_context* context, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_NULL:
            sqlite3_result_null(context);
            return;
        case SQLITE_FLOAT: {
            const QByteArray text = textOf(argv[0]);
            sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            return;
        }
        default: {
            const unsigned char* text = sqlite3_value_text(argv[0]);
            sqlite3_result_text(context, reinterpret_cast<const char*>(text), sqlite3_value_bytes(argv[0]),
                                SQLITE_TRANSIENT);
        }
    }
}

}  // namespace

std::vector<char32_t> likeEquivalents(char32_t c) {
    const char32_t folded = fold(c);
    std::vector<char32_t> all = foldingOnto(folded);
    if (fold(folded) == folded) all.push_back(folded);
    return all;
}

bool likeMatch(const QString& pattern, const QString& value) {
    if (pattern.isNull() || value.isNull()) return false;
    const QByteArray p = pattern.toUtf8();
    const QByteArray v = value.toUtf8();
    return Pattern(reinterpret_cast<const unsigned char*>(p.constData()), size_t(p.size()))
        .matches(reinterpret_cast<const unsigned char*>(v.constData()), size_t(v.size()));
}

void registerFunctions(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(db, "jet_like", 2, flags, nullptr, jetLike, nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(db, "CStr", 1, flags, nullptr, cstr, nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(db, "jet_concat", -1, flags, nullptr, jetConcat, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        throw Error(errEngine, QString::fromUtf8(sqlite3_errmsg(db)));
}

}  // namespace engine::dialect
