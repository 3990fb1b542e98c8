#pragma once

// One item of the list as a query returns it: what the list shows of it, read once from the rows so
// that a search on another thread can hand it over to the list.

#include "store/engine/engine.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

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
                m_lastChanged.text(),
                changed.typeId() == QMetaType::QDateTime
                    ? changed.toDateTime().toString(QStringLiteral("yyyyMMddhhmmss"))
                    : QString()};
    }

private:
    engine::Field m_procKey, m_name, m_type, m_desc, m_catName, m_lastChanged;
};

}  // namespace browser
