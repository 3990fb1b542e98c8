#pragma once

// One item of the list as the library holds it, and the source that the list reads its rows from
// when it shows them: the list itself holds only each item's ProcKey.

#include "platform/list_view.h"
#include "store/engine/engine.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

namespace controls {
class ImageList;
}

namespace browser {

struct ItemRow {
    qint64 procKey = 0;
    QString name, type, desc, catName, lastChanged;
    QString changedSortKey;  // the stored date as "yyyyMMddhhmmss": sorted by it, never by the shown text
};

// Reads the item list's columns (ProcKey, Name, Type, Desc, CatName, LastChanged) of a query's
// current row; an unknown column raises engine::Error when the reader is made.
class ItemRowReader {
public:
    explicit ItemRowReader(engine::Recordset& rs)
        : m_procKey(rs.Fields(QStringLiteral("ProcKey"))),
          m_name(rs.Fields(QStringLiteral("Name"))),
          m_type(rs.Fields(QStringLiteral("Type"))),
          m_desc(rs.Fields(QStringLiteral("Desc"))),
          m_catName(rs.Fields(QStringLiteral("CatName"))),
          m_lastChanged(rs.Fields(QStringLiteral("LastChanged"))) {}

    ItemRow read() const {
        const QVariant changed = m_lastChanged.Value();
        return {m_procKey.Value().toLongLong(),
                m_name.text(),
                m_type.text(),
                m_desc.text(),
                m_catName.text(),
                engine::valueToText(changed),
                changed.typeId() == QMetaType::QDateTime ? sortKey(changed.toDateTime()) : QString()};
    }

    // "yyyyMMddhhmmss", written digit by digit: a format string costs a parse and a calendar lookup per
    // row, which sorting a long list by date feels.
    static QString sortKey(const QDateTime& stamp) {
        const QDate d = stamp.date();
        const QTime t = stamp.time();
        const int parts[] = {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
        QString key(14, u'0');
        int at = 14;
        for (int i = 5; i >= 0; --i)
            for (int value = parts[i], digits = i == 0 ? 4 : 2; digits > 0; --digits, value /= 10)
                key[--at] = QChar(u'0' + value % 10);
        return key;
    }

private:
    engine::Field m_procKey, m_name, m_type, m_desc, m_catName, m_lastChanged;
};

// The rows of the item list, read by ProcKey from the open library a window at a time: the label
// (a described web shortcut shows its description), the category, type, date and description
// columns, the type as tag and the pictures by kind (or by category, with custom pictures).
class ItemRowSource : public controls::ListRowSource {
public:
    ItemRowSource(std::function<engine::Database*()> database, const controls::ImageList* largeIcons)
        : m_database(std::move(database)), m_largeIcons(largeIcons) {}

    void setCustomIcons(bool custom) { m_custom = custom; }
    void readRows(const qint64* ids, int count, controls::ListRowData* out) const override;
    // Reads only the columns the sorted column's text is made of, and makes it as listRow does.
    void readSortTexts(const qint64* ids, int count, int key, QString* out) const override;
    QString key(qint64 id) const override { return QString::number(id) + QStringLiteral(" key"); }
    qint64 idOfKey(const QString& key) const override;
    // What the list shows of row.
    controls::ListRowData listRow(const ItemRow& row) const;

private:
    std::function<engine::Database*()> m_database;
    const controls::ImageList* m_largeIcons;
    bool m_custom = false;
};

}  // namespace browser
