#include "store/engine/database_p.h"
#include "store/engine/recordset_p.h"
#include "store/engine/replication.h"
#include "store/engine/sql_dialect.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cctype>
#include <cmath>

namespace engine {

namespace {
int g_busyTimeout = 5000;
std::function<QDateTime()> g_clock;

QString sqliteMessage(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
}

// Stored text as it was written: QString::fromUtf8 would drop a leading byte order mark.
QString storedText(const char* p, int length) {
    if (length >= 3 && p[0] == '\xef' && p[1] == '\xbb' && p[2] == '\xbf')
        return QStringDecoder(QStringDecoder::Utf8,
                              QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
            .decode(QByteArrayView(p, length));
    return QString::fromUtf8(p, length);
}
}  // namespace

void setBusyTimeout(int milliseconds) {
    g_busyTimeout = milliseconds;
}
int busyTimeout() {
    return g_busyTimeout;
}

void setClock(std::function<QDateTime()> clock) {
    g_clock = std::move(clock);
}
QDateTime currentTime() {
    return g_clock ? g_clock() : QDateTime::currentDateTimeUtc();
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1String(kHiddenPrefix), Qt::CaseInsensitive);
}

int TableInfo::indexOf(const QString& column) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

ColumnInfo columnFromDeclaration(const QString& name, const QString& declared) {
    ColumnInfo c;
    c.name = name;
    c.hidden = isHiddenName(name);
    const QString t = declared.trimmed().toUpper();
    static const QRegularExpression sized(R"(\((\d+)\))");
    if (t.startsWith("INT") || t == "LONG" || t == "COUNTER" || t.startsWith("AUTOINC")) {
        c.type = dbLong;
    } else if (t.contains("SMALLINT") || t == "SHORT") {
        c.type = dbInteger;
    } else if (t == "BYTE" || t == "TINYINT") {
        c.type = dbByte;
    } else if (t == "BIT" || t.startsWith("BOOL") || t == "YESNO") {
        c.type = dbBoolean;
    } else if (t.startsWith("DATE") || t.startsWith("TIME")) {
        c.type = dbDate;
    } else if (t.contains("BLOB") || t.contains("BINARY") || t == "IMAGE" || t == "OLEOBJECT" ||
               t.isEmpty()) {
        c.type = dbLongBinary;
    } else if (t.contains("LONGTEXT") || t.contains("MEMO") || t.contains("CLOB")) {
        c.type = dbMemo;
    } else if (t.contains("CHAR") || t.startsWith("TEXT") || t.startsWith("STRING")) {
        c.type = dbText;
        const auto m = sized.match(t);
        c.size = m.hasMatch() ? m.captured(1).toInt() : 255;
    } else if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB") || t.contains("NUMERIC") ||
               t.contains("DECIMAL") || t.contains("CURRENCY") || t == "SINGLE") {
        c.type = dbDouble;
    } else if (t.contains("INT")) {
        c.type = dbLong;
    } else {
        c.type = dbMemo;
    }
    return c;
}

