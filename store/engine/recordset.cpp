#include "store/engine/recordset_p.h"
#include "store/engine/replication.h"
#include "store/engine/sql_dialect.h"

#include <QDir>

#include <algorithm>

namespace engine {

namespace {

// ---- A light reading of the SELECT statements the system writes ------------------------------
// Enough to expand `*` and `X.*` (so that stored bytes are read only on demand) and to know when a
// recordset maps onto one table and can be updated. Anything else runs untouched, read-only. It reads
// the dialect's own tokens, after translation.

using dialect::Kind;
using dialect::Token;
using Tokens = std::vector<Token>;

bool isAnyOf(const Token& t, std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return t.is(w); });
}

bool isClauseWord(const Token& t) {
    return isAnyOf(t,
                   {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW"});
}

bool isJoinWord(const Token& t) {
    return isAnyOf(t, {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "OUTER", "CROSS", "NATURAL", "ON", "USING"});
}

}  // namespace

struct SelectItem {
    enum Kind { Star, SourceStar, Column, Expression } kind = Expression;
    QString text;  // as written, alias included
    QString expr;  // without the alias
    QString alias;
    QString qualifier;  // for SourceStar and Column
    QString column;
    bool aggregate = false;
};

struct Source {
    QString table;
    QString qualifier;  // alias, or the table name
    bool plain = true;  // named without a schema
};

struct SelectShape {
    bool ok = false;
    bool distinct = false;
    bool grouped = false;
    QList<SelectItem> items;
    QList<Source> sources;
    QString from;                         // "FROM ..." up to the first clause
    QString rest;                         // the clauses
    size_t fromBegin = 0, restBegin = 0;  // token positions of the sources and the clauses
};

namespace {

QString text(const Tokens& t, size_t begin, size_t end) {
    return dialect::join(t.cbegin() + std::ptrdiff_t(begin), t.cbegin() + std::ptrdiff_t(end));
}

// One item of the select list, tokens [begin, end).
SelectItem readItem(const Tokens& t, size_t begin, size_t end) {
    SelectItem item;
    item.text = item.expr = text(t, begin, end);
    if (end - begin >= 3 && t[end - 2].is("AS") && t[end - 1].isIdentifier()) {
        item.alias = t[end - 1].name();
        end -= 2;
        item.expr = text(t, begin, end);
    }
    static const QStringList aggregates = {"count", "sum",          "avg",   "min", "max",
                                           "total", "group_concat", "first", "last"};
    for (size_t k = begin; k + 1 < end; ++k)
        if (t[k].kind == Kind::Word && t[k + 1].kind == Kind::Open &&
            aggregates.contains(t[k].text.toLower()))
            item.aggregate = true;
    const size_t n = end - begin;
    const Token& first = t[begin];
    if (n == 1 && first.isOperator(u'*')) {
        item.kind = SelectItem::Star;
    } else if (n == 1 && first.isIdentifier()) {
        item.kind = SelectItem::Column;
        item.column = first.name();
    } else if (n == 3 && first.isIdentifier() && t[begin + 1].isOperator(u'.')) {
        if (t[begin + 2].isOperator(u'*')) {
            item.kind = SelectItem::SourceStar;
        } else if (t[begin + 2].isIdentifier()) {
            item.kind = SelectItem::Column;
            item.column = t[begin + 2].name();
        }
        item.qualifier = first.name();
    }
    return item;
}

// The select list from i up to FROM; i is left on FROM. False when the list cannot be read.
bool readItems(const Tokens& t, size_t& i, SelectShape& shape) {
    int depth = 0;
    size_t itemStart = i;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Kind::Open) {
            ++depth;
        } else if (t[i].kind == Kind::Close) {
            --depth;
        } else if (depth == 0 && (t[i].kind == Kind::Comma || t[i].is("FROM"))) {
            if (i == itemStart) return false;
            shape.items.append(readItem(t, itemStart, i));
            if (t[i].is("FROM")) return true;
            itemStart = i + 1;
        }
    }
    return false;
}

