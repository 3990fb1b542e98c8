#include "cli/catalog.h"

#include "cli/cli.h"
#include "store/codelib.h"
#include "store/files.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <sqlite3.h>

#include <algorithm>

namespace cli {

namespace {

bool sameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString keyList(const QList<qint64>& keys) {
    QStringList texts;
    for (qint64 key : keys) texts << QString::number(key);
    return texts.join(QLatin1Char(','));
}

}  // namespace

QStringList pathParts(const QString& path, const QString& command) {
    QString trimmed = path;
    if (trimmed.startsWith(u'/')) trimmed.remove(0, 1);
    if (trimmed.endsWith(u'/')) trimmed.chop(1);
    const QStringList parts = trimmed.split(u'/');
    for (const QString& part : parts)
        if (part.trimmed().isEmpty())
            throw usage(command, QStringLiteral("A category path needs a name between each \"/\": '") + path +
                                     QStringLiteral("'."));
    return parts;
}

Catalog::Catalog(engine::Database& db) : m_db(db) {
    auto rs = db.OpenRecordset(QStringLiteral("SELECT CatKey, ParentKey, Name FROM Category"),
                               engine::dbOpenSnapshot, engine::dbReadOnly);
    for (; !rs->eof(); rs->MoveNext())
        m_categories.push_back({rs->Fields(0).Value().toLongLong(), rs->Fields(1).Value().toLongLong(),
                                rs->Fields(2).text(), QString()});
    computePaths();
}

void Catalog::computePaths() {
    m_index.clear();
    for (int i = 0; i < int(m_categories.size()); ++i) m_index.insert(m_categories[size_t(i)].key, i);
    for (Category& category : m_categories) {
        // A parent that is missing, or a loop in a damaged library, ends the walk: the path starts there.
        QStringList names{category.name};
        QSet<qint64> seen{category.key};
        for (const Category* up = byKey(category.parent); up && !seen.contains(up->key);
             up = byKey(up->parent)) {
            seen.insert(up->key);
            names.prepend(up->name);
        }
        category.path = names.join(u'/');
    }
}

const Category* Catalog::byKey(qint64 key) const {
    const auto it = m_index.constFind(key);
    return it == m_index.cend() ? nullptr : &m_categories[size_t(*it)];
}

QString Catalog::path(qint64 key) const {
    const Category* category = byKey(key);
    return category ? category->path : QStringLiteral("(no category %1)").arg(key);
}

QList<const Category*> Catalog::find(const QString& path) const {
    QString wanted = path;
    if (wanted.startsWith(u'/')) wanted.remove(0, 1);
    if (wanted.endsWith(u'/')) wanted.chop(1);
    QList<const Category*> whole, tail;
    for (const Category& category : m_categories) {
        if (sameText(category.path, wanted))
            whole << &category;
        else if (category.path.endsWith(u'/' + wanted, Qt::CaseInsensitive))
            tail << &category;
    }
    return whole.isEmpty() ? tail : whole;
}

const Category& Catalog::one(const QString& path) const {
    const QList<const Category*> found = find(path);
    if (found.isEmpty())
        throw Failure(exitNotFound, QStringLiteral("No category '") + path + QStringLiteral("'."));
    if (found.size() > 1) {
        QString text =
            QStringLiteral("The category '") + path + QStringLiteral("' is ambiguous; it could be:");
        for (const Category* category : found) text += QStringLiteral("\n  ") + category->path;
        throw Failure(exitAmbiguous, text);
    }
    return *found.first();
}

QList<qint64> Catalog::subtree(qint64 key) const {
    QList<qint64> keys{key};
    for (qsizetype i = 0; i < keys.size(); ++i)
        for (const Category& category : m_categories)
            if (category.parent == keys[i] && !keys.contains(category.key)) keys << category.key;
    return keys;
}

QList<const Category*> Catalog::children(qint64 parent) const {
    QList<const Category*> out;
    for (const Category& category : m_categories)
        if (category.parent == parent && category.key != parent) out << &category;
    std::sort(out.begin(), out.end(), [](const Category* a, const Category* b) {
        const int order = a->name.compare(b->name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a->key < b->key;
    });
    return out;
}

QList<const Category*> Catalog::all() const {
    QList<const Category*> out;
    for (const Category& category : m_categories) out << &category;
    std::sort(out.begin(), out.end(), [](const Category* a, const Category* b) {
        const int order = a->path.compare(b->path, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a->key < b->key;
    });
    return out;
}

qint64 Catalog::make(const QStringList& parts, qint64 parent, int* made) {
    for (const QString& part : parts) {
        QList<const Category*> matches;
        for (const Category* child : children(parent))
            if (sameText(child->name, part)) matches << child;
        if (matches.size() > 1) {
            QString text =
                QStringLiteral("The category '") + part + QStringLiteral("' is there more than once:");
            for (const Category* category : matches)
                text +=
                    QStringLiteral("\n  ") + category->path + QStringLiteral(" (key %1)").arg(category->key);
            throw Failure(exitAmbiguous, text);
        }
        if (!matches.isEmpty()) {
            parent = matches.first()->key;
            continue;
        }
        auto rs = m_db.OpenRecordset(QStringLiteral("SELECT * FROM Category WHERE CatKey = Null"));
        rs->AddNew();
        rs->Fields(QStringLiteral("ParentKey")).setValue(parent);
        rs->Fields(QStringLiteral("Name")).setValue(part);
        rs->Update();
        rs->setBookmark(rs->LastModified());
        const qint64 key = rs->Fields(QStringLiteral("CatKey")).Value().toLongLong();
        rs->Close();
        m_categories.push_back({key, parent, part, QString()});
        computePaths();
        if (made) ++*made;
        parent = key;
    }
    return parent;
}

ItemRef resolveItem(engine::Database& db, const Catalog& catalog, const QString& item) {
    const auto refOf = [](engine::Recordset& rs) {
        return ItemRef{rs.Fields(0).Value().toLongLong(), rs.Fields(1).Value().toLongLong(),
                       rs.Fields(2).text(), rs.Fields(3).text()};
    };
    const QString select = QStringLiteral("SELECT ProcKey, CatKey, Name, Type FROM [Procedure] WHERE ");
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    if (digits.match(item).hasMatch()) {
        auto rs = db.OpenRecordset(select + QStringLiteral("ProcKey = ") + item, engine::dbOpenSnapshot,
                                   engine::dbReadOnly);
        if (rs->eof()) throw Failure(exitNotFound, QStringLiteral("No item has the key ") + item + u'.');
        return refOf(*rs);
    }
    // Every way of cutting ITEM into a category path and a name: names may hold "/" themselves (a web
    // shortcut's name is its address). A whole path from the root ranks above a path that only ends
    // the same way, and both above the whole text taken as a name anywhere.
    enum Rank { anywhere, pathTail, wholePath };
    QList<ItemRef> ranked[3];
    const auto collect = [&](const QString& name, const QList<const Category*>& categories, Rank rank) {
        if (name.isEmpty()) return;
        auto rs = db.OpenRecordset(select + QStringLiteral("Name = '") + store::SQLQuote(name) + u'\'',
                                   engine::dbOpenSnapshot, engine::dbReadOnly);
        for (; !rs->eof(); rs->MoveNext()) {
            const ItemRef ref = refOf(*rs);
            if (!sameText(ref.name, name)) continue;
            if (rank == anywhere || std::any_of(categories.begin(), categories.end(),
                                                [&](const Category* c) { return c->key == ref.catKey; }))
                ranked[rank] << ref;
        }
    };
    collect(item, {}, anywhere);
    for (qsizetype slash = item.indexOf(u'/'); slash > 0; slash = item.indexOf(u'/', slash + 1)) {
        const QString categoryPath = item.left(slash);
        const QList<const Category*> categories = catalog.find(categoryPath);
        if (categories.isEmpty()) continue;
        collect(item.mid(slash + 1), categories,
                sameText(categories.first()->path, categoryPath) ? wholePath : pathTail);
    }
    QList<ItemRef> best;
    for (const Rank rank : {wholePath, pathTail, anywhere}) {
        for (const ItemRef& ref : ranked[rank])
            if (std::none_of(best.begin(), best.end(), [&](const ItemRef& r) { return r.key == ref.key; }))
                best << ref;
        if (!best.isEmpty()) break;
    }
    if (best.isEmpty())
        throw Failure(exitNotFound, QStringLiteral("No item '") + item + QStringLiteral("'."));
    if (best.size() > 1) {
        QString text = QStringLiteral("The item '") + item +
                       QStringLiteral("' is ambiguous; give one of these keys instead:");
        for (const ItemRef& ref : best)
            text += QStringLiteral("\n  %1\t").arg(ref.key) + catalog.path(ref.catKey) + u'/' + ref.name;
        throw Failure(exitAmbiguous, text);
    }
    return best.first();
}

std::unique_ptr<engine::Recordset> itemRecord(engine::Database& db, qint64 key) {
    return db.OpenRecordset(QStringLiteral("SELECT P.* FROM [Procedure] AS P WHERE P.ProcKey = ") +
                            QString::number(key));
}

namespace {

void fillItem(engine::Recordset& rs, const ItemData& item) {
    rs.Fields(QStringLiteral("Name")).setValue(item.name);
    rs.Fields(QStringLiteral("Type")).setValue(item.type);
    rs.Fields(QStringLiteral("Desc")).setValue(item.description);
    if (item.type == kFile) {
        if (!store::BlobSaveToField(rs.Fields(QStringLiteral("File")), item.filePath))
            throw Failure(exitFailed,
                          QStringLiteral("Cannot store the file '") + item.filePath + QStringLiteral("'."));
    } else {
        // A web shortcut's code is the placeholder the item editor writes.
        rs.Fields(QStringLiteral("Code"))
            .setValue(item.type == kWebSite ? QStringLiteral("Web Shortcut") : item.code);
    }
    rs.Fields(QStringLiteral("LastChanged")).setValue(QDate::currentDate());
    rs.Fields(QStringLiteral("Owner")).setValue(1);
    rs.Fields(QStringLiteral("LastChangedBy")).setValue(1);
}

}  // namespace

ItemAdder::ItemAdder(engine::Database& db) : m_rs(itemRecord(db, 0)) {}

qint64 ItemAdder::add(qint64 catKey, const ItemData& item) {
    m_rs->AddNew();
    try {
        m_rs->Fields(QStringLiteral("CatKey")).setValue(catKey);
        fillItem(*m_rs, item);
    } catch (...) {
        m_rs->CancelUpdate();
        throw;
    }
    m_rs->Update();
    return m_rs->LastModified().toLongLong();
}

void updateItem(engine::Database& db, qint64 key, const ItemData& item) {
    auto rs = itemRecord(db, key);
    if (rs->eof())
        throw Failure(exitNotFound, QStringLiteral("The item %1 is no longer in the library.").arg(key));
    rs->Edit();
    try {
        fillItem(*rs, item);
    } catch (...) {
        rs->CancelUpdate();
        throw;
    }
    rs->Update();
    rs->Close();
}

std::vector<ItemRow> listItems(engine::Database& db, const QList<qint64>& catKeys) {
    QString sql = QStringLiteral("SELECT ProcKey, CatKey, Name, Type, Desc, LastChanged FROM [Procedure]");
    if (!catKeys.isEmpty()) sql += QStringLiteral(" WHERE CatKey IN (") + keyList(catKeys) + u')';
    std::vector<ItemRow> rows;
    auto rs = db.OpenRecordset(sql, engine::dbOpenSnapshot, engine::dbReadOnly);
    for (; !rs->eof(); rs->MoveNext())
        rows.push_back({rs->Fields(0).Value().toLongLong(), rs->Fields(1).Value().toLongLong(),
                        rs->Fields(2).text(), rs->Fields(3).text(), rs->Fields(4).text(),
                        rs->Fields(5).Value().toDate()});
    return rows;
}

void copyStoredFile(engine::Field field, QIODevice& out) {
    const qint64 size = field.FieldSize();
    for (qint64 at = 0; at < size; at += engine::kChunkSize) {
        const QByteArray piece = field.GetChunk(at, engine::kChunkSize);
        if (out.write(piece) != piece.size())
            throw Failure(exitFailed, QStringLiteral("Cannot write the file: ") + out.errorString());
    }
}

bool isText(const QByteArray& bytes, QString* text) {
    if (bytes.contains('\0')) return false;
    // A byte order mark is part of the text: kept, it is written back as it came.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError()) return false;
    if (text) *text = std::move(decoded);
    return true;
}

Transaction::Transaction(engine::Database& db) : m_db(db) {
    // Every write of the engine is a savepoint within the transaction: their journals stay in memory
    // rather than in a temporary file each.
    sqlite3_exec(db.handle(), "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
    const int rc = sqlite3_exec(db.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return;
    m_open = false;
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw engine::Error(engine::errLocked, QStringLiteral("The Code Library '") + db.Name() +
                                                   QStringLiteral("' is in use and locked by another user or "
                                                                  "program. Try again when it is free."));
    throw engine::Error(engine::errEngine, QString::fromUtf8(sqlite3_errmsg(db.handle())));
}

Transaction::~Transaction() {
    if (m_open) sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    if (sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db.handle()));
        throw engine::Error(
            (sqlite3_errcode(m_db.handle()) & 0xff) == SQLITE_BUSY ? engine::errLocked : engine::errEngine,
            message);
    }
    m_open = false;
}

}  // namespace cli