QString fileOf(sqlite3* db, const char* schema) {
    const char* name = db ? sqlite3_db_filename(db, schema) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

void throwSqlite(sqlite3* db, int rc, const QString& file, const QString& statement) {
    const QString msg = sqliteMessage(db);
    // A connection left on a file that was replaced under it (repaired elsewhere) may not write.
    if (rc == SQLITE_READONLY_DBMOVED)
        throw Error(errReadOnly,
                    QString("The Code Library '%1' was replaced by another program while it was open "
                            "here. Close it and open it again.")
                        .arg(file));
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw Error(errLocked,
                        QString("The Code Library '%1' is in use and locked by another user or program. "
                                "Try again when it is free.")
                            .arg(file));
        case SQLITE_CORRUPT:
            throw Error(
                errDamaged,
                QString("The Code Library '%1' is damaged and needs to be repaired (%2).").arg(file, msg));
        case SQLITE_NOTADB:
            throw Error(
                errNotADatabase,
                QString("'%1' is not a Code Library database: its format is not recognised.").arg(file));
        case SQLITE_CANTOPEN:
            throw Error(errCantOpen, QString("The file '%1' cannot be opened: %2.").arg(file, msg));
        case SQLITE_READONLY:
            throw Error(errReadOnly,
                        QString("Cannot change '%1': the library or the file is read-only.").arg(file));
        case SQLITE_FULL:
        case SQLITE_IOERR:
            throw Error(errDiskIO, QString("A disk error occurred while using '%1': %2.").arg(file, msg));
        case SQLITE_TOOBIG:
            throw Error(errFieldTooSmall, QString("A value is too large to store in '%1'.").arg(file));
        case SQLITE_MISMATCH:
            throw Error(
                errConversion,
                QString("The change was not made: a key field of '%1' takes whole numbers only.").arg(file));
        case SQLITE_CONSTRAINT:
            if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
                throw Error(
                    errDuplicateKey,
                    QString("The change was not made because it would create a duplicate key (%1) in '%2'.")
                        .arg(msg, file));
            }
            if (const std::optional<Error> typeError = typeCheckError(msg)) throw *typeError;
            throw Error(errEngine, QString("The change breaks a rule of '%1': %2.").arg(file, msg));
        default:
            break;
    }
    static const QRegularExpression noTable("^no such table: (?:\\w+\\.)?(.+)$");
    static const QRegularExpression noColumn("^no such column: (.+)$");
    if (auto m = noTable.match(msg); m.hasMatch())
        throw Error(errTableMissing,
                    QString("The table or query '%1' does not exist in '%2'.").arg(m.captured(1), file));
    if (auto m = noColumn.match(msg); m.hasMatch())
        throw Error(errItemNotFound,
                    QString("The field '%1' does not exist in '%2'.").arg(m.captured(1), file));
    if (msg.contains("syntax error") || msg.contains("incomplete input") ||
        msg.contains("unrecognized token")) {
        if (statement.isEmpty()) throw Error(errSyntax, QString("Syntax error (%1) in '%2'.").arg(msg, file));
        throw Error(errSyntax, QString("Syntax error in the statement '%1' (%2).").arg(statement, msg));
    }
    throw Error(errEngine,
                QString("%1 (%2)").arg(msg.isEmpty() ? QString("Engine error %1").arg(rc) : msg, file));
}

Statement::Statement(sqlite3* db, const QString& sql, const QString& file) : m_db(db), m_file(file) {
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    m_stmt.reset(stmt);
    if (rc != SQLITE_OK) throwSqlite(db, rc, file);
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwSqlite(m_db, rc, m_file);
}

void Statement::bind(int index, const QVariant& value) {
    bindValue(m_stmt.get(), index, value);
}

QString Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), column));
    return p ? storedText(p, sqlite3_column_bytes(m_stmt.get(), column)) : QString();
}

void exec(sqlite3* db, const QString& sql, const QString& file) {
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc, file);
}

void ensureTrigger(sqlite3* db, const QString& name, const QString& sql, const QString& file) {
    Statement present(db, "SELECT sql FROM sqlite_master WHERE type = 'trigger' AND name = ?1 COLLATE NOCASE",
                      file);
    present.bind(1, name);
    if (present.step()) {
        if (present.text(0) == sql) return;
        exec(db, "DROP TRIGGER " + quoteIdent(name), file);
    }
    exec(db, sql, file);
}

Savepoint::Savepoint(sqlite3* db, const char* name, const QString& file)
    : m_db(db), m_name(name), m_file(file) {
    exec(db, "SAVEPOINT " + QString::fromLatin1(m_name), file);
}

Savepoint::~Savepoint() {
    if (m_open)
        sqlite3_exec(m_db, ("ROLLBACK TO " + m_name + "; RELEASE " + m_name).constData(), nullptr, nullptr,
                     nullptr);
}

void Savepoint::release() {
    exec(m_db, "RELEASE " + QString::fromLatin1(m_name), m_file);
    m_open = false;
}