// The tables after FROM, from i (just past FROM) up to the first clause, which i is left on. False
// when a source is not a plain table (a sub-query).
bool readSources(const Tokens& t, size_t& i, SelectShape& shape) {
    int depth = 0;
    bool expectSource = true;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Kind::Open) {
            if (expectSource) return false;
            ++depth;
        } else if (t[i].kind == Kind::Close) {
            --depth;
        } else if (depth > 0) {
            continue;
        } else if (isClauseWord(t[i])) {
            break;
        } else if (t[i].kind == Kind::Comma || t[i].is("JOIN")) {
            expectSource = true;
        } else if (t[i].is("ON") || t[i].is("USING")) {
            expectSource = false;
        } else if (expectSource && !isJoinWord(t[i])) {
            if (!t[i].isIdentifier()) return false;
            Source s;
            s.table = t[i].name();
            if (i + 2 < t.size() && t[i + 1].isOperator(u'.') && t[i + 2].isIdentifier()) {
                i += 2;
                s.table = t[i].name();
                s.plain = false;
            }
            s.qualifier = s.table;
            if (i + 2 < t.size() && t[i + 1].is("AS") && t[i + 2].isIdentifier()) {
                s.qualifier = t[i + 2].name();
                i += 2;
            } else if (i + 1 < t.size() && t[i + 1].isIdentifier() && !isJoinWord(t[i + 1]) &&
                       !isClauseWord(t[i + 1])) {
                s.qualifier = t[++i].name();
            }
            shape.sources.append(s);
            expectSource = false;
        }
    }
    return !shape.sources.isEmpty();
}

SelectShape readSelect(const Tokens& t) {
    SelectShape shape;
    if (t.empty() || !t[0].is("SELECT")) return shape;
    size_t i = 1;
    if (i < t.size() && (t[i].is("DISTINCT") || t[i].is("ALL"))) shape.distinct = t[i++].is("DISTINCT");
    if (i < t.size() && t[i].is("TOP")) return shape;
    if (!readItems(t, i, shape)) return shape;
    const size_t fromTok = i++;
    if (!readSources(t, i, shape)) return shape;
    for (size_t k = i; k < t.size(); ++k) {
        if (isAnyOf(t[k], {"UNION", "EXCEPT", "INTERSECT"})) return shape;
        if (t[k].is("GROUP") || t[k].is("HAVING")) shape.grouped = true;
    }
    shape.from = text(t, fromTok, i);
    shape.rest = text(t, i, t.size());
    shape.fromBegin = fromTok + 1;
    shape.restBegin = i;
    shape.ok = true;
    return shape;
}

bool looksLikeTableName(const QString& source) {
    const QString s = source.trimmed();
    if (s.startsWith('[') && s.endsWith(']')) return !s.mid(1, s.size() - 2).contains(']');
    for (QChar c : s)
        if (!(c.isLetterOrNumber() || c == '_')) return false;
    return !s.isEmpty();
}

// The result columns of a SELECT over tables whose columns are known, built up with the fields
// they feed.
struct ResultColumns {
    const SelectShape& shape;
    const QList<const TableInfo*>& tables;
    std::vector<FieldDesc>& fields;
    QStringList list;

    void add(int source, const ColumnInfo& column, const QString& name, const QString& expr) {
        FieldDesc f;
        f.name = name;
        f.column = column;
        f.table = tables[source]->name;
        f.sourceIndex = source;
        f.typed = true;
        f.col = int(list.size());
        // A stored file's length comes from the record header alone; the bytes stay on disk until
        // asked for.
        f.deferred = column.type == dbLongBinary;
        list << (f.deferred ? "length(" + expr + ")" : expr);
        fields.push_back(f);
    }

    int sourceOf(const QString& qualifier) const {
        for (int s = 0; s < shape.sources.size(); ++s)
            if (shape.sources[s].qualifier.compare(qualifier, Qt::CaseInsensitive) == 0) return s;
        for (int s = 0; s < shape.sources.size(); ++s)
            if (shape.sources[s].table.compare(qualifier, Qt::CaseInsensitive) == 0) return s;
        return -1;
    }

    void expand(int s) {
        for (const ColumnInfo& c : tables[s]->columns)
            if (!c.hidden)
                add(s, c, c.name, quoteIdent(shape.sources[s].qualifier) + "." + quoteIdent(c.name));
    }

    // A column of a known table, typed; otherwise an expression SQLite describes.
    void addColumnItem(const SelectItem& item) {
        int s = item.qualifier.isEmpty() ? -1 : sourceOf(item.qualifier);
        if (item.qualifier.isEmpty())
            for (int k = 0; k < shape.sources.size() && s < 0; ++k)
                if (tables[k]->indexOf(item.column) >= 0) s = k;
        const int c = s >= 0 ? tables[s]->indexOf(item.column) : -1;
        if (c < 0) return addExpression(item);
        const ColumnInfo& column = tables[s]->columns[c];
        add(s, column, item.alias.isEmpty() ? column.name : item.alias, item.expr);
        if (!item.alias.isEmpty() && !fields.back().deferred) list.last() = item.text;
    }

