#include "platform/list_view.h"

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
#include <QThreadPool>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace controls {

using namespace detail;

class ListModel : public QAbstractTableModel {
public:
    explicit ListModel(ListView* view) : QAbstractTableModel(view), m_view(view) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : m_view->m_shownRows;
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : std::max(1, m_view->columnCount());
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        const Qt::ItemFlags drag = m_view->m_oleDragRows ? Qt::ItemIsDragEnabled : Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren |
               drag;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const ListItem* item = m_view->m_rows[index.row()].item.get();
        const int column = index.column();
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole: {
                if (item) return column == 0 ? item->m_text : item->subItem(column);
                const ListRowData& row = m_view->lazyRow(index.row());
                if (column == 0) return row.text;
                return column <= row.subItems.size() ? row.subItems[column - 1] : QString();
            }
            case Qt::DecorationRole: {
                if (column != 0) return {};
                const bool large = m_view->m_view == lvwIcon;
                const ImageList* images = large ? m_view->m_largeImages : m_view->m_smallImages;
                if (!images) return {};
                const ListRowData* row = item ? nullptr : &m_view->lazyRow(index.row());
                const QString& key =
                    large ? (item ? item->m_icon : row->icon) : (item ? item->m_smallIcon : row->smallIcon);
                if (const auto icon = images->find(key)) return *icon;
                return {};
            }
            case Qt::TextAlignmentRole:
                if (column == 0 || column >= m_view->columnCount()) return {};
                return QVariant::fromValue(m_view->m_columns[column].alignment | Qt::AlignVCenter);
            case DropHighlightRole:
                return item && item == m_view->m_dropHighlight;
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section >= m_view->columnCount()) return {};
        if (role == Qt::DisplayRole) return m_view->m_columns[section].text;
        if (role == Qt::TextAlignmentRole && section > 0)
            return QVariant::fromValue(m_view->m_columns[section].alignment | Qt::AlignVCenter);
        return {};
    }

    void changed(const ListItem* item, int column) {
        if (item->m_row >= m_view->m_shownRows) return;
        const QModelIndex i = index(item->m_row, column);
        emit dataChanged(i, i);
    }
    void changedRow(const ListItem* item) {
        if (item->m_row >= m_view->m_shownRows) return;
        emit dataChanged(index(item->m_row, 0), index(item->m_row, columnCount({}) - 1));
    }

    // The protected model notifications, for the control that owns the rows.
    void beginInsert(int first, int last) { beginInsertRows({}, first, last); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int first, int last) { beginRemoveRows({}, first, last); }
    void endRemove() { endRemoveRows(); }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void beginInsertColumn(int column) { beginInsertColumns({}, column, column); }
    void endInsertColumn() { endInsertColumns(); }
    void beginRemoveColumn(int column) { beginRemoveColumns({}, column, column); }
    void endRemoveColumn() { endRemoveColumns(); }
    void headerChanged(int first, int last) { emit headerDataChanged(Qt::Horizontal, first, last); }
    void allChanged() {
        if (m_view->m_shownRows > 0)
            emit dataChanged(index(0, 0), index(m_view->m_shownRows - 1, columnCount({}) - 1));
    }
    QModelIndexList persistent() const { return persistentIndexList(); }
    void movePersistent(const QModelIndexList& from, const QModelIndexList& to) {
        changePersistentIndexList(from, to);
    }

    ListView* m_view;
};

