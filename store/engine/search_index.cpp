// The search index: a trigram index (SQLite's FTS5) over a few text fields, from which a SELECT whose
// condition is Likes of the form '*text*' takes its candidate rows instead of reading every row. It
// only ever narrows: each candidate still meets the statement's own Like, so the result is the one a
// reading of every row gives, row for row. Plain-SQL triggers keep it in the transaction of every
// change, whoever makes it. It is derived data: hidden from the tables, the type checks and the
// replica exchange, rebuilt by compact and repair, and ignored where it is missing or not ours.

#include "store/engine/database_p.h"
#include "store/engine/sql_dialect.h"

#include <functional>

#include <algorithm>
#include <optional>

namespace engine {

namespace {

using dialect::Kind;
using dialect::Token;
using Tokens = std::vector<Token>;

constexpr char kPrefix[] = "mrv_search_";
constexpr char kOddColumn[] = "mrv_odd";
// Rows the index cannot answer for (see indexedValues) carry this text (private-use characters) in
// the odd column, and every search takes them as candidates. A user's text holding it only costs a
// needless candidate.
constexpr char kOddMarkerSql[] = "char(57344, 57345, 57346)";
const QString kOddMarker = QString::fromUcs4(U"\uE000\uE001\uE002");

// Trigrams a literal is looked up by, and alternatives one trigram may take: past these the literal
// is narrowed by fewer trigrams (still never missing a row) or left to the scan.
constexpr int kMaxTrigrams = 12;
constexpr size_t kMaxAlternatives = 64;

QString ftsName(const QString& table) {
    return kPrefix + table;
}

QString triggerName(const QString& table, const char* event) {
    return kPrefix + table + '_' + event;
}

// The fields as they are, and the odd marker for a row the index cannot answer for: a field holding
// a floating-point number, or a NUL, where the tokenizer stops reading.
QString indexedValues(const QString& row, const QStringList& fields) {
    QStringList values, odd;
    for (const QString& f : fields) {
        const QString v = row + '.' + quoteIdent(f);
        values << v;
        odd << QString("typeof(%1) = 'real' OR instr(%1, char(0)) > 0").arg(v);
    }
    values << QString("CASE WHEN %1 THEN %2 END").arg(odd.join(" OR "), kOddMarkerSql);
    return values.join(", ");
}

QString indexColumns(const QStringList& fields) {
    QStringList columns;
    for (const QString& f : fields) columns << quoteIdent(f);
    columns << kOddColumn;
    return columns.join(", ");
}

struct IndexSql {
    QString create, fill;
    QList<std::pair<QString, QString>> triggers;  // name, statement
};

IndexSql indexSql(const QString& table, const QStringList& fields) {
    const QString fts = quoteIdent(ftsName(table)), t = quoteIdent(table), columns = indexColumns(fields);
    const QString insertNew = QString("INSERT INTO %1(rowid, %2) VALUES (new.rowid, %3)")
                                  .arg(fts, columns, indexedValues("new", fields));
    const QString deleteOld = QString("INSERT INTO %1(%1, rowid, %2) VALUES ('delete', old.rowid, %3)")
                                  .arg(fts, columns, indexedValues("old", fields));
    QStringList changed{"old.rowid IS NOT new.rowid"};
    for (const QString& f : fields)
        changed << QString("old.%1 IS NOT new.%1 OR typeof(old.%1) <> typeof(new.%1)").arg(quoteIdent(f));
    const QString insert = triggerName(table, "insert"), remove = triggerName(table, "delete"),
                  update = triggerName(table, "update");
    IndexSql sql;
    sql.create = QString(
                     "CREATE VIRTUAL TABLE %1 USING fts5(%2, content='', detail=none, columnsize=0, "
                     "tokenize='trigram')")
                     .arg(fts, columns);
    sql.fill = QString("INSERT INTO %1(rowid, %2) SELECT rowid, %3 FROM %4")
                   .arg(fts, columns, indexedValues(t, fields), t);
    sql.triggers = {
        {insert,
         QString("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3; END").arg(quoteIdent(insert), t, insertNew)},
        {remove,
         QString("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3; END").arg(quoteIdent(remove), t, deleteOld)},
        {update, QString("CREATE TRIGGER %1 AFTER UPDATE ON %2 WHEN %3 BEGIN %4; %5; END")
                     .arg(quoteIdent(update), t, changed.join(" OR "), deleteOld, insertNew)},
    };
    return sql;
}

QStringList columnNames(sqlite3* db, const QString& table, const QString& file,
                        QString* rowidAlias = nullptr) {
    QStringList names;
    int keys = 0;
    QString key;
    Statement info(db, "PRAGMA main.table_info(" + quoteIdent(table) + ")", file);
    while (info.step()) {
        names << info.text(1);
        if (info.integer(5) > 0) {
            ++keys;
            if (info.text(2).compare("INTEGER", Qt::CaseInsensitive) == 0) key = info.text(1);
        }
    }
    if (rowidAlias) *rowidAlias = keys == 1 ? key : QString();
    return names;
}

QString objectSql(sqlite3* db, const QString& type, const QString& name, const QString& file) {
    Statement st(db, "SELECT sql FROM main.sqlite_master WHERE type = ?1 AND name = ?2", file);
    st.bind(1, type);
    st.bind(2, name);
    return st.step() ? st.text(0) : QString();
}

// The search indexes a file holds; trusted are those made by us whose triggers are all in place.
struct Found {
    SearchIndexInfo info;
    bool trusted = false;
};

QList<Found> discover(sqlite3* db, const QString& file) {
    QList<Found> found;
    QStringList names;
    {
        Statement st(
            db,
            "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name LIKE 'mrv\\_search\\_%' "
            "ESCAPE '\\' AND sql LIKE 'CREATE VIRTUAL TABLE%'",
            file);
        while (st.step()) names << st.text(0);
    }
    for (const QString& name : names) {
        Found f;
        f.info.table = name.mid(int(qstrlen(kPrefix)));
        try {
            QStringList columns = columnNames(db, name, file);
            f.trusted = columns.size() >= 2 && columns.takeLast() == kOddColumn;
            f.info.fields = columns;
            const QStringList tableColumns = columnNames(db, f.info.table, file, &f.info.key);
            for (const QString& c : std::as_const(f.info.fields))
                if (!tableColumns.contains(c)) f.trusted = false;
            if (f.trusted) {
                const IndexSql sql = indexSql(f.info.table, f.info.fields);
                f.trusted = objectSql(db, "table", name, file) == sql.create;
                for (const auto& [trigger, statement] : sql.triggers)
                    f.trusted = f.trusted && objectSql(db, "trigger", trigger, file) == statement;
            }
        } catch (const Error&) {
            // An index SQLite cannot read here (no FTS5) is of no use.
            f.trusted = false;
        }
        found << f;
    }
    return found;
}

void drop(sqlite3* db, const QString& table, const QString& file) {
    for (const char* event : {"insert", "delete", "update"})
        exec(db, "DROP TRIGGER IF EXISTS main." + quoteIdent(triggerName(table, event)), file);
    exec(db, "DROP TABLE IF EXISTS main." + quoteIdent(ftsName(table)), file);
}

// Makes the index of table's fields anew from its rows; false (and the file unchanged) when it
// cannot be made here.
bool build(sqlite3* db, const QString& table, const QStringList& fields, const QString& file) {
    try {
        Savepoint savepoint(db, "mrv_search", file);
        drop(db, table, file);
        const QStringList columns = columnNames(db, table, file);
        if (columns.isEmpty()) return false;
        for (const QString& f : fields)
            if (!columns.contains(f)) return false;
        const IndexSql sql = indexSql(table, fields);
        exec(db, sql.create, file);
        exec(db, sql.fill, file);
        for (const auto& trigger : sql.triggers) exec(db, trigger.second, file);
        savepoint.release();
        return true;
    } catch (const Error&) {
        return false;
    }
}

}  // namespace

bool isSearchIndexTable(const QString& name) {
    return name.startsWith(QLatin1String(kPrefix), Qt::CaseInsensitive);
}

QList<SearchIndexInfo> searchIndexes(sqlite3* db, const QString& file) {
    QList<SearchIndexInfo> trusted;
    try {
        for (const Found& f : discover(db, file))
            if (f.trusted) trusted << f.info;
    } catch (const Error&) {
    }
    return trusted;
}

void ensureSearchIndex(Database& database, const QList<SearchIndexFields>& wanted) {
    sqlite3* db = database.handle();
    if (!db || database.readOnly()) return;
    const QString file = database.Name();
    QList<Found> found;
    try {
        found = discover(db, file);
    } catch (const Error&) {
        return;
    }
    for (const SearchIndexFields& w : wanted) {
        const bool present = std::any_of(found.begin(), found.end(), [&](const Found& f) {
            return f.trusted && f.info.table == w.table && f.info.fields == w.fields;
        });
        if (!present) build(db, w.table, w.fields, file);
    }
}

void rebuildSearchIndexes(sqlite3* db, const QString& file) {
    QList<Found> found;
    try {
        found = discover(db, file);
    } catch (const Error&) {
        return;
    }
    for (const Found& f : found) {
        if (build(db, f.info.table, f.info.fields, file)) continue;
        // One that cannot be made again is better gone than stale: the scan answers without it.
        try {
            drop(db, f.info.table, file);
        } catch (const Error&) {
        }
    }
}

void rebuildSearchIndex(Database& database) {
    if (database.handle() && !database.readOnly()) rebuildSearchIndexes(database.handle(), database.Name());
}

void dropSearchIndexes(sqlite3* db, const QString& file) {
    for (const Found& f : discover(db, file)) drop(db, f.info.table, file);
}

// ---- Statements answered from the index ---------------------------------------------------------

namespace {

bool isAnyWord(const Token& t, std::initializer_list<const char*> words) {
    return !t.afterDot && std::any_of(words.begin(), words.end(), [&](const char* w) { return t.is(w); });
}

// A jet_like term of the condition: the column it reads and its pattern.
struct Like {
    int source = -1;
    QString column, pattern;
};

std::optional<QString> stringLiteral(const QString& text) {
    const Tokens t = dialect::tokens(text);
    if (t.size() != 1 || t[0].kind != Kind::String) return std::nullopt;
    return t[0].text.mid(1, t[0].text.size() - 2).replace("''", "'");
}

// The text between the *s of '*text*', when it has no other wildcard and three characters or more.
std::optional<QString> containedLiteral(const QString& pattern) {
    if (pattern.size() < 2 || !pattern.startsWith('*') || !pattern.endsWith('*')) return std::nullopt;
    const QString literal = pattern.mid(1, pattern.size() - 2);
    for (QChar c : literal)
        if (c == '*' || c == '?' || c == '#' || c == '[') return std::nullopt;
    if (literal.toUcs4().size() < 3) return std::nullopt;
    return literal;
}

QString ftsPhrase(const QString& text) {
    return '"' + QString(text).replace('"', "\"\"") + '"';
}

// The full-text query a row must meet to hold the literal: each of (some of) its trigrams, in every
// form the characters take under Like's case folding. The index folds ASCII case itself; any other
// character a literal character matches is asked for as it is.
std::optional<QString> literalQuery(const QString& literal) {
    std::vector<QStringList> forms;
    for (const char32_t c : literal.toUcs4()) {
        QStringList f;
        for (char32_t e : dialect::likeEquivalents(c)) {
            if (e >= 'A' && e <= 'Z') e += 'a' - 'A';
            const QString s = QString::fromUcs4(&e, 1);
            if (!f.contains(s)) f << s;
        }
        if (f.isEmpty()) return std::nullopt;
        forms.push_back(f);
    }
    const int trigrams = int(forms.size()) - 2;
    const int chosen = std::min(trigrams, kMaxTrigrams);
    QStringList terms;
    for (int k = 0; k < chosen; ++k) {
        const int j = chosen == 1 ? 0 : int(qint64(k) * (trigrams - 1) / (chosen - 1));
        if (forms[j].size() * forms[j + 1].size() * forms[j + 2].size() > qsizetype(kMaxAlternatives))
            continue;
        QStringList alternatives;
        for (const QString& a : forms[j])
            for (const QString& b : forms[j + 1])
                for (const QString& c : forms[j + 2]) alternatives << ftsPhrase(a + b + c);
        terms << '(' + alternatives.join(" OR ") + ')';
    }
    if (terms.isEmpty()) return std::nullopt;
    return terms.join(" AND ");
}

using Equality = std::pair<std::pair<int, QString>, std::pair<int, QString>>;

// Equalities "a.x = b.y" of the ON clauses, as (source, column) pairs; nothing when a join is not an
// inner one, which a filter of one source's rows could not follow.
std::optional<QList<Equality>> joinEqualities(const Tokens& t, size_t begin, size_t end,
                                              const std::function<int(const QString&)>& sourceOf) {
    QList<Equality> found;
    const auto conjunct = [&](size_t from, size_t to) {
        if (to - from != 7) return;
        const Token* k = &t[from];
        if (k[0].isIdentifier() && k[1].isOperator(u'.') && k[2].isIdentifier() && k[3].isOperator(u'=') &&
            k[4].isIdentifier() && k[5].isOperator(u'.') && k[6].isIdentifier())
            found.append({{sourceOf(k[0].name()), k[2].name()}, {sourceOf(k[4].name()), k[6].name()}});
    };
    int depth = 0;
    size_t conditionStart = 0;
    bool inCondition = false;
    for (size_t i = begin; i <= end; ++i) {
        const bool last = i == end;
        if (!last && t[i].kind == Kind::Open) ++depth;
        if (!last && t[i].kind == Kind::Close) --depth;
        if (!last && depth > 0) continue;
        if (!last && isAnyWord(t[i], {"LEFT", "RIGHT", "FULL", "OUTER", "NATURAL", "USING"}))
            return std::nullopt;
        const bool ends = last || t[i].kind == Kind::Comma ||
                          isAnyWord(t[i], {"JOIN", "INNER", "CROSS", "ON"}) || isAnyWord(t[i], {"AND"});
        if (inCondition && ends) {
            conjunct(conditionStart, i);
            inCondition = !last && isAnyWord(t[i], {"AND"});
            conditionStart = i + 1;
        }
        if (!last && t[i].is("ON")) {
            inCondition = true;
            conditionStart = i + 1;
        }
    }
    return found;
}

}  // namespace

std::optional<QString> searchRewrite(Database::Private& d, const Tokens& t, size_t fromBegin,
                                     size_t restBegin, const QList<SearchSource>& sources) {
    size_t end = t.size();
    while (end > restBegin && t[end - 1].kind == Kind::Semicolon) --end;
    if (end <= restBegin || !t[restBegin].is("WHERE")) return std::nullopt;

    // WHERE <Likes joined by OR> [ORDER BY ...], nothing else.
    size_t whereEnd = end;
    int depth = 0;
    for (size_t i = restBegin + 1; i < end; ++i) {
        if (t[i].kind == Kind::Open) ++depth;
        if (t[i].kind == Kind::Close) --depth;
        if (depth > 0) continue;
        if (isAnyWord(t[i], {"GROUP", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW"}))
            return std::nullopt;
        if (t[i].is("ORDER")) {
            if (i + 1 >= end || !t[i + 1].is("BY")) return std::nullopt;
            whereEnd = i;
            break;
        }
    }
    const auto sourceOf = [&](const QString& qualifier) {
        for (int s = 0; s < sources.size(); ++s)
            if (sources[s].qualifier.compare(qualifier, Qt::CaseInsensitive) == 0) return s;
        for (int s = 0; s < sources.size(); ++s)
            if (sources[s].table.compare(qualifier, Qt::CaseInsensitive) == 0) return s;
        return -1;
    };
    QList<Like> likes;
    for (size_t i = restBegin + 1; i < whereEnd; i += 2) {
        const Token& term = t[i];
        if (term.kind != Kind::Rewritten || term.likePattern.isEmpty() || term.likeNegated)
            return std::nullopt;
        if (i + 1 < whereEnd && !isAnyWord(t[i + 1], {"OR"})) return std::nullopt;
        const std::optional<QString> pattern = stringLiteral(term.likePattern);
        const Tokens subject = dialect::tokens(term.likeSubject);
        if (!pattern) return std::nullopt;
        Like like;
        like.pattern = *pattern;
        if (subject.size() == 1 && subject[0].isIdentifier()) {
            like.column = subject[0].name();
            for (int s = 0; s < sources.size(); ++s) {
                const TableInfo* info = d.table(sources[s].table);
                if (info && info->indexOf(like.column) >= 0) {
                    if (like.source >= 0) return std::nullopt;  // ambiguous
                    like.source = s;
                }
            }
        } else if (subject.size() == 3 && subject[0].isIdentifier() && subject[1].isOperator(u'.') &&
                   subject[2].isIdentifier()) {
            like.column = subject[2].name();
            like.source = sourceOf(subject[0].name());
        } else {
            return std::nullopt;
        }
        if (like.source < 0 || !sources[like.source].plain) return std::nullopt;
        likes << like;
    }
    if (likes.isEmpty()) return std::nullopt;

    // Rows that tie on the statement's order come in the order of their identities, whichever way
    // they were found, so that the index and the scan list them alike.
    const QString whereText =
        dialect::join(t.cbegin() + qsizetype(restBegin) + 1, t.cbegin() + qsizetype(whereEnd));
    QStringList order;
    if (whereEnd < end)
        order << dialect::join(t.cbegin() + qsizetype(whereEnd) + 2, t.cbegin() + qsizetype(end));
    for (const SearchSource& s : sources) order << quoteIdent(s.qualifier) + ".rowid";
    const QString orderBy = " ORDER BY " + order.join(", ");
    const QString scan = "WHERE " + whereText + orderBy;

    // Every Like must be one the index answers.
    const QList<SearchIndexInfo>& indexes = d.searchIndexes();
    QHash<int, QStringList> literals;  // by source
    for (const Like& like : std::as_const(likes)) {
        const auto index = std::find_if(indexes.begin(), indexes.end(), [&](const SearchIndexInfo& i) {
            return i.table.compare(sources[like.source].table, Qt::CaseInsensitive) == 0;
        });
        if (index == indexes.end() ||
            !std::any_of(index->fields.begin(), index->fields.end(),
                         [&](const QString& f) { return f.compare(like.column, Qt::CaseInsensitive) == 0; }))
            return scan;
        const std::optional<QString> literal = containedLiteral(like.pattern);
        if (!literal) return scan;
        if (!literals[like.source].contains(*literal)) literals[like.source] << *literal;
    }

    // The source whose rows are filtered: the one the Likes read, or one that every other source
    // they read is joined to by its key.
    int driving = literals.size() == 1 ? literals.cbegin().key() : -1;
    QHash<int, QString>
        joinColumn;  // for each other source read, the driving source's column holding its key
    if (driving < 0) {
        const auto equalities = joinEqualities(t, fromBegin, restBegin, sourceOf);
        if (!equalities) return scan;
        for (int candidate = 0; candidate < sources.size() && driving < 0; ++candidate) {
            joinColumn.clear();
            bool all = true;
            for (auto it = literals.cbegin(); it != literals.cend() && all; ++it) {
                if (it.key() == candidate) continue;
                const auto index =
                    std::find_if(indexes.begin(), indexes.end(), [&](const SearchIndexInfo& i) {
                        return i.table.compare(sources[it.key()].table, Qt::CaseInsensitive) == 0;
                    });
                const auto isKey = [&](const QString& c) {
                    return (!index->key.isEmpty() && c.compare(index->key, Qt::CaseInsensitive) == 0) ||
                           c.compare("rowid", Qt::CaseInsensitive) == 0;
                };
                bool joined = false;
                for (const auto& [a, b] : *equalities) {
                    if (a.first == candidate && b.first == it.key() && isKey(b.second)) {
                        joinColumn.insert(it.key(), a.second);
                        joined = true;
                    } else if (b.first == candidate && a.first == it.key() && isKey(a.second)) {
                        joinColumn.insert(it.key(), b.second);
                        joined = true;
                    }
                }
                all = joined;
            }
            if (all) driving = candidate;
        }
        if (driving < 0) return scan;
    }

    QStringList candidates;
    for (auto it = literals.cbegin(); it != literals.cend(); ++it) {
        QStringList queries;
        for (const QString& literal : it.value()) {
            const std::optional<QString> query = literalQuery(literal);
            if (!query) return scan;
            queries << '(' + *query + ')';
        }
        queries << ftsPhrase(kOddMarker);
        const QString fts = quoteIdent(ftsName(sources[it.key()].table));
        const QString matching = QString("SELECT rowid FROM main.%1 WHERE %1 MATCH %2")
                                     .arg(fts, quoteLiteral(queries.join(" OR ")));
        if (it.key() == driving)
            candidates << matching;
        else
            candidates << QString("SELECT rowid FROM main.%1 WHERE %2 IN (%3)")
                              .arg(quoteIdent(sources[driving].table), quoteIdent(joinColumn.value(it.key())),
                                   matching);
    }
    return QString("WHERE %1.rowid IN (%2) AND (%3)%4")
        .arg(quoteIdent(sources[driving].qualifier), candidates.join(" UNION "), whereText, orderBy);
}

}  // namespace engine
