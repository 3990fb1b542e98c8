#include "platform/tree_view.h"

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

class TreeModel : public QAbstractItemModel {
public:
    explicit TreeModel(TreeView* view) : QAbstractItemModel(view), m_view(view) { m_root.m_model = this; }

    static TreeNode* nodeOf(const QModelIndex& index) {
        return static_cast<TreeNode*>(index.internalPointer());
    }
    QModelIndex indexOf(const TreeNode* node) const {
        if (!node || node == &m_root) return {};
        return createIndex(node->m_row, 0, const_cast<TreeNode*>(node));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        const TreeNode* p = parent.isValid() ? nodeOf(parent) : &m_root;
        if (column != 0 || row < 0 || row >= p->children()) return {};
        return createIndex(row, 0, p->m_children[row].get());
    }
    QModelIndex parent(const QModelIndex& child) const override {
        return child.isValid() ? indexOf(nodeOf(child)->m_parent) : QModelIndex();
    }
    int rowCount(const QModelIndex& parent) const override {
        if (parent.column() > 0) return 0;
        return parent.isValid() ? nodeOf(parent)->children() : m_root.children();
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                               : Qt::NoItemFlags;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const TreeNode* node = nodeOf(index);
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return node->m_text;
            case Qt::DecorationRole:
                if (m_view->m_images)
                    if (const auto icon = m_view->m_images->find(node->m_image)) return *icon;
                return {};
            case DropHighlightRole:
                return node == m_view->m_dropHighlight;
            default:
                return {};
        }
    }

    TreeNode* insert(TreeNode* parent, int row, std::unique_ptr<TreeNode> node) {
        TreeNode* raw = node.get();
        raw->m_model = this;
        raw->m_parent = parent;
        raw->m_index = m_nextIndex++;
        beginInsertRows(indexOf(parent), row, row);
        parent->m_children.insert(parent->m_children.begin() + row, std::move(node));
        renumber(parent, row);
        if (!raw->m_key.isEmpty()) m_byKey.insert(raw->m_key, raw);
        m_byIndex.insert(raw->m_index, raw);
        endInsertRows();
        return raw;
    }
    void erase(TreeNode* node) {
        TreeNode* parent = node->m_parent;
        const int row = node->m_row;
        beginRemoveRows(indexOf(parent), row, row);
        forget(node);
        parent->m_children.erase(parent->m_children.begin() + row);
        renumber(parent, row);
        endRemoveRows();
    }
    void eraseAll() {
        beginResetModel();
        m_root.m_children.clear();
        m_byKey.clear();
        m_byIndex.clear();
        m_nextIndex = 1;
        endResetModel();
    }
    void changed(const TreeNode* node) {
        const QModelIndex i = indexOf(node);
        if (i.isValid()) emit dataChanged(i, i);
    }

    TreeView* m_view;
    TreeNode m_root;
    QHash<QString, TreeNode*> m_byKey;
    QHash<int, TreeNode*> m_byIndex;
    int m_nextIndex = 1;

private:
    static void renumber(TreeNode* parent, int from) {
        for (int i = from; i < parent->children(); ++i) parent->m_children[i]->m_row = i;
    }
    void forget(const TreeNode* node) {
        if (!node->m_key.isEmpty()) m_byKey.remove(node->m_key);
        m_byIndex.remove(node->m_index);
        for (const auto& child : node->m_children) forget(child.get());
    }
};

TreeNode::~TreeNode() = default;

void TreeNode::setKey(const QString& key) {
    if (key == m_key) return;
    if (!key.isEmpty() && m_model->m_byKey.contains(key)) keyNotUnique();
    if (!m_key.isEmpty()) m_model->m_byKey.remove(m_key);
    m_key = key;
    if (!m_key.isEmpty()) m_model->m_byKey.insert(m_key, this);
}

void TreeNode::setText(const QString& text) {
    m_text = text;
    m_model->changed(this);
}

void TreeNode::setImage(const QString& image) {
    m_image = image;
    m_model->changed(this);
}

TreeNode* TreeNode::parent() const {
    return m_parent == &m_model->m_root ? nullptr : m_parent;
}
TreeNode* TreeNode::child() const {
    return m_children.empty() ? nullptr : m_children.front().get();
}

TreeNode* TreeNode::next() const {
    return m_row + 1 < m_parent->children() ? m_parent->m_children[m_row + 1].get() : nullptr;
}

TreeNode* TreeNode::previous() const {
    return m_row > 0 ? m_parent->m_children[m_row - 1].get() : nullptr;
}
TreeNode* TreeNode::firstSibling() const {
    return m_parent->m_children.front().get();
}
TreeNode* TreeNode::lastSibling() const {
    return m_parent->m_children.back().get();
}

TreeNode* TreeNode::root() const {
    const TreeNode* n = this;
    while (n->parent()) n = n->parent();
    return const_cast<TreeNode*>(n);
}

bool TreeNode::expanded() const {
    return m_model->m_view->isExpanded(m_model->indexOf(this));
}
void TreeNode::setExpanded(bool expanded) {
    m_model->m_view->setExpanded(m_model->indexOf(this), expanded);
}
bool TreeNode::selected() const {
    return m_model->m_view->selectedItem() == this;
}
void TreeNode::ensureVisible() {
    m_model->m_view->ensureVisible(this);
}