void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (value.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Bool:
            sqlite3_bind_int(stmt, index, value.toBool() ? -1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            sqlite3_bind_int64(stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            sqlite3_bind_blob64(stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime:
        case QMetaType::QDate: {
            const QByteArray t = dateToStorage(value.toDateTime()).toUtf8();
            sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
    }
}

namespace {

[[noreturn]] void conversionError(const QVariant& value, const ColumnInfo& column) {
    throw Error(errConversion, QString("The value '%1' cannot be stored in the field '%2'.")
                                   .arg(valueToText(value).left(60), column.name));
}

bool isNumeric(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

// Whole numbers as the old engine rounded them: half to even.
QVariant toWhole(const QVariant& value, const ColumnInfo& column, qint64 lo, qint64 hi) {
    double d;
    if (value.typeId() == QMetaType::Bool) {
        d = value.toBool() ? -1 : 0;
    } else if (isNumeric(value)) {
        d = value.toDouble();
    } else {
        bool ok = false;
        const QString t = valueToText(value).trimmed();
        d = t.toDouble(&ok);
        if (!ok) {
            if (t.compare("True", Qt::CaseInsensitive) == 0)
                d = -1, ok = true;
            else if (t.compare("False", Qt::CaseInsensitive) == 0)
                d = 0, ok = true;
        }
        if (!ok) conversionError(value, column);
    }
    const double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < double(lo) || r > double(hi))
        throw Error(
            errConversion,
            QString("The number %1 is too large for the field '%2'.").arg(valueToText(value), column.name));
    return QVariant(qint64(r));
}

}  // namespace

QVariant coerceForColumn(const QVariant& value, const ColumnInfo& column) {
    if (value.isNull()) return QVariant();
    switch (column.type) {
        case dbText: {
            const QString t = valueToText(value);
            if (column.size > 0 && t.size() > column.size)
                throw Error(errFieldTooSmall,
                            QString("The text is too long for the field '%1': %2 characters where "
                                    "at most %3 fit.")
                                .arg(column.name)
                                .arg(t.size())
                                .arg(column.size));
            return t;
        }
        case dbMemo:
            return valueToText(value);
        case dbLong:
            return toWhole(value, column, INT32_MIN, INT32_MAX);
        case dbInteger:
            return toWhole(value, column, INT16_MIN, INT16_MAX);
        case dbByte:
            return toWhole(value, column, 0, 255);
        case dbBoolean: {
            if (value.typeId() == QMetaType::Bool) return QVariant(qint64(value.toBool() ? -1 : 0));
            const QString t = valueToText(value).trimmed();
            if (t.compare("True", Qt::CaseInsensitive) == 0 || t.compare("Yes", Qt::CaseInsensitive) == 0)
                return QVariant(qint64(-1));
            if (t.compare("False", Qt::CaseInsensitive) == 0 || t.compare("No", Qt::CaseInsensitive) == 0)
                return QVariant(qint64(0));
            bool ok = false;
            const double d = isNumeric(value) ? value.toDouble() : t.toDouble(&ok);
            if (!isNumeric(value) && !ok) conversionError(value, column);
            return QVariant(qint64(d != 0 ? -1 : 0));
        }
        case dbDouble: {
            if (isNumeric(value)) return value.toDouble();
            bool ok = false;
            const double d = valueToText(value).trimmed().toDouble(&ok);
            if (!ok) conversionError(value, column);
            return d;
        }
        case dbDate: {
            QDateTime dt;
            if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate) {
                dt = value.toDateTime();
            } else if (isNumeric(value)) {
                // Days since 30 December 1899, the fraction being the time of day.
                const double days = value.toDouble();
                const double whole = std::floor(days);
                dt = QDateTime(QDate(1899, 12, 30).addDays(qint64(whole)), QTime(0, 0), Qt::UTC)
                         .addSecs(qint64(std::llround((days - whole) * 86400.0)));
            } else {
                dt = parseDate(valueToText(value).trimmed());
            }
            if (!dt.isValid()) conversionError(value, column);
            return dateToStorage(dt);
        }
        case dbLongBinary:
            if (value.typeId() == QMetaType::QByteArray) return value;
            return valueToText(value).toUtf8();
    }
    return value;
}

QVariant readColumn(sqlite3_stmt* stmt, int column, FieldType type, bool typed) {
    const int kind = sqlite3_column_type(stmt, column);
    if (kind == SQLITE_NULL) return QVariant();
    auto asText = [&] {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return storedText(p, sqlite3_column_bytes(stmt, column));
    };
    auto asNumber = [&]() -> QVariant {
        if (kind == SQLITE_FLOAT) return sqlite3_column_double(stmt, column);
        const qint64 v = sqlite3_column_int64(stmt, column);
        if (v >= INT32_MIN && v <= INT32_MAX) return int(v);
        return v;
    };
    if (!typed) {
        switch (kind) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                return asNumber();
            case SQLITE_BLOB:
                return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                                  sqlite3_column_bytes(stmt, column));
            default:
                return asText();
        }
    }
    switch (type) {
        case dbText:
        case dbMemo:
            return asText();
        case dbLongBinary:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                              sqlite3_column_bytes(stmt, column));
        case dbDate: {
            if (kind != SQLITE_TEXT) return asNumber();
            const QString t = asText();
            const QDateTime dt = parseDate(t);
            return dt.isValid() ? QVariant(dt) : QVariant(t);
        }
        case dbBoolean:
            if (kind == SQLITE_TEXT) return asText();
            return sqlite3_column_int64(stmt, column) != 0;
        case dbDouble:
            return kind == SQLITE_TEXT ? QVariant(asText()) : QVariant(sqlite3_column_double(stmt, column));
        default:
            return kind == SQLITE_TEXT ? QVariant(asText()) : asNumber();
    }
}

