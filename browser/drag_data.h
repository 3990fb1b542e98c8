#pragma once

// What travels in a drag of the item list: the process-wide exchange record that lets two documents
// hand each other an item, and the drag's data object, which declares its formats when the drag
// starts and has the source write the item only when a target asks for it.

#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QString>

namespace browser {

class MRVDocument;

// Formats of our own: an item as the exchange record holds it (for a document of another process),
// and a category node dragged inside one document's tree.
inline const QString kItemFormat = QStringLiteral("application/x-morvane-item");
inline const QString kCategoryFormat = QStringLiteral("application/x-morvane-category");

struct DragExchangeRecord {
    bool InProgress = false;
    QString DatabaseName, Name, Type, Desc, Code, FilePath;

    // Every text emptied; InProgress is the source's to clear.
    void clearTexts();
    QByteArray toJson() const;
    // The record a document of another process sent; InProgress stays false.
    static DragExchangeRecord fromJson(const QByteArray& json);
};

// The one record of this process, seen by all its documents.
DragExchangeRecord& DragExchange();

class ItemMimeData : public QMimeData {
    Q_OBJECT
public:
    // An item row of source's list: its number, type and label.
    ItemMimeData(MRVDocument* source, qint64 procKey, const QString& type, const QString& label);

    QStringList formats() const override;
    bool hasFormat(const QString& format) const override;

    MRVDocument* source() const { return m_source; }
    qint64 procKey() const { return m_procKey; }
    QString type() const { return m_type; }
    QString label() const { return m_label; }
    // How many times the source was asked to supply the item (once at most).
    int supplied() const { return m_supplied; }

    // What the source supplies: the item as read, and the file written for it ("" for text).
    void supply(const DragExchangeRecord& item, const QString& file);

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override;

private:
    QPointer<MRVDocument> m_source;
    qint64 m_procKey;
    QString m_type, m_label;
    mutable int m_supplied = 0;
    bool m_ready = false;  // the source supplied the item
    DragExchangeRecord m_item;
    QString m_file;
};

// Tells the drag's source what a move over or a drop on a view does (IgnoreAction: refused).
void answerDrop(QDropEvent* event, Qt::DropAction effect);

}  // namespace browser