// The details (report) view and the icon/list view share one model and one selection; both
// send their label edits, keys and clicks through the owning control.
class ListDetailsView : public QTreeView {
public:
    explicit ListDetailsView(ListView* owner) : QTreeView(owner), m_owner(owner) {}

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        const bool asking = opensEditor(index, trigger, editTriggers(), state() == EditingState);
        // Only the label is edited in place, wherever on the row the edit began.
        if (asking && index.column() != 0) return edit(index.siblingAtColumn(0), trigger, event);
        if (m_owner->refusesEdit(index, asking)) return false;
        return QTreeView::edit(index, trigger, event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        // A key that reaches the list from its label editor (Enter, Esc) ends the edit, nothing more.
        if (state() != EditingState && m_owner->viewKeyPressed(event)) return;
        const QModelIndex before = currentIndex();
        QTreeView::keyPressEvent(event);
        m_owner->viewCurrentMoved(before, currentIndex());
    }
    void mousePressEvent(QMouseEvent* event) override {
        m_owner->viewMousePressed(this, event);
        QTreeView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QTreeView::mouseReleaseEvent(event);
        emit m_owner->click();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTreeView::mouseDoubleClickEvent(event);
        emit m_owner->dblClick();
    }
    void startDrag(Qt::DropActions) override { emit m_owner->oleStartDrag(); }

private:
    ListView* m_owner;
};

class ListIconView : public QListView {
public:
    explicit ListIconView(ListView* owner) : QListView(owner), m_owner(owner) {}

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        const bool asking = opensEditor(index, trigger, editTriggers(), state() == EditingState);
        if (m_owner->refusesEdit(index, asking)) return false;
        return QListView::edit(index, trigger, event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        // A key that reaches the list from its label editor (Enter, Esc) ends the edit, nothing more.
        if (state() != EditingState && m_owner->viewKeyPressed(event)) return;
        const QModelIndex before = currentIndex();
        QListView::keyPressEvent(event);
        m_owner->viewCurrentMoved(before, currentIndex());
    }
    void mousePressEvent(QMouseEvent* event) override {
        m_owner->viewMousePressed(this, event);
        QListView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QListView::mouseReleaseEvent(event);
        emit m_owner->click();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QListView::mouseDoubleClickEvent(event);
        emit m_owner->dblClick();
    }
    void startDrag(Qt::DropActions) override { emit m_owner->oleStartDrag(); }

private:
    ListView* m_owner;
};

void ListItem::setKey(const QString& key) {
    ListView* view = m_model->m_view;
    if (key == m_key) return;
    if (!key.isEmpty() && view->m_byKey.contains(key)) keyNotUnique();
    if (!m_key.isEmpty()) view->m_byKey.remove(m_key);
    m_key = key;
    if (!m_key.isEmpty()) view->m_byKey.insert(m_key, this);
}

void ListItem::setText(const QString& text) {
    m_text = text;
    m_model->changed(this, 0);
}

QString ListItem::subItem(int i) const {
    return i >= 1 && i <= m_subItems.size() ? m_subItems[i - 1] : QString();
}

void ListItem::setSubItem(int i, const QString& text) {
    if (i < 1) elementNotFound();
    while (m_subItems.size() < i) m_subItems.append(QString());
    m_subItems[i - 1] = text;
    if (i < m_model->columnCount({})) m_model->changed(this, i);
}

void ListItem::setIcon(const QString& key) {
    m_icon = key;
    m_model->changed(this, 0);
}

void ListItem::setSmallIcon(const QString& key) {
    m_smallIcon = key;
    m_model->changed(this, 0);
}

void ListItem::setSortText(int i, const QString& text) {
    if (text.isEmpty())
        m_sortTexts.remove(i);
    else
        m_sortTexts.insert(i, text);
}

int ListItem::index() const {
    m_model->m_view->flushPending();
    return m_row + 1;
}

bool ListItem::selected() const {
    return m_model->m_view->selectedItem() == this;
}
void ListItem::ensureVisible() {
    m_model->m_view->ensureVisible(this);
}

