#include "store/engine/database_p.h"
#include "store/engine/recordset_p.h"
#include "store/engine/replication.h"
#include "store/engine/sql_dialect.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace engine {

namespace {
int g_busyTimeout = 5000;

QString sqliteMessage(sqlite3* db) { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(); }
}  // namespace

void setBusyTimeout(int milliseconds) { g_busyTimeout = milliseconds; }
int busyTimeout() { return g_busyTimeout; }

bool isHiddenName(const QString& name) { return name.startsWith(QLatin1String(kHiddenPrefix), Qt::CaseInsensitive); }

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
    } else if (t.contains("BLOB") || t.contains("BINARY") || t == "IMAGE" || t == "OLEOBJECT" || t.isEmpty()) {
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

void throwSqlite(sqlite3* db, int rc, const QString& context) {
    const QString msg = sqliteMessage(db);
    const int primary = rc & 0xff;
    // A connection left on a file that was replaced under it (repaired elsewhere) may not write.
    if (rc == SQLITE_READONLY_DBMOVED)
        throw Error(errReadOnly,
                    QString("The Code Library '%1' was replaced by another program while it was open "
                            "here. Close it and open it again.")
                        .arg(context));
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error(errLocked, QString("The Code Library '%1' is in use and locked by another user or program. "
                                       "Try again when it is free.")
                                   .arg(context));
    case SQLITE_CORRUPT:
        throw Error(errDamaged, QString("The Code Library '%1' is damaged and needs to be repaired (%2).")
                                    .arg(context, msg));
    case SQLITE_NOTADB:
        throw Error(errNotADatabase,
                    QString("'%1' is not a Code Library database: its format is not recognised.").arg(context));
    case SQLITE_CANTOPEN:
        throw Error(errCantOpen, QString("The file '%1' cannot be opened: %2.").arg(context, msg));
    case SQLITE_READONLY:
        throw Error(errReadOnly, QString("Cannot change '%1': the library or the file is read-only.").arg(context));
    case SQLITE_FULL:
    case SQLITE_IOERR:
        throw Error(errDiskIO, QString("A disk error occurred while using '%1': %2.").arg(context, msg));
    case SQLITE_TOOBIG:
        throw Error(errFieldTooSmall, QString("A value is too large to store in '%1'.").arg(context));
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
            throw Error(errDuplicateKey,
                        QString("The change was not made because it would create a duplicate key (%1) in '%2'.")
                            .arg(msg, context));
        }
        throw Error(errEngine, QString("The change breaks a rule of '%1': %2.").arg(context, msg));
    default:
        break;
    }
    static const QRegularExpression noTable("^no such table: (?:\\w+\\.)?(.+)$");
    static const QRegularExpression noColumn("^no such column: (.+)$");
    if (auto m = noTable.match(msg); m.hasMatch())
        throw Error(errTableMissing, QString("The table or query '%1' does not exist in '%2'.")
                                         .arg(m.captured(1), context));
    if (auto m = noColumn.match(msg); m.hasMatch())
        throw Error(errItemNotFound, QString("The field '%1' does not exist (%2).").arg(m.captured(1), context));
    if (msg.contains("syntax error") || msg.contains("incomplete input") || msg.contains("unrecognized token"))
        throw Error(errSyntax, QString("Syntax error in the statement (%1): %2").arg(msg, context));
    throw Error(errEngine, QString("%1 (%2)").arg(msg.isEmpty() ? QString("Engine error %1").arg(rc) : msg, context));
}

Statement::Statement(sqlite3* db, const QString& sql, const QString& context) : m_db(db), m_context(context) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc, context);
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwSqlite(m_db, rc, m_context);
}

void Statement::bind(int index, const QVariant& value) { bindValue(m_stmt, index, value); }

QString Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
}

void exec(sqlite3* db, const QString& sql, const QString& context) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) throwSqlite(db, rc, context);
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
            if (t.compare("True", Qt::CaseInsensitive) == 0) d = -1, ok = true;
            else if (t.compare("False", Qt::CaseInsensitive) == 0) d = 0, ok = true;
        }
        if (!ok) conversionError(value, column);
    }
    const double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < double(lo) || r > double(hi))
        throw Error(errConversion, QString("The number %1 is too large for the field '%2'.")
                                       .arg(valueToText(value), column.name));
    return QVariant(qint64(r));
}

}  // namespace

