#pragma once

#include "platform/controls_base.h"

namespace controls {

// Image list: pictures of one size, found by key.

class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(QSize imageSize = QSize(16, 16), QObject* parent = nullptr);

    QSize imageSize() const { return m_size; }
    int count() const { return int(m_entries.size()); }
    QStringList keys() const;

    // An empty key adds a picture nobody can find again, as the old list allowed. A key already
    // present raises errKeyNotUnique. Pictures of another size are scaled to the list's size.
    void add(const QString& key, const QPixmap& picture);
    void add(const QString& key, const QIcon& picture);
    // Raises errElementNotFound for a missing key.
    void remove(const QString& key);
    // Gives the picture under oldKey a new key; an empty new key leaves it unreachable. Raises
    // errElementNotFound or errKeyNotUnique.
    void renameKey(const QString& oldKey, const QString& newKey);
    void clear();

    bool contains(const QString& key) const { return !key.isEmpty() && m_byKey.contains(key); }
    // Raises errElementNotFound for a missing key.
    QIcon item(const QString& key) const;
    std::optional<QIcon> find(const QString& key) const;

signals:
    // Anything changed: attached controls repaint.
    void changed();

private:
    struct Entry {
        QString key;
        QIcon icon;
    };
    void rebuildIndex();

    QSize m_size;
    std::vector<Entry> m_entries;
    QHash<QString, int> m_byKey;
};

}  // namespace controls