ListView::ListView(QWidget* parent)
    : QWidget(parent),
      m_model(new ListModel(this)),
      m_details(new ListDetailsView(this)),
      m_iconView(new ListIconView(this)) {
    m_details->setObjectName("detailsView");
    m_iconView->setObjectName("iconView");
    auto* stack = new QStackedLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(m_iconView);
    stack->addWidget(m_details);

    m_iconView->setModel(m_model);
    m_details->setModel(m_model);
    QItemSelectionModel* own = m_details->selectionModel();
    m_details->setSelectionModel(m_iconView->selectionModel());
    delete own;

    const auto commit = [this](const QModelIndex& index, const QString& text) { commitLabel(index, text); };
    m_details->setItemDelegate(new LabelDelegate(m_details, commit, [this] { return fullRowSelect(); }));
    m_iconView->setItemDelegate(new LabelDelegate(m_iconView, commit));

    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The last column takes the room a wide window leaves, rather than cut its text beside space.
    m_details->header()->setStretchLastSection(true);
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSectionsMovable(false);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setBatchSize(2000);
    // Every row is laid out at the first row's size: measuring each would read every row's text.
    m_iconView->setUniformItemSizes(true);
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_iconView)}) {
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setEditTriggers(triggersFor(m_labelEdit));
        v->setTextElideMode(Qt::ElideRight);
        connect(v, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
            if (ListItem* item = itemFromIndex(index)) emit itemClick(item);
        });
    }
    connect(m_details->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit columnClick(section + 1); });
    connect(m_details->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section < columnCount()) m_columns[section].width = size;
    });
    setView(lvwIcon);
}

ListView::~ListView() {
    // The views go before the rows they show.
    delete m_details;
    delete m_iconView;
}

ListItem* ListView::add(const QString& key, const QString& text, const QString& icon,
                        const QString& smallIcon) {
    if (!key.isEmpty() && m_byKey.contains(key)) keyNotUnique();
    std::unique_ptr<ListItem> item(new ListItem);
    item->m_model = m_model;
    item->m_key = key;
    item->m_text = text;
    item->m_icon = icon;
    item->m_smallIcon = smallIcon;
    return insertItem(std::move(item));
}

ListItem* ListView::insertItem(std::unique_ptr<ListItem> item) {
    // Rows are only gathered here; flushPending() shows them, and sorts them while Sorted is on,
    // so that filling row by row costs one model notification, not one per row.
    ListItem* raw = item.get();
    raw->m_row = int(m_rows.size());
    m_rows.push_back({std::move(item), -1});
    if (!raw->m_key.isEmpty()) m_byKey.insert(raw->m_key, raw);
    if (m_updateDepth == 0) schedulePendingFlush();
    return raw;
}

void ListView::setRowSource(const ListRowSource* source) {
    m_source = source;
    refreshRows();
}

void ListView::addRows(const std::vector<qint64>& ids) {
    if (ids.empty()) return;
    m_rows.reserve(m_rows.size() + ids.size());
    for (const qint64 id : ids) m_rows.push_back({nullptr, id});
    if (m_updateDepth == 0) schedulePendingFlush();
}

void ListView::refreshRows() {
    m_lazyRows.clear();
    m_model->allChanged();
}

ListItem* ListView::loadedItem(int index) const {
    const_cast<ListView*>(this)->flushPending();
    if (index < 1 || index > count()) elementNotFound();
    return m_rows[index - 1].item.get();
}

const ListRowData& ListView::lazyRow(int row) const {
    const qint64 id = m_rows[row].id;
    const auto found = m_lazyRows.constFind(id);
    if (found != m_lazyRows.constEnd()) return *found;
    // A screenful or two around the row, read together; what was read long ago is let go, so the
    // rows held stay a few windows' worth however far the list is scrolled.
    constexpr int kBefore = 32, kAfter = 96, kHeld = 4096;
    if (m_lazyRows.size() > kHeld) m_lazyRows.clear();
    std::vector<qint64> ids;
    const int first = std::max(0, row - kBefore), last = std::min(int(m_rows.size()), row + kAfter);
    for (int r = first; r < last; ++r)
        if (!m_rows[r].item && !m_lazyRows.contains(m_rows[r].id)) ids.push_back(m_rows[r].id);
    std::vector<ListRowData> read(ids.size());
    if (m_source) m_source->readRows(ids.data(), int(ids.size()), read.data());
    for (std::size_t i = 0; i < ids.size(); ++i) m_lazyRows.insert(ids[i], std::move(read[i]));
    return m_lazyRows[id];
}