QVariant coerceForColumn(const QVariant& value, const ColumnInfo& column) {
    if (value.isNull()) return QVariant();
    switch (column.type) {
    case dbText: {
        const QString t = valueToText(value);
        if (column.size > 0 && t.size() > column.size)
            throw Error(errFieldTooSmall, QString("The text is too long for the field '%1': %2 characters where "
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
        return QString::fromUtf8(p, sqlite3_column_bytes(stmt, column));
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

    Statement master(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                     path);
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

Database::Database(std::unique_ptr<Private> p) : d(std::move(p)) {}
Database::~Database() { Close(); }

QString Database::Name() const { return d->path; }
bool Database::isOpen() const { return d->db != nullptr; }
bool Database::readOnly() const { return d->readOnly; }
sqlite3* Database::handle() const { return d->db; }

void Database::Close() {
    if (!d->db) return;
    for (RecordsetData* rs : std::as_const(d->recordsets)) rs->detach();
    d->recordsets.clear();
    sqlite3_close_v2(d->db);
    d->db = nullptr;
}

long Database::Execute(const QString& sql) {
    d->ensureOpen();
    const QByteArray utf8 = dialect::translate(sql).toUtf8();
    const char* tail = utf8.constData();
    const char* end = tail + utf8.size();
    long affected = 0;
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v2(d->db, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) throwSqlite(d->db, rc, sql);
        if (!stmt) continue;  // whitespace or a comment
        if (sqlite3_stmt_readonly(stmt) && sqlite3_column_count(stmt) > 0) {
            sqlite3_finalize(stmt);
            throw Error(errExecuteSelect, QString("Cannot execute a select query: %1").arg(sql));
        }
        const int src = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (src != SQLITE_DONE && src != SQLITE_ROW) throwSqlite(d->db, src, sql);
        affected += sqlite3_changes(d->db);
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
        throw Error(errPropertyExists, QString("The property '%1' already exists in '%2'.").arg(property.name, d->path));
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
        Statement st(d->db, QString("SELECT Type, Value FROM %1 WHERE Name = ?1").arg(kPropertyTable), d->path);
        st.bind(1, name);
        if (st.step()) return readColumn(st.get(), 1, FieldType(st.integer(0)), true);
    }
    throw Error(errPropertyNotFound, QString("The property '%1' was not found in '%2'.").arg(name, d->path));
}

void Database::setProperty(const QString& name, const QVariant& value) {
    d->ensureOpen();
    if (!hasProperty(name))
        throw Error(errPropertyNotFound, QString("The property '%1' was not found in '%2'.").arg(name, d->path));
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

sqlite3* openHandle(const QString& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_EXRESCODE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = sqliteMessage(db);
        sqlite3_close_v2(db);
        if ((rc & 0xff) == SQLITE_CANTOPEN)
            throw Error(errCantOpen, QString("The file '%1' cannot be opened (%2).").arg(path, msg));
        throwSqlite(nullptr, rc, path);
    }
    sqlite3_busy_timeout(db, g_busyTimeout);
    sqlite3_extended_result_codes(db, 1);
    dialect::registerFunctions(db);
    return db;
}

std::unique_ptr<Database> wrap(const QString& path, sqlite3* db) {
    auto p = std::make_unique<Database::Private>();
    p->path = path;
    p->db = db;
    p->readOnly = sqlite3_db_readonly(db, "main") == 1;
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
        throw Error(errDamaged, QString("The Code Library '%1' is damaged: the file is shorter than its contents "
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
    if (info.isDir()) throw Error(errCantOpen, QString("'%1' is a folder, not a Code Library file.").arg(path));
    const QString full = info.absoluteFilePath();
    sqlite3* db = openHandle(full, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    std::unique_ptr<Database> database = wrap(full, db);
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
            exec(db, readOnly ? "BEGIN; SELECT count(*) FROM sqlite_master; COMMIT" : "BEGIN EXCLUSIVE; COMMIT", full);
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
    sqlite3* db = openHandle(full, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    std::unique_ptr<Database> database = wrap(full, db);
    exec(db,
         QString("PRAGMA journal_mode = DELETE; PRAGMA application_id = %1; PRAGMA user_version = %2")
             .arg(kApplicationId)
             .arg(kFormatVersion),
         full);
    return database;
}

Workspace::Workspace(QString name, QString user, QString password, int type)
    : m_name(std::move(name)), m_user(std::move(user)), m_password(std::move(password)), m_type(type) {}

Workspace::~Workspace() { Close(); }

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