    void addExpression(const SelectItem& item) {
        FieldDesc f;
        f.name = item.alias;  // SQLite's column name when empty
        f.col = int(list.size());
        list << item.text;
        fields.push_back(f);
    }

    void addItem(const SelectItem& item, const QString& statement) {
        switch (item.kind) {
            case SelectItem::Star:
                for (int s = 0; s < shape.sources.size(); ++s) expand(s);
                break;
            case SelectItem::SourceStar: {
                const int s = sourceOf(item.qualifier);
                if (s < 0)
                    throw Error(errSyntax,
                                QString("Unknown table '%1' in: %2").arg(item.qualifier, statement));
                expand(s);
                break;
            }
            case SelectItem::Column:
                addColumnItem(item);
                break;
            case SelectItem::Expression:
                addExpression(item);
                break;
        }
    }

    // The identity of each source row a field needs, for deferred values and, when updatable, for
    // writing back (the first source's always). Returns the result column of each source's identity.
    QList<int> addRowIdentities(bool updatable) {
        QList<int> rowidCols(shape.sources.size(), -1);
        auto identity = [&](int s) {
            if (rowidCols[s] < 0) {
                rowidCols[s] = int(list.size());
                list << quoteIdent(shape.sources[s].qualifier) + ".rowid";
            }
            return rowidCols[s];
        };
        for (FieldDesc& f : fields)
            if (f.sourceIndex >= 0 && (f.deferred || updatable)) f.rowidCol = identity(f.sourceIndex);
        if (updatable) identity(0);
        return rowidCols;
    }
};

}  // namespace

constexpr qint64 kDirectBindLimit = 4 * 1024 * 1024;

// ---- Spooling pieces of a value before it is stored ------------------------------------------

namespace {
[[noreturn]] void diskError(const QTemporaryFile& file, const char* what) {
    throw Error(
        errDiskIO,
        QString("Cannot %1 the temporary file '%2': %3.").arg(what, file.fileName(), file.errorString()));
}
}  // namespace

void Spool::append(const QByteArray& piece, const QString& field) {
    if (size + piece.size() > kMaxLongBinary)
        throw Error(
            errFieldTooSmall,
            QString("The data for the field '%1' is too large: a Code Library stores at most %2 MB in "
                    "one item.")
                .arg(field)
                .arg(kMaxLongBinary / 1'000'000));
    if (!file && pending.size() + piece.size() <= kChunkSize) {
        pending.append(piece);
    } else {
        if (!file) {
            file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/mrv-spool-XXXXXX");
            if (!file->open())
                throw Error(errDiskIO,
                            QString("Cannot create a temporary file in '%1' to hold the data of the "
                                    "field '%2'.")
                                .arg(QDir::tempPath(), field));
        }
        if (!pending.isEmpty()) {
            if (file->write(pending) != pending.size()) diskError(*file, "write");
            pending.clear();
        }
        if (file->write(piece) != piece.size()) diskError(*file, "write");
    }
    size += piece.size();
}

std::pair<const char*, qint64> Spool::bytes() {
    if (!file) return {pending.constData(), pending.size()};
    if (!pending.isEmpty()) {
        if (file->write(pending) != pending.size()) diskError(*file, "write");
        pending.clear();
    }
    if (!file->flush()) diskError(*file, "write");
    // Mapped, not read: the pages come from the file cache and are never all on the heap.
    if (!mapped) mapped = file->map(0, size);
    if (!mapped && size > 0) diskError(*file, "read");
    return {reinterpret_cast<const char*>(mapped), size};
}

// ---- The recordset --------------------------------------------------------------------------

RecordsetData::RecordsetData(Database::Private* owner, const QString& src, RecordsetType t, int opts)
    : db(owner), source(src), type(t), options(opts) {
    prepare();
    try {
        stepRow();
    } catch (...) {
        db = nullptr;
        throw;
    }
    db->recordsets.insert(this);
    empty = position == AfterLast;
}

RecordsetData::~RecordsetData() {
    if (db) db->recordsets.remove(this);
    detach();
}

void RecordsetData::detach() {
    closeBlob();
    writeStatement.reset();
    stmt.reset();
    db = nullptr;
}

void RecordsetData::check() const {
    if (!db || !stmt) throw Error(errObjectClosed, "The recordset is closed.");
}

