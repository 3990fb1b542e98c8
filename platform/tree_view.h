#pragma once

#include "platform/controls_base.h"
#include "platform/image_list.h"

namespace controls {

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
    // A handler that sets keyCode to 0 takes the key: the tree and the window around it never see it.
    void keyDown(int& keyCode, Qt::KeyboardModifiers modifiers);

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

}  // namespace controls
