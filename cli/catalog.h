#pragma once

// The library as the command line addresses it: categories by their paths from the root ("Database/
// SQL"), items by key or by category path and name, and the writes every command shares.

#include "store/engine/engine.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;

namespace cli {

inline const QString kTextCode = QStringLiteral("Text/Code");
inline const QString kWebSite = QStringLiteral("WebSite");
inline const QString kFile = QStringLiteral("File");

struct Category {
    qint64 key = 0;
    qint64 parent = 0;
    QString name;
    QString path;  // the names from the root, joined by "/"
};

// The parts of a category path: blanks kept, one leading or trailing "/" dropped; an empty part in
// the middle is a usage failure.
QStringList pathParts(const QString& path, const QString& command);

class Catalog {
public:
    explicit Catalog(engine::Database& db);

    const Category* byKey(qint64 key) const;
    QString path(qint64 key) const;
    // Categories by path: those whose whole path is path (ignoring case), else those whose path ends
    // with it after a "/". Empty when none.
    QList<const Category*> find(const QString& path) const;
    // The one category at path; Failure when none or several (listed).
    const Category& one(const QString& path) const;
    // The category and every one below it.
    QList<qint64> subtree(qint64 key) const;
    // Children of parent (0: the top), in name order.
    QList<const Category*> children(qint64 parent) const;
    // Every category in path order.
    QList<const Category*> all() const;
    // The category at parts below parent (0: the root), each missing level made; its key.
    qint64 make(const QStringList& parts, qint64 parent = 0, int* made = nullptr);

private:
    void computePaths();
    engine::Database& m_db;
    std::vector<Category> m_categories;
    QHash<qint64, int> m_index;
};

struct ItemRef {
    qint64 key = 0;
    qint64 catKey = 0;
    QString name, type;
};

// The item ITEM names: a key (digits), a category path and a name ("Database/SafeSQL"), or a name
// alone when only one item has it. Failure: none (exitNotFound), several (exitAmbiguous, listed).
ItemRef resolveItem(engine::Database& db, const Catalog& catalog, const QString& item);

// The item's row for reading or writing ("SELECT P.* ...").
std::unique_ptr<engine::Recordset> itemRecord(engine::Database& db, qint64 key);

// What one item holds when written.
struct ItemData {
    QString name, type = kTextCode, description, code;
    QString filePath;  // a stored file's bytes are read from here
};

// Adds items, stamped as every write of the window stamps them, through one recordset kept open.
class ItemAdder {
public:
    explicit ItemAdder(engine::Database& db);
    // Adds item to category catKey; the new key. Throws engine::Error, Failure when a stored file
    // cannot be read.
    qint64 add(qint64 catKey, const ItemData& item);

private:
    std::unique_ptr<engine::Recordset> m_rs;
};
// Writes code (or, for a web shortcut, the address as its name) and description of an item again.
void updateItem(engine::Database& db, qint64 key, const ItemData& item);

// Items of a category subtree (everything when keys is empty), in path and name order.
struct ItemRow {
    qint64 key = 0, catKey = 0;
    QString name, type, description;
    QDate lastChanged;
};
std::vector<ItemRow> listItems(engine::Database& db, const QList<qint64>& catKeys);

// Writes a stored file's bytes to out in pieces, never the whole file in memory.
void copyStoredFile(engine::Field field, QIODevice& out);

// Text that can be kept as an item's code: UTF-8 without NUL characters; text receives it.
bool isText(const QByteArray& bytes, QString* text = nullptr);

// A whole transaction: rolled back unless committed.
class Transaction {
public:
    explicit Transaction(engine::Database& db);
    ~Transaction();
    void commit();

private:
    engine::Database& m_db;
    bool m_open = true;
};

}  // namespace cli