// The SELECT the recordset runs for a table name: every column of the table.
QString RecordsetData::selectText() const {
    if (!looksLikeTableName(source)) return source;
    QString name = source.trimmed();
    if (name.startsWith('[')) name = name.mid(1, name.size() - 2);
    if (!db->table(name))
        throw Error(errTableMissing,
                    QString("The table or query '%1' does not exist in '%2'.").arg(name, db->path));
    return "SELECT * FROM [" + name + "]";
}

void RecordsetData::prepare() {
    const std::vector<dialect::Token> tokens = dialect::tokens(selectText());
    SelectShape shape = readSelect(tokens);
    QList<const TableInfo*> tables;
    for (const Source& s : shape.sources) tables << db->table(s.table);
    const bool known = shape.ok && !shape.distinct && !shape.grouped && !tables.contains(nullptr);
    if (known) {
        QList<SearchSource> sources;
        for (const Source& s : shape.sources) sources.append({s.table, s.qualifier, s.plain});
        if (std::optional<QString> rest =
                searchRewrite(*db, tokens, shape.fromBegin, shape.restBegin, sources))
            shape.rest = *rest;
        expandSelect(shape, tables);
    } else {
        sql = dialect::join(tokens.cbegin(), tokens.cend());
        whyNotUpdatable = "The query joins or groups rows, so it cannot be updated.";
    }
    compile();
    if (!known)
        for (int c = 0; c < sqlite3_column_count(stmt.get()); ++c) {
            FieldDesc f;
            f.col = c;
            fields.push_back(f);
        }
    describeFields();
}

// Writes out the select list with every column by name, stored files as their lengths, and the row
// identities needed to read them and to write rows back.
void RecordsetData::expandSelect(const SelectShape& shape, const QList<const TableInfo*>& tables) {
    ResultColumns columns{shape, tables, fields, {}};
    for (const SelectItem& item : shape.items) columns.addItem(item, source);
    const bool aggregate =
        std::any_of(shape.items.begin(), shape.items.end(), [](auto& i) { return i.aggregate; });
    updatable = shape.sources.size() == 1 && !aggregate && type != dbOpenSnapshot;
    const QList<int> rowidCols = columns.addRowIdentities(updatable);
    const QString select = "SELECT " + columns.list.join(", ") + " " + shape.from;
    if (updatable) {
        baseTable = tables[0]->name;
        baseRowidCol = rowidCols[0];
        rowSql = select + " WHERE " + quoteIdent(shape.sources[0].qualifier) + ".rowid = ?1";
    } else {
        whyNotUpdatable = aggregate                ? "The query summarises rows, so it cannot be updated."
                          : type == dbOpenSnapshot ? "A snapshot cannot be updated."
                                                   : "The query joins tables, so it cannot be updated.";
    }
    sql = select + (shape.rest.isEmpty() ? "" : " " + shape.rest);
}

void RecordsetData::compile() {
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    const int rc = sqlite3_prepare_v2(db->db, utf8.constData(), int(utf8.size()), &prepared, nullptr);
    stmt.reset(prepared);
    if (rc != SQLITE_OK) throwSqlite(db->db, rc, db->path, source);
}

// Names the fields as SQLite does where the select list did not, and types those that turn out to
// be a table's column after all (SQLite knows where a result column comes from).
void RecordsetData::describeFields() {
    for (FieldDesc& f : fields) {
        if (f.name.isEmpty()) f.name = QString::fromUtf8(sqlite3_column_name(stmt.get(), f.col));
        if (f.typed) continue;
        const char* table = sqlite3_column_table_name(stmt.get(), f.col);
        const char* origin = sqlite3_column_origin_name(stmt.get(), f.col);
        if (!table || !origin) continue;
        if (const TableInfo* info = db->table(QString::fromUtf8(table)))
            if (int k = info->indexOf(QString::fromUtf8(origin)); k >= 0) {
                f.column = info->columns[k];
                f.typed = true;
            }
    }
    for (int i = int(fields.size()) - 1; i >= 0; --i) byName.insert(fields[i].name.toLower(), i);
    changes.resize(fields.size());
    spools.resize(fields.size());
}

void RecordsetData::stepRow() {
    closeBlob();
    overlay.reset();
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
        position = OnRow;
    else if (rc == SQLITE_DONE)
        position = AfterLast;
    else
        throwSqlite(db->db, rc, db->path, source);
}

void RecordsetData::requireRow() const {
    check();
    if (mode == Adding) return;
    if (!overlay && position != OnRow) throw Error(errNoCurrentRecord, "No current record.");
}