TreeView::TreeView(QWidget* parent) : QTreeView(parent), m_model(new TreeModel(this)) {
    setModel(m_model);
    setHeaderHidden(true);
    setSelectionMode(SingleSelection);
    setEditTriggers(triggersFor(m_labelEdit));
    setUniformRowHeights(true);
    setItemDelegate(new LabelDelegate(
        this, [this](const QModelIndex& index, const QString& text) { commitLabel(index, text); }));
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (TreeNode* node = nodeFromIndex(index)) emit nodeClick(node);
    });
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { emit nodeExpand(nodeFromIndex(index)); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { emit nodeCollapse(nodeFromIndex(index)); });
}

TreeView::~TreeView() = default;

TreeNode* TreeView::add(const QString& relative, TreeRelationship relationship, const QString& key,
                        const QString& text, const QString& image) {
    return add(relative.isEmpty() ? nullptr : node(relative), relationship, key, text, image);
}

TreeNode* TreeView::add(TreeNode* relative, TreeRelationship relationship, const QString& key,
                        const QString& text, const QString& image) {
    if (!key.isEmpty() && m_model->m_byKey.contains(key)) keyNotUnique();
    TreeNode* parent = &m_model->m_root;
    int row = parent->children();
    if (relative) {
        parent = relationship == tvwChild ? relative : relative->m_parent;
        switch (relationship) {
            case tvwChild:
            case tvwLast:
                row = parent->children();
                break;
            case tvwFirst:
                row = 0;
                break;
            case tvwNext:
                row = relative->m_row + 1;
                break;
            case tvwPrevious:
                row = relative->m_row;
                break;
        }
    }
    std::unique_ptr<TreeNode> node(new TreeNode);
    node->m_key = key;
    node->m_text = text;
    node->m_image = image;
    return m_model->insert(parent, row, std::move(node));
}

void TreeView::remove(const QString& key) {
    remove(node(key));
}

void TreeView::remove(TreeNode* node) {
    if (!node) return;
    const auto inBranch = [node](const TreeNode* n) {
        for (; n; n = n->parent())
            if (n == node) return true;
        return false;
    };
    TreeNode* selected = selectedItem();
    const bool reselect = selected && inBranch(selected);
    TreeNode* successor = node->next() ? node->next() : node->previous() ? node->previous() : node->parent();
    if (inBranch(m_dropHighlight)) m_dropHighlight = nullptr;
    m_model->erase(node);
    if (reselect) setSelectedItem(successor);
}

void TreeView::clear() {
    m_dropHighlight = nullptr;
    m_model->eraseAll();
}

int TreeView::count() const {
    return int(m_model->m_byIndex.size());
}

TreeNode* TreeView::node(const QString& key) const {
    TreeNode* found = findNode(key);
    if (!found) elementNotFound();
    return found;
}

TreeNode* TreeView::findNode(const QString& key) const {
    return key.isEmpty() ? nullptr : m_model->m_byKey.value(key);
}

TreeNode* TreeView::findNodeByIndex(int index) const {
    return m_model->m_byIndex.value(index);
}
TreeNode* TreeView::firstRoot() const {
    return m_model->m_root.child();
}

TreeNode* TreeView::selectedItem() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : nodeFromIndex(selected.first());
}

void TreeView::setSelectedItem(TreeNode* node) {
    if (!node) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(indexFromNode(node), QItemSelectionModel::ClearAndSelect);
}

void TreeView::setDropHighlight(TreeNode* node) {
    if (node == m_dropHighlight) return;
    TreeNode* old = m_dropHighlight;
    m_dropHighlight = node;
    if (old) m_model->changed(old);
    if (node) m_model->changed(node);
}

TreeNode* TreeView::hitTest(const QPoint& pos) const {
    return nodeFromIndex(indexAt(viewport()->mapFrom(this, pos)));
}

void TreeView::ensureVisible(TreeNode* node) {
    if (!node) return;
    for (TreeNode* p = node->parent(); p; p = p->parent()) expand(indexFromNode(p));
    scrollTo(indexFromNode(node));
}

void TreeView::setImageList(ImageList* images) {
    disconnect(m_imagesChanged);
    m_images = images;
    if (images) {
        setIconSize(images->imageSize());
        m_imagesChanged = connect(images, &ImageList::changed, viewport(), qOverload<>(&QWidget::update));
    }
    viewport()->update();
}

void TreeView::setLabelEdit(LabelEditMode mode) {
    m_labelEdit = mode;
    setEditTriggers(triggersFor(mode));
}

void TreeView::startLabelEdit() {
    if (TreeNode* node = selectedItem()) edit(indexFromNode(node));
}

TreeNode* TreeView::nodeFromIndex(const QModelIndex& index) const {
    return index.isValid() && index.model() == m_model ? TreeModel::nodeOf(index) : nullptr;
}

QModelIndex TreeView::indexFromNode(const TreeNode* node) const {
    return m_model->indexOf(node);
}

bool TreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (opensEditor(index, trigger, editTriggers(), state() == EditingState)) {
        bool cancel = false;
        emit beforeLabelEdit(nodeFromIndex(index), cancel);
        if (cancel) return false;
    }
    return QTreeView::edit(index, trigger, event);
}

void TreeView::commitLabel(const QModelIndex& index, const QString& text) {
    // The handler may remove or move nodes; the persistent index follows the edited one.
    const QPersistentModelIndex edited(index);
    bool cancel = false;
    emit afterLabelEdit(nodeFromIndex(index), cancel, text);
    if (!cancel && edited.isValid()) nodeFromIndex(edited)->setText(text);
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    int keyCode = event->key();
    emit keyDown(keyCode, event->modifiers());
    if (keyCode == 0) {
        event->accept();
        return;
    }
    const QModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after != before) emit nodeClick(nodeFromIndex(after));
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event->button(), event->modifiers(), eventPos(viewport(), this, event));
    QTreeView::mousePressEvent(event);
}

}  // namespace controls
