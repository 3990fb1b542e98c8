#pragma once

// The common controls the forms are written against: tree view, list view, image list, status
// bar and tab strip, with the old vocabulary (keys, 1-based indexes, tags, image keys, label-edit
// events that can cancel) over Qt's model/view. Nodes and list items are owned by their control;
// a pointer to one is valid until it is removed or the control is cleared.

#include "store/engine/error.h"

#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <QWidget>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QAbstractItemView;
class QListView;
class QTabBar;
class QTimer;

namespace controls {

// The numbers the old controls raised, so that callers can tell the two apart.
enum ErrorNumber : int {
    errElementNotFound = 35601,
    errKeyNotUnique = 35602,
};

// Raised as the one error type of the program (engine::Error) with these numbers.

enum LabelEditMode : int { lvwAutomatic = 0, lvwManual = 1, tvwAutomatic = 0, tvwManual = 1 };

// ---------------------------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------------------------
// Tree view

class TreeModel;
class TreeView;

enum TreeRelationship : int { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

class TreeNode {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;
    ~TreeNode();

    const QString& key() const { return m_key; }
    // An empty key frees the old one for another node; a key in use raises errKeyNotUnique.
    void setKey(const QString& key);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // Key of the picture in the tree's image list; a key the list lacks draws no picture.
    const QString& image() const { return m_image; }
    void setImage(const QString& image);
    const QString& tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }
    // 1-based number given when the node was added; it never changes while the node lives.
    int index() const { return m_index; }

    TreeNode* parent() const;
    TreeNode* child() const;  // first child
    TreeNode* next() const;
    TreeNode* previous() const;
    TreeNode* firstSibling() const;
    TreeNode* lastSibling() const;
    TreeNode* root() const;  // the top-level node above this one
    int children() const { return int(m_children.size()); }

    bool expanded() const;
    void setExpanded(bool expanded);
    bool selected() const;
    void ensureVisible();

private:
    friend class TreeModel;
    friend class TreeView;
    TreeNode() = default;

    TreeModel* m_model = nullptr;
    TreeNode* m_parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> m_children;
    int m_row = 0;
    int m_index = 0;
    QString m_key, m_text, m_image, m_tag;
};

class TreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);
    ~TreeView() override;

    // Adds a node related to the node with the key relative (an empty relative adds a top-level
    // node at the end). Raises errElementNotFound for a missing relative and errKeyNotUnique for
    // a key in use.
    TreeNode* add(const QString& relative, TreeRelationship relationship, const QString& key,
                  const QString& text, const QString& image = QString());
    TreeNode* add(TreeNode* relative, TreeRelationship relationship, const QString& key, const QString& text,
                  const QString& image = QString());
    // Removes the node and its whole branch. When the selection was inside the branch, the next
    // sibling, else the previous sibling, else the parent becomes selected.
    void remove(const QString& key);
    void remove(TreeNode* node);
    void clear();
    int count() const;

    // Raises errElementNotFound for a missing key.
    TreeNode* node(const QString& key) const;
    TreeNode* findNode(const QString& key) const;
    TreeNode* findNodeByIndex(int index) const;
    TreeNode* firstRoot() const;  // the first top-level node

    TreeNode* selectedItem() const;
    // Selects without a nodeClick, as setting the old property did.
    void setSelectedItem(TreeNode* node);
    TreeNode* dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(TreeNode* node);
    // The node at pos (this control's coordinates), or nullptr.
    TreeNode* hitTest(const QPoint& pos) const;
    void ensureVisible(TreeNode* node);

    ImageList* imageList() const { return m_images; }
    void setImageList(ImageList* images);

    LabelEditMode labelEdit() const { return m_labelEdit; }
    void setLabelEdit(LabelEditMode mode);
    // Edits the selected node's label (after beforeLabelEdit, which may cancel).
    void startLabelEdit();
    using QTreeView::edit;

    TreeNode* nodeFromIndex(const QModelIndex& index) const;
    QModelIndex indexFromNode(const TreeNode* node) const;

signals:
    // The user chose a node with the mouse or the keyboard.
    void nodeClick(controls::TreeNode* node);
    void beforeLabelEdit(controls::TreeNode* node, bool& cancel);
    // Cancel leaves the old label; otherwise the node takes newString.
    void afterLabelEdit(controls::TreeNode* node, bool& cancel, const QString& newString);
    void nodeExpand(controls::TreeNode* node);
    void nodeCollapse(controls::TreeNode* node);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
    void keyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class TreeNode;
    friend class TreeModel;
    void commitLabel(const QModelIndex& index, const QString& text);

    TreeModel* m_model;
    QPointer<ImageList> m_images;
    QMetaObject::Connection m_imagesChanged;
    TreeNode* m_dropHighlight = nullptr;
    LabelEditMode m_labelEdit = tvwAutomatic;
};