int RecordsetData::fieldIndex(const QString& name) const {
    const auto it = byName.constFind(name.toLower());
    if (it == byName.constEnd())
        throw Error(errItemNotFound, QString("The field '%1' does not exist in: %2").arg(name, source));
    return it.value();
}

QVariant RecordsetData::value(int f) const {
    requireRow();
    const FieldDesc& fd = fields[size_t(f)];
    if (mode != NoEdit) {
        if (spools[size_t(f)])
            throw Error(errNotUpdatable, QString("The field '%1' is being written in pieces.").arg(fd.name));
        if (const auto& c = changes[size_t(f)]) {
            if (fd.column.type == dbDate && c->isValid()) return parseDate(c->toString());
            if ((fd.column.type == dbLong || fd.column.type == dbInteger || fd.column.type == dbByte) &&
                c->isValid())
                return c->toInt();
            if (fd.column.type == dbBoolean && c->isValid()) return c->toLongLong() != 0;
            return *c;
        }
        if (mode == Adding) return QVariant();
    }
    if (fd.deferred) {
        const qint64 length = storedLength(f);
        if (length < 0) return QVariant();
        return const_cast<RecordsetData*>(this)->chunk(f, 0, length);
    }
    if (overlay) return (*overlay)[size_t(f)];
    return readColumn(stmt.get(), fd.col, fd.column.type, fd.typed);
}

qint64 RecordsetData::rowidOf(int f) const {
    const FieldDesc& fd = fields[size_t(f)];
    if (overlay) return overlayRowid;
    return sqlite3_column_int64(stmt.get(), fd.rowidCol);
}

qint64 RecordsetData::fieldSize(int f) const {
    requireRow();
    const FieldDesc& fd = fields[size_t(f)];
    if (mode != NoEdit && spools[size_t(f)]) return spools[size_t(f)]->size;
    if (fd.deferred) return storedLength(f);
    const QVariant v = value(f);
    if (v.isNull()) return -1;
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray().size() : v.toString().toUtf8().size();
}

qint64 RecordsetData::storedLength(int f) const {
    const FieldDesc& fd = fields[size_t(f)];
    if (overlay) {
        const QVariant& v = (*overlay)[size_t(f)];
        return v.isNull() ? -1 : v.toLongLong();
    }
    if (sqlite3_column_type(stmt.get(), fd.col) == SQLITE_NULL) return -1;
    return sqlite3_column_int64(stmt.get(), fd.col);
}

void RecordsetData::closeBlob() {
    blob.reset();
    blobField = -1;
    blobRowid = -1;
}

QByteArray RecordsetData::chunk(int f, qint64 offset, qint64 length) {
    requireRow();
    const FieldDesc& fd = fields[size_t(f)];
    if (offset < 0 || length < 0) throw Error(errConversion, "GetChunk needs a positive offset and length.");
    if (!fd.deferred) {
        const QVariant v = value(f);
        const QByteArray all = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        return all.mid(offset, length);
    }
    const qint64 rowid = rowidOf(f);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!blob || blobField != f || blobRowid != rowid) {
            const QByteArray table = fd.table.toUtf8();
            const QByteArray column = fd.column.name.toUtf8();
            int rc = SQLITE_OK;
            if (blob && blobField == f) {
                rc = sqlite3_blob_reopen(blob.get(), rowid);
            } else {
                closeBlob();
                sqlite3_blob* opened = nullptr;
                rc = sqlite3_blob_open(db->db, "main", table.constData(), column.constData(), rowid, 0,
                                       &opened);
                blob.reset(opened);
            }
            if (rc != SQLITE_OK) {
                const int code = sqlite3_errcode(db->db);
                closeBlob();
                // A Null value has no blob to open.
                if (code == SQLITE_ERROR) return QByteArray();
                throwSqlite(db->db, rc, db->path);
            }
            blobField = f;
            blobRowid = rowid;
        }
        const qint64 size = sqlite3_blob_bytes(blob.get());
        if (offset >= size) return QByteArray();
        const qint64 n = qMin(length, size - offset);
        QByteArray out(n, Qt::Uninitialized);
        const int rc = sqlite3_blob_read(blob.get(), out.data(), int(n), int(offset));
        if (rc == SQLITE_OK) return out;
        closeBlob();
        if (rc != SQLITE_ABORT) throwSqlite(db->db, rc, db->path);  // the row changed under us: reopen once
    }
    throw Error(errDamaged, QString("Cannot read the field '%1'.").arg(fd.name));
}