void Database::Private::ensureOpen() const {
    if (!db) throw Error(errObjectClosed, QString("The Code Library '%1' is closed.").arg(path));
}

const TableInfo* Database::Private::table(const QString& name) {
    ensureOpen();
    Statement version(db, "PRAGMA schema_version", path);
    version.step();
    const int current = int(version.integer(0));
    if (current != schemaVersion) {
        tables.clear();
        schemaVersion = current;
    }
    const QString key = name.toLower();
    auto it = tables.find(key);
    if (it != tables.end()) return &it.value();

    Statement master(
        db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", path);
    master.bind(1, name);
    if (!master.step()) return nullptr;
    TableInfo info;
    info.name = master.text(0);
    const bool autoinc = master.text(1).contains("AUTOINCREMENT", Qt::CaseInsensitive);
    Statement cols(db, "PRAGMA table_info(" + quoteIdent(info.name) + ")", path);
    while (cols.step()) {
        ColumnInfo c = columnFromDeclaration(cols.text(1), cols.text(2));
        c.counter = autoinc && cols.integer(5) == 1 && c.type == dbLong;
        info.columns.append(c);
    }
    return &tables.insert(key, info).value();
}

const QList<SearchIndexInfo>& Database::Private::searchIndexes() {
    ensureOpen();
    Statement version(db, "PRAGMA schema_version", path);
    version.step();
    const int current = int(version.integer(0));
    if (current != indexesVersion) {
        indexes = engine::searchIndexes(db, path);
        indexesVersion = current;
    }
    return indexes;
}

Database::Database(std::unique_ptr<Private> p) : d(std::move(p)) {}
Database::~Database() {
    Close();
}

QString Database::Name() const {
    return d->path;
}
bool Database::isOpen() const {
    return d->db != nullptr;
}
bool Database::readOnly() const {
    return d->readOnly;
}
sqlite3* Database::handle() const {
    return d->db;
}

void Database::Close() {
    if (!d->db) return;
    for (RecordsetData* rs : std::as_const(d->recordsets)) rs->detach();
    d->recordsets.clear();
    sqlite3_close_v2(d->db);
    d->db = nullptr;
}

namespace {

// SQLite stops reading at a NUL. A tail of NULs and blanks (a fixed-size buffer) is dropped; anything
// after a NUL is refused before a statement runs, rather than silently skipped.
QByteArray withoutNulTail(QByteArray utf8, const QString& sql) {
    const qsizetype nul = utf8.indexOf('\0');
    if (nul < 0) return utf8;
    for (qsizetype i = nul; i < utf8.size(); ++i)
        if (utf8[i] != '\0' && !QChar::isSpace(uchar(utf8[i])))
            throw Error(errSyntax, QString("Syntax error in the statement '%1': it holds a NUL character.")
                                       .arg(QString(sql).replace(QChar(0), QLatin1String("\\0"))));
    utf8.truncate(nul);
    return utf8;
}

// The statement's first word, upper case: CREATE and ALTER change what the type checks cover.
QByteArray verbOf(sqlite3_stmt* stmt) {
    const QByteArray text = QByteArray(sqlite3_sql(stmt)).trimmed();
    qsizetype end = 0;
    while (end < text.size() && std::isalpha(uchar(text[end]))) ++end;
    return text.left(end).toUpper();
}

// ALTER TABLE ... ADD: the one change of a table that leaves its columns as they are.
bool addsColumn(sqlite3_stmt* stmt) {
    const std::vector<dialect::Token> t = dialect::tokens(QString::fromUtf8(sqlite3_sql(stmt)));
    size_t i = 2;  // past ALTER TABLE and the name, which may carry its schema
    if (i + 2 < t.size() && t[i + 1].isOperator(u'.')) i += 2;
    return i + 1 < t.size() && t[i + 1].is("ADD");
}

}  // namespace

long Database::Execute(const QString& sql) {
    d->ensureOpen();
    const QByteArray utf8 = withoutNulTail(dialect::translate(sql).toUtf8(), sql);
    const char* tail = utf8.constData();
    const char* const end = tail + utf8.size();
    long affected = 0;
    auto run = [&](sqlite3_stmt* stmt) {
        if (sqlite3_stmt_readonly(stmt) && sqlite3_column_count(stmt) > 0)
            throw Error(errExecuteSelect, QString("Cannot execute a select query: %1").arg(sql));
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) throwSqlite(d->db, rc, d->path, sql);
        affected += sqlite3_changes(d->db);
    };
    while (tail < end) {
        sqlite3_stmt* prepared = nullptr;
        const char* next = nullptr;
        const int rc = sqlite3_prepare_v2(d->db, tail, int(end - tail), &prepared, &next);
        StatementHandle stmt(prepared);
        if (rc != SQLITE_OK) throwSqlite(d->db, rc, d->path, sql);
        if (next <= tail) throw Error(errSyntax, QString("Syntax error in the statement '%1'.").arg(sql));
        tail = next;
        if (!stmt) continue;  // whitespace or a comment
        const QByteArray verb = verbOf(stmt.get());
        if (verb == "ALTER") {
            // A trigger that names a column keeps SQLite from dropping it: the checks stand aside
            // for the change and come back in step with the new columns.
            Savepoint savepoint(d->db, "mrv_alter", d->path);
            dropTypeChecks(d->db, d->path);
            // The search index names the columns it reads; it goes, and the next open makes it anew.
            if (!addsColumn(stmt.get())) dropSearchIndexes(d->db, d->path);
            run(stmt.get());
            installTypeChecks(d->db, d->path);
            savepoint.release();
        } else {
            run(stmt.get());
            if (verb == "CREATE") installTypeChecks(d->db, d->path);
        }
    }
    return affected;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, RecordsetType type, int options) {
    d->ensureOpen();
    auto data = std::make_unique<RecordsetData>(d.get(), source, type, options);
    return std::unique_ptr<Recordset>(new Recordset(std::move(data)));
}