ListItem* ListView::handle(int row) const {
    Row& r = m_rows[row];
    if (r.item) return r.item.get();
    const ListRowData data = lazyRow(row);
    std::unique_ptr<ListItem> item(new ListItem);
    item->m_model = m_model;
    item->m_row = row;
    item->m_key = m_source ? m_source->key(r.id) : QString();
    item->m_text = data.text;
    item->m_tag = data.tag;
    item->m_icon = data.icon;
    item->m_smallIcon = data.smallIcon;
    item->m_subItems = data.subItems;
    item->m_sortTexts = data.sortTexts;
    if (!item->m_key.isEmpty()) m_byKey.insert(item->m_key, item.get());
    r.item = std::move(item);
    return r.item.get();
}

void ListView::schedulePendingFlush() {
    if (m_flushScheduled) return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_flushScheduled = false;
        if (m_updateDepth == 0) flushPending();
    });
}

void ListView::flushPending() {
    const int total = int(m_rows.size());
    if (m_shownRows >= total) return;
    m_model->beginInsert(m_shownRows, total - 1);
    m_shownRows = total;
    m_model->endInsert();
    if (m_sorted) sortItems();
}

void ListView::beginUpdate() {
    if (m_updateDepth++ == 0) setUpdatesEnabled(false);
}

void ListView::endUpdate() {
    if (m_updateDepth == 0) return;
    if (--m_updateDepth > 0) return;
    flushPending();
    setUpdatesEnabled(true);
}

void ListView::remove(const QString& key) {
    remove(item(key));
}

void ListView::remove(ListItem* item) {
    if (!item) return;
    flushPending();
    const int row = item->m_row;
    m_model->beginRemove(row, row);
    if (m_dropHighlight == item) m_dropHighlight = nullptr;
    if (!item->m_key.isEmpty()) m_byKey.remove(item->m_key);
    m_rows.erase(m_rows.begin() + row);
    --m_shownRows;
    renumber(row);
    m_model->endRemove();
}

void ListView::clear() {
    m_model->beginReset();
    m_dropHighlight = nullptr;
    // Freeing a large list's rows one by one would hold up the window for a noticeable moment; no
    // one can reach them any more, so a pool thread frees them while the window goes on.
    struct Rows {
        std::vector<Row> items;
        QHash<QString, ListItem*> byKey;
    };
    auto* old = new Rows{std::move(m_rows), std::move(m_byKey)};
    m_rows.clear();
    m_byKey.clear();
    m_lazyRows.clear();
    m_shownRows = 0;
    m_model->endReset();
    constexpr size_t kFreeAside = 4096;
    if (old->items.size() < kFreeAside)
        delete old;
    else
        QThreadPool::globalInstance()->start([old] { delete old; });
}

ListItem* ListView::item(const QString& key) const {
    ListItem* found = findItem(key);
    if (!found) elementNotFound();
    return found;
}

ListItem* ListView::item(int index) const {
    const_cast<ListView*>(this)->flushPending();
    if (index < 1 || index > count()) elementNotFound();
    return handle(index - 1);
}

ListItem* ListView::findItem(const QString& key) const {
    if (key.isEmpty()) return nullptr;
    if (ListItem* found = m_byKey.value(key)) return found;
    const qint64 id = m_source ? m_source->idOfKey(key) : -1;
    if (id < 0) return nullptr;
    for (int row = 0; row < int(m_rows.size()); ++row)
        if (!m_rows[row].item && m_rows[row].id == id) return handle(row);
    return nullptr;
}

void ListView::renumber(int from) {
    for (int i = from; i < int(m_rows.size()); ++i)
        if (m_rows[i].item) m_rows[i].item->m_row = i;
}

int ListView::addColumn(const QString& text, int width, const QString& key, Qt::Alignment alignment) {
    const int column = columnCount();
    if (column == 0) {
        m_columns.push_back({key, text, width, alignment});
        m_model->headerChanged(0, 0);
    } else {
        m_model->beginInsertColumn(column);
        m_columns.push_back({key, text, width, alignment});
        m_model->endInsertColumn();
    }
    m_details->header()->resizeSection(column, width);
    return column + 1;
}