void RecordsetData::requireUpdatable() const {
    check();
    if ((options & dbReadOnly) || db->readOnly || type == dbOpenSnapshot)
        throw Error(errReadOnly,
                    db->readOnly
                        ? QString("Cannot change '%1': the library or the file is read-only.").arg(db->path)
                        : QString("Cannot update: the recordset is read-only (%1).").arg(source));
    if (!updatable)
        throw Error(errNotUpdatable, QString("Cannot update. %1 (%2)").arg(whyNotUpdatable, source));
}

void RecordsetData::setValue(int f, const QVariant& v) {
    check();
    const FieldDesc& fd = fields[size_t(f)];
    if (mode == NoEdit) throw Error(errNoEditInProgress, "Update or CancelUpdate without AddNew or Edit.");
    if (fd.table.isEmpty() || fd.sourceIndex != 0 || fd.column.counter)
        throw Error(errNotUpdatable, QString("The field '%1' cannot be updated.").arg(fd.name));
    changes[size_t(f)] = coerceForColumn(v, fd.column);
    spools[size_t(f)].reset();
}

void RecordsetData::appendChunk(int f, const QByteArray& piece) {
    check();
    const FieldDesc& fd = fields[size_t(f)];
    if (mode == NoEdit) throw Error(errNoEditInProgress, "Update or CancelUpdate without AddNew or Edit.");
    if (fd.table.isEmpty() || fd.sourceIndex != 0)
        throw Error(errNotUpdatable, QString("The field '%1' cannot be updated.").arg(fd.name));
    if (fd.column.type != dbLongBinary && fd.column.type != dbMemo)
        throw Error(errConversion, QString("The field '%1' does not take data in pieces.").arg(fd.name));
    auto& spool = spools[size_t(f)];
    if (!spool) {
        spool = std::make_unique<Spool>();
        changes[size_t(f)].reset();
    }
    spool->append(piece, fd.name);
}

void RecordsetData::loadOverlay(qint64 rowid) {
    check();
    if (rowSql.isEmpty()) throw Error(errNotUpdatable, "Bookmarks are not available for this recordset.");
    closeBlob();
    Statement row(db->db, rowSql, db->path);
    row.bind(1, rowid);
    if (!row.step())
        throw Error(errNoCurrentRecord, "No current record: the row was deleted or is not valid.");
    std::vector<QVariant> values;
    for (const FieldDesc& f : fields) {
        // A deferred value is kept as its length; the bytes are read through the identity when asked for.
        if (f.deferred)
            values.push_back(sqlite3_column_type(row.get(), f.col) == SQLITE_NULL
                                 ? QVariant()
                                 : QVariant(sqlite3_column_int64(row.get(), f.col)));
        else
            values.push_back(readColumn(row.get(), f.col, f.column.type, f.typed));
    }
    overlay = std::move(values);
    overlayRowid = rowid;
}

void RecordsetData::update() {
    check();
    if (mode == NoEdit) throw Error(errNoEditInProgress, "Update or CancelUpdate without AddNew or Edit.");
    closeBlob();
    Savepoint savepoint(db->db, "mrv_update", db->path);
    QStringList keyColumns;
    std::vector<QVariant> keys;
    if (mode == Adding) drawReplicaKeys(keyColumns, keys);
    std::vector<int> large;
    const qint64 rowid = writeRow(keyColumns, keys, large);
    writeLargeValues(rowid, large);
    savepoint.release();
    lastModified = rowid;
    endEdit();
}

// In a replica, new rows take their counter from this member's own block of keys.
void RecordsetData::drawReplicaKeys(QStringList& columns, std::vector<QVariant>& keys) {
    const TableInfo* info = db->table(baseTable);
    if (!info) return;
    for (const ColumnInfo& c : info->columns) {
        if (!c.counter) continue;
        const qint64 key = nextReplicaKey(db->db, baseTable);
        if (key < 0) continue;
        columns << quoteIdent(c.name);
        keys.push_back(QVariant(key));
    }
}