QStringList Database::TableNames() const {
    d->ensureOpen();
    Statement st(d->db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", d->path);
    QStringList names;
    while (st.step()) {
        const QString n = st.text(0);
        if (!n.startsWith("sqlite_", Qt::CaseInsensitive) && !isHiddenName(n)) names << n;
    }
    return names;
}

namespace {
constexpr char kPropertyTable[] = "mrv_properties";
}

void Database::Synchronize(const QString& otherPath, int exchangeType) {
    engine::Synchronize(*this, otherPath, exchangeType);
}

void Database::MakeReplica(const QString& path, const QString& description, int options) {
    engine::MakeReplica(*this, path, description, options);
}

namespace {
// Setting "Replicable" to "T" is how a library joins replication, as it always was.
bool makesReplicable(const QString& name, const QVariant& value) {
    return name.compare("Replicable", Qt::CaseInsensitive) == 0 && valueToText(value).trimmed() == "T";
}
}  // namespace

PropertyValue Database::CreateProperty(const QString& name, int type, const QVariant& value) const {
    return PropertyValue{name, type, value};
}

bool Database::hasProperty(const QString& name) const {
    d->ensureOpen();
    if (!d->table(kPropertyTable)) return false;
    Statement st(d->db, QString("SELECT 1 FROM %1 WHERE Name = ?1").arg(kPropertyTable), d->path);
    st.bind(1, name);
    return st.step();
}

void Database::AppendProperty(const PropertyValue& property) {
    d->ensureOpen();
    if (hasProperty(property.name))
        throw Error(errPropertyExists,
                    QString("The property '%1' already exists in '%2'.").arg(property.name, d->path));
    if (makesReplicable(property.name, property.value)) {
        MakeReplicable(*this);
        return;
    }
    exec(d->db,
         QString("CREATE TABLE IF NOT EXISTS %1(Name TEXT PRIMARY KEY COLLATE NOCASE, Type INTEGER, Value)")
             .arg(kPropertyTable),
         d->path);
    Statement st(d->db, QString("INSERT INTO %1(Name, Type, Value) VALUES (?1, ?2, ?3)").arg(kPropertyTable),
                 d->path);
    st.bind(1, property.name);
    st.bind(2, property.type);
    ColumnInfo typed = columnFromDeclaration(property.name, "TEXT");
    typed.type = FieldType(property.type);
    typed.size = 0;
    st.bind(3, coerceForColumn(property.value, typed));
    st.step();
}

QVariant Database::Property(const QString& name) const {
    d->ensureOpen();
    if (d->table(kPropertyTable)) {
        Statement st(d->db, QString("SELECT Type, Value FROM %1 WHERE Name = ?1").arg(kPropertyTable),
                     d->path);
        st.bind(1, name);
        if (st.step()) return readColumn(st.get(), 1, FieldType(st.integer(0)), true);
    }
    throw Error(errPropertyNotFound, QString("The property '%1' was not found in '%2'.").arg(name, d->path));
}

void Database::setProperty(const QString& name, const QVariant& value) {
    d->ensureOpen();
    if (!hasProperty(name))
        throw Error(errPropertyNotFound,
                    QString("The property '%1' was not found in '%2'.").arg(name, d->path));
    if (makesReplicable(name, value)) MakeReplicable(*this);
    Statement type(d->db, QString("SELECT Type FROM %1 WHERE Name = ?1").arg(kPropertyTable), d->path);
    type.bind(1, name);
    type.step();
    ColumnInfo typed;
    typed.name = name;
    typed.type = FieldType(type.integer(0));
    Statement st(d->db, QString("UPDATE %1 SET Value = ?2 WHERE Name = ?1").arg(kPropertyTable), d->path);
    st.bind(1, name);
    st.bind(2, coerceForColumn(value, typed));
    st.step();
}

namespace {

// SQLite's 'now' (strftime('now'), date('now'), ...) is the time the connection's VFS gives. The
// engine's connections use the system's VFS under another name that gives the engine's clock: SQL
// run by the engine, the change tracking's triggers included, reads that clock, and the triggers stay
// plain SQL that any SQLite program writing to a library can run.
int clockJulianMs(sqlite3_vfs*, sqlite3_int64* now) {
    constexpr sqlite3_int64 kUnixEpoch = 210'866'760'000'000;  // 1970-01-01 as a Julian day, in ms
    *now = kUnixEpoch + currentTime().toMSecsSinceEpoch();
    return SQLITE_OK;
}

int clockJulianDays(sqlite3_vfs* vfs, double* now) {
    sqlite3_int64 ms = 0;
    clockJulianMs(vfs, &ms);
    *now = double(ms) / 86'400'000.0;
    return SQLITE_OK;
}

const char* clockVfs() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs system = *sqlite3_vfs_find(nullptr);
        system.pNext = nullptr;
        system.zName = "mrv-clock";
        system.xCurrentTime = clockJulianDays;
        if (system.iVersion >= 2) system.xCurrentTimeInt64 = clockJulianMs;
        return system;
    }();
    static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    return registered ? vfs.zName : nullptr;
}

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using ConnectionHandle = std::unique_ptr<sqlite3, CloseConnection>;