void ListView::requireColumn(int index) const {
    if (index < 1 || index > columnCount()) elementNotFound();
}

void ListView::removeColumn(int index) {
    requireColumn(index);
    const int column = index - 1;
    const auto dropSubItem = [this, column] {
        if (column == 0) return;
        for (const Row& row : m_rows)
            if (row.item && column <= row.item->m_subItems.size()) row.item->m_subItems.removeAt(column - 1);
    };
    if (columnCount() == 1) {
        m_columns.clear();
        dropSubItem();
        m_model->headerChanged(0, 0);
        m_model->allChanged();
        return;
    }
    m_model->beginRemoveColumn(column);
    m_columns.erase(m_columns.begin() + column);
    dropSubItem();
    m_model->endRemoveColumn();
    applyColumnWidths();
}

void ListView::clearColumns() {
    while (columnCount() > 0) removeColumn(columnCount());
}

QString ListView::columnText(int index) const {
    requireColumn(index);
    return m_columns[index - 1].text;
}

void ListView::setColumnText(int index, const QString& text) {
    requireColumn(index);
    m_columns[index - 1].text = text;
    m_model->headerChanged(index - 1, index - 1);
}

QString ListView::columnKey(int index) const {
    requireColumn(index);
    return m_columns[index - 1].key;
}

int ListView::columnWidth(int index) const {
    requireColumn(index);
    return m_columns[index - 1].width;
}

void ListView::setColumnWidth(int index, int width) {
    requireColumn(index);
    m_columns[index - 1].width = width;
    m_details->header()->resizeSection(index - 1, width);
}

void ListView::applyColumnWidths() {
    for (int i = 0; i < columnCount(); ++i) m_details->header()->resizeSection(i, m_columns[i].width);
}

void ListView::setView(ListViewStyle view) {
    // Only the large-icon view draws other pictures; telling the views that every row changed costs
    // them a pass over all rows, which a long list feels.
    const bool picturesChange = (view == lvwIcon) != (m_view == lvwIcon);
    m_view = view;
    auto* stack = static_cast<QStackedLayout*>(layout());
    const bool focused = stack->currentWidget() && stack->currentWidget()->hasFocus();
    if (view == lvwReport) {
        stack->setCurrentWidget(m_details);
    } else {
        const QFontMetrics metrics(m_iconView->font());
        switch (view) {
            case lvwIcon: {
                m_iconView->setViewMode(QListView::IconMode);
                m_iconView->setFlow(QListView::LeftToRight);
                m_iconView->setWordWrap(true);
                const QSize icon = m_largeImages ? m_largeImages->imageSize() : QSize(32, 32);
                m_iconView->setGridSize(QSize(std::max(icon.width() + 56, metrics.averageCharWidth() * 16),
                                              icon.height() + metrics.lineSpacing() * 2 + 12));
                break;
            }
            case lvwSmallIcon:
            case lvwList:
                m_iconView->setViewMode(QListView::ListMode);
                m_iconView->setFlow(view == lvwList ? QListView::TopToBottom : QListView::LeftToRight);
                m_iconView->setWordWrap(false);
                m_iconView->setSpacing(1);
                // A fixed cell, wide enough for most names (longer ones are cut short): with uniform
                // sizes the view would otherwise size every cell to the last row, whose label may be a
                // whole sentence.
                {
                    const QSize icon = m_smallImages ? m_smallImages->imageSize() : QSize(16, 16);
                    m_iconView->setGridSize(QSize(icon.width() + 12 + metrics.averageCharWidth() * 26,
                                                  std::max(icon.height(), metrics.height()) + 4));
                }
                break;
            default:
                break;
        }
        m_iconView->setMovement(QListView::Static);
        m_iconView->setWrapping(true);
        m_iconView->setResizeMode(QListView::Adjust);
        stack->setCurrentWidget(m_iconView);
    }
    // Whoever gives the list the focus gives it to the view that shows, and a view change keeps it.
    setFocusProxy(stack->currentWidget());
    if (focused) stack->currentWidget()->setFocus();
    applyIconSizes();
    if (picturesChange) m_model->allChanged();
}