// Inserts or updates the row with the keys and changed fields; large spooled values are left as
// zeros of their length (listed in large) to be written in place. Returns the row's identity.
qint64 RecordsetData::writeRow(const QStringList& keyColumns, const std::vector<QVariant>& keys,
                               std::vector<int>& large) {
    QStringList columns = keyColumns;
    for (size_t i = 0; i < fields.size(); ++i)
        if (spools[i] || changes[i]) columns << quoteIdent(fields[i].column.name);
    if (mode == Editing && columns.isEmpty()) return editRowid;
    QString text;
    if (mode == Adding) {
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i) marks << QString("?%1").arg(i + 1);
        text = columns.isEmpty() ? QString("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdent(baseTable))
                                 : QString("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(quoteIdent(baseTable), columns.join(", "), marks.join(", "));
    } else {
        QStringList sets;
        for (int i = 0; i < columns.size(); ++i) sets << QString("%1 = ?%2").arg(columns[i]).arg(i + 1);
        text = QString("UPDATE %1 SET %2 WHERE rowid = ?%3")
                   .arg(quoteIdent(baseTable), sets.join(", "))
                   .arg(columns.size() + 1);
    }
    if (!writeStatement || writeText != text) {
        writeStatement.reset();
        writeStatement = std::make_unique<Statement>(db->db, text, db->path);
        writeText = text;
    } else {
        writeStatement->reset();  // after a failed step
    }
    Statement& st = *writeStatement;
    int mark = 1;
    for (const QVariant& key : keys) st.bind(mark++, key);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (spools[i]) {
            // Small values go in with the row; large ones are written in place afterwards, so that
            // the engine never builds the whole value in memory.
            if (spools[i]->size <= kDirectBindLimit) {
                const auto [data, length] = spools[i]->bytes();
                sqlite3_bind_blob64(st.get(), mark++, data ? data : "", sqlite3_uint64(length),
                                    SQLITE_STATIC);
            } else {
                sqlite3_bind_zeroblob64(st.get(), mark++, sqlite3_uint64(spools[i]->size));
                large.push_back(int(i));
            }
        } else if (changes[i]) {
            st.bind(mark++, *changes[i]);
        }
    }
    if (mode == Editing) st.bind(mark, editRowid);
    st.step();
    // The bound pieces belong to this row's spools: nothing of them stays behind.
    st.reset();
    sqlite3_clear_bindings(st.get());
    return mode == Adding ? sqlite3_last_insert_rowid(db->db) : editRowid;
}

void RecordsetData::writeLargeValues(qint64 rowid, const std::vector<int>& large) {
    const QByteArray table = baseTable.toUtf8();
    for (int f : large) {
        const QByteArray column = fields[size_t(f)].column.name.toUtf8();
        sqlite3_blob* opened = nullptr;
        int rc = sqlite3_blob_open(db->db, "main", table.constData(), column.constData(), rowid, 1, &opened);
        BlobHandle out(opened);
        const auto [data, length] = spools[size_t(f)]->bytes();
        constexpr qint64 piece = 1 << 20;
        for (qint64 at = 0; rc == SQLITE_OK && at < length; at += piece)
            rc = sqlite3_blob_write(out.get(), data + at, int(qMin(piece, length - at)), int(at));
        const int closed = sqlite3_blob_close(out.release());
        if (rc == SQLITE_OK) rc = closed;
        if (rc != SQLITE_OK) throwSqlite(db->db, rc, db->path);
    }
}

void RecordsetData::endEdit() {
    const EditMode was = mode;
    mode = NoEdit;
    std::fill(changes.begin(), changes.end(), std::nullopt);
    for (auto& s : spools) s.reset();
    if (was == Adding) {
        if (recordCount >= 0) ++recordCount;
    } else {
        loadOverlay(lastModified);  // show what was written
    }
}

Recordset::Recordset(std::unique_ptr<RecordsetData> data) : d(std::move(data)) {}
Recordset::~Recordset() = default;

Field Recordset::Fields(const QString& name) {
    d->check();
    return Field(d.get(), d->fieldIndex(name));
}

Field Recordset::Fields(int index) {
    d->check();
    if (index < 0 || index >= int(d->fields.size()))
        throw Error(errItemNotFound, QString("There is no field number %1.").arg(index));
    return Field(d.get(), index);
}

int Recordset::FieldCount() const {
    return int(d->fields.size());
}
bool Recordset::eof() const {
    return d->overlay ? false : (d->empty || d->position == RecordsetData::AfterLast);
}
bool Recordset::bof() const {
    return d->overlay ? false : (d->empty || d->position == RecordsetData::BeforeFirst);
}

void Recordset::MoveFirst() {
    d->check();
    d->mode = RecordsetData::NoEdit;
    if (d->empty) throw Error(errNoCurrentRecord, "No current record.");
    sqlite3_reset(d->stmt.get());
    d->stepRow();
}