// ---------------------------------------------------------------------------------------------
// List view

class ListModel;
class ListView;

enum ListViewStyle : int { lvwIcon = 0, lvwSmallIcon = 1, lvwList = 2, lvwReport = 3 };
enum ListSortOrder : int { lvwAscending = 0, lvwDescending = 1 };

class ListItem {
public:
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;

    const QString& key() const { return m_key; }
    // A key in use raises errKeyNotUnique.
    void setKey(const QString& key);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // Sub-item i (1-based) is shown in column i + 1; a sub-item never set is empty.
    QString subItem(int i) const;
    void setSubItem(int i, const QString& text);
    const QString& tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }
    // Keys into the large and the small image list.
    const QString& icon() const { return m_icon; }
    void setIcon(const QString& key);
    const QString& smallIcon() const { return m_smallIcon; }
    void setSmallIcon(const QString& key);
    // 1-based position in the list; it changes when rows are sorted, inserted or removed.
    int index() const;
    bool selected() const;
    void ensureVisible();

private:
    friend class ListModel;
    friend class ListView;
    ListItem() = default;

    ListModel* m_model = nullptr;
    int m_row = 0;
    QString m_key, m_text, m_tag, m_icon, m_smallIcon;
    QStringList m_subItems;
};

class ListView : public QWidget {
    Q_OBJECT
public:
    // The old extended-style bits this control honours.
    enum ExtendedStyle : int { FullRowSelect = 0x20 };

    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Appends a row (while Sorted is on, it moves to its place once shown). Raises
    // errKeyNotUnique for a key in use (an empty key is no key).
    ListItem* add(const QString& key, const QString& text, const QString& icon = QString(),
                  const QString& smallIcon = QString());
    void remove(const QString& key);
    void remove(ListItem* item);
    void clear();
    int count() const { return int(m_items.size()); }
    // Raises errElementNotFound.
    ListItem* item(const QString& key) const;
    ListItem* item(int index) const;
    ListItem* findItem(const QString& key) const;

    // Between these, rows are gathered and shown at once (nestable). Rows appended outside them
    // are gathered too, until control returns to the event loop or another change needs them.
    void beginUpdate();
    void endUpdate();

    // Column headers, 1-based; column 1 holds the row's label.
    int addColumn(const QString& text, int width = 96, const QString& key = QString(),
                  Qt::Alignment alignment = Qt::AlignLeft);
    void removeColumn(int index);
    void clearColumns();
    int columnCount() const { return int(m_columns.size()); }
    QString columnText(int index) const;
    void setColumnText(int index, const QString& text);
    QString columnKey(int index) const;
    int columnWidth(int index) const;
    void setColumnWidth(int index, int width);

    ListViewStyle view() const { return m_view; }
    void setView(ListViewStyle view);

    // Sorting orders the rows by the text of column SortKey + 1 (0 = the label), ignoring case,
    // keeping the order of equal rows; the order stays when the key's column goes away. While
    // Sorted is on, rows added are sorted in when they are shown or asked for by index.
    int sortKey() const { return m_sortKey; }
    void setSortKey(int key);
    ListSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(ListSortOrder order);
    bool sorted() const { return m_sorted; }
    void setSorted(bool sorted);

    ListItem* selectedItem() const;
    void setSelectedItem(ListItem* item);
    ListItem* dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(ListItem* item);
    // The row at pos (this control's coordinates), or nullptr.
    ListItem* hitTest(const QPoint& pos) const;
    void ensureVisible(ListItem* item);

    ImageList* icons() const { return m_largeImages; }
    void setIcons(ImageList* images);
    ImageList* smallIcons() const { return m_smallImages; }
    void setSmallIcons(ImageList* images);

    LabelEditMode labelEdit() const { return m_labelEdit; }
    void setLabelEdit(LabelEditMode mode);
    void startLabelEdit();

    int extendedStyle() const { return m_extendedStyle; }
    void setExtendedStyle(int style);
    bool fullRowSelect() const { return m_extendedStyle & FullRowSelect; }