void ListView::applyIconSizes() {
    const QSize large = m_largeImages ? m_largeImages->imageSize() : QSize(32, 32);
    const QSize small = m_smallImages ? m_smallImages->imageSize() : QSize(16, 16);
    m_iconView->setIconSize(m_view == lvwIcon ? large : small);
    m_details->setIconSize(small);
}

void ListView::setSortKey(int key) {
    m_sortKey = key;
    if (m_sorted) sortItems();
}

void ListView::setSortOrder(ListSortOrder order) {
    m_sortOrder = order;
    if (m_sorted) sortItems();
}

void ListView::setSorted(bool sorted) {
    m_sorted = sorted;
    if (sorted) sortItems();
}

QString ListView::sortText(const ListItem* item) const {
    const auto own = item->m_sortTexts.constFind(m_sortKey);
    if (own != item->m_sortTexts.constEnd()) return *own;
    return m_sortKey == 0 ? item->m_text : item->subItem(m_sortKey);
}

QString sortTextOf(const ListRowData& row, int key) {
    const auto own = row.sortTexts.constFind(key);
    if (own != row.sortTexts.constEnd()) return *own;
    if (key == 0) return row.text;
    return key >= 1 && key <= row.subItems.size() ? row.subItems[key - 1] : QString();
}

void ListRowSource::readSortTexts(const qint64* ids, int count, int key, QString* out) const {
    std::vector<ListRowData> rows(size_t(std::max(count, 0)));
    readRows(ids, count, rows.data());
    for (int i = 0; i < count; ++i) out[i] = sortTextOf(rows[size_t(i)], key);
}