void Recordset::MoveNext() {
    d->check();
    d->mode = RecordsetData::NoEdit;
    if (d->position == RecordsetData::AfterLast && !d->overlay)
        throw Error(errNoCurrentRecord, "No current record.");
    if (d->position == RecordsetData::AfterLast) {
        d->overlay.reset();
        return;
    }
    d->stepRow();
}

void Recordset::MoveLast() {
    d->check();
    d->mode = RecordsetData::NoEdit;
    if (d->empty) throw Error(errNoCurrentRecord, "No current record.");
    // A forward statement cannot step back: count the rows, then step to the last one again.
    sqlite3_reset(d->stmt.get());
    long n = 0;
    for (d->stepRow(); d->position == RecordsetData::OnRow; d->stepRow()) ++n;
    d->recordCount = n;
    sqlite3_reset(d->stmt.get());
    for (long i = 0; i < n; ++i) d->stepRow();
}

long Recordset::RecordCount() {
    d->check();
    if (d->recordCount < 0) {
        Statement count(d->db->db, "SELECT count(*) FROM (" + d->sql + ")", d->db->path);
        count.step();
        d->recordCount = long(count.integer(0));
    }
    return d->recordCount;
}

void Recordset::AddNew() {
    d->requireUpdatable();
    d->closeBlob();
    d->mode = RecordsetData::Adding;
    std::fill(d->changes.begin(), d->changes.end(), std::nullopt);
    for (auto& s : d->spools) s.reset();
}

void Recordset::Edit() {
    d->requireUpdatable();
    d->mode = RecordsetData::NoEdit;
    d->requireRow();
    d->editRowid = d->overlay ? d->overlayRowid : sqlite3_column_int64(d->stmt.get(), d->baseRowidCol);
    d->mode = RecordsetData::Editing;
    std::fill(d->changes.begin(), d->changes.end(), std::nullopt);
    for (auto& s : d->spools) s.reset();
}

void Recordset::Update() {
    d->update();
}

void Recordset::CancelUpdate() {
    d->check();
    if (d->mode == RecordsetData::NoEdit)
        throw Error(errNoEditInProgress, "Update or CancelUpdate without AddNew or Edit.");
    d->mode = RecordsetData::NoEdit;
    std::fill(d->changes.begin(), d->changes.end(), std::nullopt);
    for (auto& s : d->spools) s.reset();
}

bool Recordset::Updatable() const {
    return d->db && d->updatable && !(d->options & dbReadOnly) && !d->db->readOnly &&
           d->type != dbOpenSnapshot;
}

QByteArray Recordset::Bookmark() const {
    d->requireRow();
    if (d->baseRowidCol < 0) throw Error(errNotUpdatable, "Bookmarks are not available for this recordset.");
    return QByteArray::number(d->overlay ? d->overlayRowid
                                         : sqlite3_column_int64(d->stmt.get(), d->baseRowidCol));
}

void Recordset::setBookmark(const QByteArray& bookmark) {
    bool ok = false;
    const qint64 rowid = bookmark.toLongLong(&ok);
    if (!ok) throw Error(errNoCurrentRecord, "Not a valid bookmark.");
    d->mode = RecordsetData::NoEdit;
    d->loadOverlay(rowid);
}

QByteArray Recordset::LastModified() const {
    if (d->lastModified < 0) return QByteArray();
    return QByteArray::number(d->lastModified);
}

void Recordset::Close() {
    if (d->db) d->db->recordsets.remove(d.get());
    d->detach();
}

QString Field::Name() const {
    return m_rs->fields[size_t(m_index)].name;
}
FieldType Field::Type() const {
    const FieldDesc& f = m_rs->fields[size_t(m_index)];
    return f.typed ? f.column.type : dbMemo;
}
int Field::Size() const {
    return m_rs->fields[size_t(m_index)].column.size;
}
int Field::Attributes() const {
    return m_rs->fields[size_t(m_index)].column.counter ? dbAutoIncrField : 0;
}
QVariant Field::Value() const {
    return m_rs->value(m_index);
}
void Field::setValue(const QVariant& value) {
    m_rs->setValue(m_index, value);
}
void Field::AppendChunk(const QByteArray& piece) {
    m_rs->appendChunk(m_index, piece);
}
QByteArray Field::GetChunk(qint64 offset, qint64 length) const {
    return m_rs->chunk(m_index, offset, length);
}
qint64 Field::FieldSize() const {
    return m_rs->fieldSize(m_index);
}

}  // namespace engine