    // The view that shows the rows now (details or icons).
    QAbstractItemView* currentView() const;
    QTreeView* detailsView() const { return m_details; }
    QListView* iconView() const { return m_iconView; }
    ListItem* itemFromIndex(const QModelIndex& index) const;

signals:
    // The user chose a row with the mouse or the keyboard.
    void itemClick(controls::ListItem* item);
    void click();
    void dblClick();
    void columnClick(int index);
    void beforeLabelEdit(controls::ListItem* item, bool& cancel);
    void afterLabelEdit(controls::ListItem* item, bool& cancel, const QString& newString);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
    void keyDown(int key, Qt::KeyboardModifiers modifiers);

private:
    friend class ListItem;
    friend class ListModel;
    friend class ListDetailsView;
    friend class ListIconView;
    struct Column {
        QString key, text;
        int width = 96;
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    ListItem* insertItem(std::unique_ptr<ListItem> item);
    QString sortText(const ListItem* item) const;
    void sortItems();
    void flushPending();
    void schedulePendingFlush();
    void renumber(int from);
    void applyIconSizes();
    void applyColumnWidths();
    void requireColumn(int index) const;
    // Hooks of the two inner views.
    bool refusesEdit(const QModelIndex& index, bool asking);
    void viewKeyPressed(QKeyEvent* event);
    void viewCurrentMoved(const QModelIndex& before, const QModelIndex& after);
    void viewMousePressed(QAbstractItemView* view, QMouseEvent* event);
    void commitLabel(const QModelIndex& index, const QString& text);

    ListModel* m_model;
    QTreeView* m_details;
    QListView* m_iconView;
    std::vector<std::unique_ptr<ListItem>> m_items;
    QHash<QString, ListItem*> m_byKey;
    int m_shownRows = 0;  // rows the model has announced; the rest are gathered
    int m_updateDepth = 0;
    bool m_flushScheduled = false;
    std::vector<Column> m_columns;
    ListViewStyle m_view = lvwIcon;
    int m_sortKey = 0;
    ListSortOrder m_sortOrder = lvwAscending;
    bool m_sorted = false;
    QPointer<ImageList> m_largeImages, m_smallImages;
    QMetaObject::Connection m_largeChanged, m_smallChanged;
    ListItem* m_dropHighlight = nullptr;
    LabelEditMode m_labelEdit = lvwAutomatic;
    int m_extendedStyle = 0;
};

// ---------------------------------------------------------------------------------------------
// Status bar

class StatusBar;

enum PanelStyle : int { sbrText = 0, sbrTime = 5, sbrDate = 6 };
enum PanelAutoSize : int { sbrNoAutoSize = 0, sbrSpring = 1, sbrContents = 2 };

class StatusPanel : public QLabel {
    Q_OBJECT
public:
    int index() const;
    const QString& key() const { return m_key; }
    PanelStyle panelStyle() const { return m_style; }
    void setPanelStyle(PanelStyle style);
    PanelAutoSize autoSize() const { return m_autoSize; }
    void setAutoSize(PanelAutoSize autoSize);
    int panelWidth() const { return m_width; }
    void setPanelWidth(int width);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend class StatusBar;
    StatusPanel(StatusBar* bar, const QString& key);
    void applyWidth();
    void refreshClock();

    StatusBar* m_bar;
    QString m_key;
    PanelStyle m_style = sbrText;
    PanelAutoSize m_autoSize = sbrNoAutoSize;
    int m_width = 96;
};

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // Appends a panel; its text is plain text. A key in use raises errKeyNotUnique.
    StatusPanel* addPanel(const QString& text = QString(), int width = 96, const QString& key = QString(),
                          PanelStyle style = sbrText, PanelAutoSize autoSize = sbrNoAutoSize);
    int panelCount() const { return int(m_panels.size()); }
    // 1-based; raises errElementNotFound.
    StatusPanel* panel(int index) const;
    StatusPanel* panel(const QString& key) const;
    void removePanel(int index);

signals:
    void panelClick(controls::StatusPanel* panel);
    void panelDblClick(controls::StatusPanel* panel);

private:
    friend class StatusPanel;
    void relayout();
    void tick();

    QList<StatusPanel*> m_panels;
    QTimer* m_clock;
};

// ---------------------------------------------------------------------------------------------
// Tab strip: a row of keyed tabs over a framed client area that the form's panels cover.

class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    // Appends a tab and returns its 1-based index. A key in use raises errKeyNotUnique.
    int add(const QString& key, const QString& caption);
    void remove(int index);
    void clear();
    int count() const;
    QString key(int index) const;
    QString caption(int index) const;
    void setCaption(int index, const QString& caption);
    // 1-based index of the tab with key, 0 when none.
    int indexOf(const QString& key) const;
    // Raises errElementNotFound.
    int tab(const QString& key) const;

    int selectedIndex() const;  // 0 when there is no tab
    void setSelectedIndex(int index);
    QString selectedKey() const;
    void setSelectedKey(const QString& key);

    // The area inside the frame, below the tabs, in this control's coordinates.
    QRect clientRect() const;
    QTabBar* tabBar() const { return m_bar; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The selected tab changed, by the user or by code.
    void click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void requireIndex(int index) const;
    void placeBar();
    QTabBar* m_bar;
    bool m_silent = false;
};

}  // namespace controls
