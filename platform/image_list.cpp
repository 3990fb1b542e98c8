#include "platform/image_list.h"

#include "platform/controls_p.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QStyleOption>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace controls {

using namespace detail;

ImageList::ImageList(QSize imageSize, QObject* parent) : QObject(parent), m_size(imageSize) {}

QStringList ImageList::keys() const {
    QStringList result;
    for (const Entry& e : m_entries)
        if (!e.key.isEmpty()) result << e.key;
    return result;
}

void ImageList::add(const QString& key, const QPixmap& picture) {
    if (picture.isNull() || picture.size() == m_size) {
        add(key, QIcon(picture));
        return;
    }
    add(key, QIcon(picture.scaled(m_size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void ImageList::add(const QString& key, const QIcon& picture) {
    if (contains(key)) keyNotUnique();
    m_entries.push_back({key, picture});
    if (!key.isEmpty()) m_byKey.insert(key, int(m_entries.size()) - 1);
    emit changed();
}

void ImageList::remove(const QString& key) {
    const auto it = m_byKey.constFind(key);
    if (key.isEmpty() || it == m_byKey.constEnd()) elementNotFound();
    m_entries.erase(m_entries.begin() + *it);
    rebuildIndex();
    emit changed();
}

void ImageList::renameKey(const QString& oldKey, const QString& newKey) {
    const auto it = m_byKey.constFind(oldKey);
    if (oldKey.isEmpty() || it == m_byKey.constEnd()) elementNotFound();
    if (newKey == oldKey) return;
    if (contains(newKey)) keyNotUnique();
    m_entries[*it].key = newKey;
    rebuildIndex();
    emit changed();
}

void ImageList::clear() {
    m_entries.clear();
    m_byKey.clear();
    emit changed();
}

QIcon ImageList::item(const QString& key) const {
    const auto found = find(key);
    if (!found) elementNotFound();
    return *found;
}

std::optional<QIcon> ImageList::find(const QString& key) const {
    if (key.isEmpty()) return std::nullopt;
    const auto it = m_byKey.constFind(key);
    if (it == m_byKey.constEnd()) return std::nullopt;
    return m_entries[*it].icon;
}

void ImageList::rebuildIndex() {
    m_byKey.clear();
    for (int i = 0; i < int(m_entries.size()); ++i)
        if (!m_entries[i].key.isEmpty()) m_byKey.insert(m_entries[i].key, i);
}

}  // namespace controls