ConnectionHandle openHandle(const QString& path, int flags) {
    sqlite3* opened = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &opened,
                                   flags | SQLITE_OPEN_EXRESCODE, clockVfs());
    ConnectionHandle db(opened);
    if (rc != SQLITE_OK) {
        const QString msg = sqliteMessage(opened);
        if ((rc & 0xff) == SQLITE_CANTOPEN)
            throw Error(errCantOpen, QString("The file '%1' cannot be opened (%2).").arg(path, msg));
        throwSqlite(nullptr, rc, path);
    }
    sqlite3_busy_timeout(opened, g_busyTimeout);
    sqlite3_extended_result_codes(opened, 1);
    dialect::registerFunctions(opened);
    return db;
}

// The database owns the connection from here on: Close (or its destructor) ends it.
std::unique_ptr<Database> wrap(const QString& path, ConnectionHandle db) {
    auto p = std::make_unique<Database::Private>();
    p->path = path;
    p->readOnly = sqlite3_db_readonly(db.get(), "main") == 1;
    p->db = db.release();
    return std::unique_ptr<Database>(new Database(std::move(p)));
}

}  // namespace

namespace {

// SQLite reads a missing tail of the file as zeros, so a library cut short can look sound. The
// header says how long the file must be.
void checkLength(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith("SQLite format 3")) return;
    auto be32 = [&](int at) {
        return quint32(uchar(header[at])) << 24 | quint32(uchar(header[at + 1])) << 16 |
               quint32(uchar(header[at + 2])) << 8 | quint32(uchar(header[at + 3]));
    };
    qint64 pageSize = quint32(uchar(header[16])) << 8 | uchar(header[17]);
    if (pageSize == 1) pageSize = 65536;
    const bool sizeValid = be32(24) == be32(92) && be32(28) != 0;
    if (sizeValid && file.size() < pageSize * be32(28))
        throw Error(errDamaged,
                    QString("The Code Library '%1' is damaged: the file is shorter than its contents "
                            "(%2 of %3 bytes).")
                        .arg(path)
                        .arg(file.size())
                        .arg(pageSize * be32(28)));
}

}  // namespace