void ListView::sortItems() {
    // Shown without sorting first, so the model never sees a row move that it was not told of.
    const int total = int(m_rows.size());
    if (m_shownRows < total) {
        m_model->beginInsert(m_shownRows, total - 1);
        m_shownRows = total;
        m_model->endInsert();
    }
    emit m_model->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = m_model->persistent();
    // Rows held by persistent indexes are followed by their ListItem.
    std::vector<const ListItem*> held;
    held.reserve(from.size());
    for (const QModelIndex& i : from) held.push_back(handle(i.row()));
    // Folded once, then compared as they are: far cheaper than folding in every comparison. Rows known
    // by number are read from the source a batch at a time and their texts let go at once.
    std::vector<std::pair<QString, Row>> keyed;
    keyed.reserve(m_rows.size());
    constexpr int kBatch = 512;
    std::vector<qint64> ids;
    std::vector<QString> read;
    for (std::size_t first = 0; first < m_rows.size(); first += kBatch) {
        const std::size_t last = std::min(m_rows.size(), first + kBatch);
        ids.clear();
        for (std::size_t i = first; i < last; ++i)
            if (!m_rows[i].item) ids.push_back(m_rows[i].id);
        read.assign(ids.size(), QString());
        if (m_source && !ids.empty())
            m_source->readSortTexts(ids.data(), int(ids.size()), m_sortKey, read.data());
        std::size_t next = 0;
        for (std::size_t i = first; i < last; ++i) {
            Row& row = m_rows[i];
            const QString text = row.item ? sortText(row.item.get()) : std::move(read[next++]);
            keyed.emplace_back(text.toCaseFolded(), std::move(row));
        }
    }
    const auto ascending = [](const auto& a, const auto& b) { return a.first < b.first; };
    const auto descending = [](const auto& a, const auto& b) { return b.first < a.first; };
    if (m_sortOrder == lvwAscending)
        std::stable_sort(keyed.begin(), keyed.end(), ascending);
    else
        std::stable_sort(keyed.begin(), keyed.end(), descending);
    for (std::size_t i = 0; i < keyed.size(); ++i) m_rows[i] = std::move(keyed[i].second);
    renumber(0);
    QModelIndexList to;
    to.reserve(from.size());
    for (int i = 0; i < from.size(); ++i) to << m_model->index(held[i]->m_row, from[i].column());
    m_model->movePersistent(from, to);
    emit m_model->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

ListItem* ListView::selectedItem() const {
    const QModelIndexList selected = m_iconView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : itemFromIndex(selected.first());
}

void ListView::setSelectedItem(ListItem* item) {
    QItemSelectionModel* selection = m_iconView->selectionModel();
    if (!item) {
        selection->clear();
        return;
    }
    flushPending();
    selection->setCurrentIndex(m_model->index(item->m_row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ListView::setDropHighlight(ListItem* item) {
    if (item == m_dropHighlight) return;
    ListItem* old = m_dropHighlight;
    m_dropHighlight = item;
    if (old) m_model->changedRow(old);
    if (item) m_model->changedRow(item);
}

ListItem* ListView::hitTest(const QPoint& pos) const {
    QAbstractItemView* view = currentView();
    return itemFromIndex(view->indexAt(view->viewport()->mapFrom(this, pos)));
}

void ListView::ensureVisible(ListItem* item) {
    if (!item) return;
    flushPending();
    currentView()->scrollTo(m_model->index(item->m_row, 0));
}

void ListView::setIcons(ImageList* images) {
    disconnect(m_largeChanged);
    m_largeImages = images;
    if (images)
        m_largeChanged =
            connect(images, &ImageList::changed, m_iconView->viewport(), qOverload<>(&QWidget::update));
    setView(m_view);
}

void ListView::setSmallIcons(ImageList* images) {
    disconnect(m_smallChanged);
    m_smallImages = images;
    if (images)
        m_smallChanged = connect(images, &ImageList::changed, this, [this] {
            m_iconView->viewport()->update();
            m_details->viewport()->update();
        });
    setView(m_view);  // the small views' cells are sized by the pictures
    m_model->allChanged();
}

void ListView::setLabelEdit(LabelEditMode mode) {
    m_labelEdit = mode;
    m_details->setEditTriggers(triggersFor(mode));
    m_iconView->setEditTriggers(triggersFor(mode));
}

void ListView::startLabelEdit() {
    if (ListItem* item = selectedItem()) currentView()->edit(m_model->index(item->m_row, 0));
}

void ListView::setOLEDragMode(bool automatic) {
    m_oleDragRows = automatic;
    m_details->setDragEnabled(automatic);
    m_iconView->setDragEnabled(automatic);
}

void ListView::setExtendedStyle(int style) {
    m_extendedStyle = style;
    m_details->viewport()->update();
}

QAbstractItemView* ListView::currentView() const {
    return m_view == lvwReport ? static_cast<QAbstractItemView*>(m_details) : m_iconView;
}

ListItem* ListView::itemFromIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != m_model || index.row() >= m_shownRows) return nullptr;
    return handle(index.row());
}

bool ListView::refusesEdit(const QModelIndex& index, bool asking) {
    if (!asking) return false;
    bool cancel = false;
    emit beforeLabelEdit(itemFromIndex(index), cancel);
    return cancel;
}

void ListView::commitLabel(const QModelIndex& index, const QString& text) {
    const QPersistentModelIndex edited(index);
    bool cancel = false;
    emit afterLabelEdit(itemFromIndex(index), cancel, text);
    if (!cancel && edited.isValid()) itemFromIndex(edited)->setText(text);
}

bool ListView::viewKeyPressed(QKeyEvent* event) {
    int keyCode = event->key();
    emit keyDown(keyCode, event->modifiers());
    if (keyCode != 0) return false;
    event->accept();
    return true;
}

void ListView::viewCurrentMoved(const QModelIndex& before, const QModelIndex& after) {
    if (after.isValid() && after.row() != before.row())
        if (ListItem* item = itemFromIndex(after)) emit itemClick(item);
}

void ListView::viewMousePressed(QAbstractItemView* view, QMouseEvent* event) {
    emit mouseDown(event->button(), event->modifiers(), eventPos(view->viewport(), this, event));
}

}  // namespace controls