std::unique_ptr<Database> openDatabase(const QString& path, bool exclusive, bool readOnly) {
    return openFile(path, exclusive, readOnly, true);
}

std::unique_ptr<Database> openFile(const QString& path, bool exclusive, bool readOnly, bool checkSize) {
    recoverInterruptedReplace(path);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw Error(errFileNotFound, QString("Could not find the file '%1'.").arg(path));
    if (info.isDir())
        throw Error(errCantOpen, QString("'%1' is a folder, not a Code Library file.").arg(path));
    const QString full = info.absoluteFilePath();
    std::unique_ptr<Database> database =
        wrap(full, openHandle(full, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE));
    sqlite3* db = database->handle();
    try {
        // The header is read lazily; read it now so a foreign or damaged file fails here.
        // SQLite itself refuses a file that lost whole pages unless the schema is writable; repair
        // reads what is there.
        if (!checkSize) exec(db, "PRAGMA writable_schema = ON", full);
        {
            // The probe rolls back a journal left by a program that stopped mid-write; while it holds
            // its read lock no other program can be half-way through growing the file.
            Statement probe(db, "SELECT count(*) FROM sqlite_master", full);
            probe.step();
            if (checkSize) checkLength(full);
        }
        if (!database->readOnly()) {
            // A closed library must be one self-contained file: never leave it in WAL mode.
            bool wal = false;
            {
                Statement mode(db, "PRAGMA journal_mode", full);
                wal = mode.step() && mode.text(0).compare("wal", Qt::CaseInsensitive) == 0;
            }
            if (wal) exec(db, "PRAGMA journal_mode = DELETE", full);
        }
        if (exclusive) {
            exec(db, "PRAGMA locking_mode = EXCLUSIVE", full);
            exec(db,
                 readOnly ? "BEGIN; SELECT count(*) FROM sqlite_master; COMMIT" : "BEGIN EXCLUSIVE; COMMIT",
                 full);
        }
    } catch (...) {
        database->Close();
        throw;
    }
    return database;
}

std::unique_ptr<Database> createDatabase(const QString& path) {
    const QFileInfo info(path);
    // An empty file is no database: it may be the new file of a replacement.
    if (info.exists() && !(info.isFile() && info.size() == 0))
        throw Error(errDatabaseExists, QString("The file '%1' already exists.").arg(path));
    const QString full = info.absoluteFilePath();
    std::unique_ptr<Database> database =
        wrap(full, openHandle(full, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    sqlite3* db = database->handle();
    exec(db,
         QString("PRAGMA journal_mode = DELETE; PRAGMA application_id = %1; PRAGMA user_version = %2")
             .arg(kApplicationId)
             .arg(kFormatVersion),
         full);
    return database;
}

Workspace::Workspace(QString name, QString user, QString password, int type)
    : m_name(std::move(name)), m_user(std::move(user)), m_password(std::move(password)), m_type(type) {}

Workspace::~Workspace() {
    Close();
}

Database* Workspace::OpenDatabase(const QString& path, bool exclusive, bool readOnly) {
    std::erase_if(m_databases, [](const std::unique_ptr<Database>& db) { return !db->isOpen(); });
    m_databases.push_back(openDatabase(path, exclusive, readOnly));
    return m_databases.back().get();
}

QList<Database*> Workspace::Databases() const {
    QList<Database*> open;
    for (const auto& db : m_databases)
        if (db->isOpen()) open << db.get();
    return open;
}

void Workspace::Close() {
    for (auto& db : m_databases) db->Close();
    m_databases.clear();
}

}  // namespace engine
