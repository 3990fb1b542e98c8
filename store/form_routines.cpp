#include "store/form_routines.h"

#include "platform/window_list.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

namespace store {

using controls::TreeNode;

namespace {

const QString RootKey = QStringLiteral("0 Key");
constexpr int MaxTitle = 255;
constexpr int PaintInterval = 50;  // milliseconds

template <typename Edit>
void editText(Edit* edit, int action, bool readOnly) {
    const bool selected = edit->textCursor().hasSelection();
    switch (action) {
        case editCut:
            if (!selected) return;
            if (readOnly)
                edit->copy();
            else
                edit->cut();
            break;
        case editCopy:
            if (selected) edit->copy();
            break;
        case editPaste:
            // As text: a rich clipboard must not bring its formatting into code.
            if (!readOnly) edit->insertPlainText(QApplication::clipboard()->text());
            break;
        case editDelete:
            if (!readOnly) edit->textCursor().removeSelectedText();
            break;
        default:
            break;
    }
}

}  // namespace

void ShowTabPanel(controls::TabStrip& tabs, const QList<QWidget*>& panels) {
    const int selected = tabs.selectedIndex();
    for (int i = 1; i <= tabs.count(); ++i) {
        QWidget* panel = panels.value(i - 1);
        if (!panel) continue;
        if (i == selected) {
            panel->setVisible(true);
            panel->setEnabled(true);
            panel->raise();
            PlaceTabPanel(tabs, panel);
        } else {
            panel->setEnabled(false);
            panel->setVisible(false);
        }
    }
}

void PlaceTabPanel(controls::TabStrip& tabs, QWidget* panel) {
    if (!panel) return;
    QRect area = tabs.clientRect();
    QWidget* container = panel->parentWidget();
    if (container != &tabs) {
        const QPoint topLeft = container ? container->mapFromGlobal(tabs.mapToGlobal(area.topLeft()))
                                         : tabs.mapToGlobal(area.topLeft());
        area.moveTopLeft(topLeft);
    }
    panel->setGeometry(area);
}

bool MoveTreeBranch(controls::TreeView& tree, const QString& sourceKey, const QString& targetKey) {
    TreeNode* const source = tree.node(sourceKey);
    TreeNode* const target = tree.node(targetKey);
    for (const TreeNode* n = target; n; n = n->parent())
        if (n == source) return false;

    // "Last of its siblings" by identity: siblings that merely share a name must not end the
    // walk early, or the rest of the branch would be deleted with the source instead of moved.
    const auto isLast = [](const TreeNode* n) { return n == n->lastSibling(); };
    TreeNode* const selected = tree.selectedItem();
    TreeNode* selectedCopy = nullptr;
    auto relation = controls::tvwChild;
    TreeNode* current = source;
    TreeNode* anchor = target;
    QElapsedTimer sincePaint;
    sincePaint.start();
    for (;;) {
        const QString key = current->key();
        current->setKey(QString());
        TreeNode* copy = tree.add(anchor, relation, key, current->text(), current->image());
        copy->setTag(current->tag());
        if (current == selected) selectedCopy = copy;
        anchor = copy;
        // Opening the new node's parents is cheap; scrolling to it and painting lay out the whole
        // tree, so they happen a few times a second rather than once a node. The user's input
        // waits meanwhile, so the tree cannot change under the walk.
        for (TreeNode* p = copy->parent(); p && !p->expanded(); p = p->parent()) p->setExpanded(true);
        if (sincePaint.hasExpired(PaintInterval)) {
            copy->ensureVisible();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sincePaint.restart();
        }

        if (current->children() > 0) {
            current = current->child();
            relation = controls::tvwChild;
            continue;
        }
        while (isLast(current) && current != source) {
            current = current->parent();
            anchor = anchor->parent();
        }
        if (current == source) break;
        current = current->next();
        relation = controls::tvwNext;
    }
    anchor->ensureVisible();
    tree.remove(source);
    if (selectedCopy) tree.setSelectedItem(selectedCopy);
    return true;
}

bool IsValidCategoryMove(const controls::TreeView& tree, const QString& sourceKey, const QString& targetKey) {
    const TreeNode* source = tree.findNode(sourceKey);
    const TreeNode* target = tree.findNode(targetKey);
    if (!source || !target) return false;
    if (source->key() == RootKey || source->parent() == target) return false;
    // By node, not by name: two categories may share a name, and only the branch itself is out of reach.
    for (const TreeNode* n = target; n; n = n->parent())
        if (n == source) return false;
    return true;
}

void SetFullRowSelect(controls::ListView& list) {
    list.setExtendedStyle(list.extendedStyle() | controls::ListView::FullRowSelect);
}

void SetTopMost(QWidget* form, bool topMost) {
    if (!form) return;
    QWidget* window = form->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topMost) return;
    // Changing a window's flags hides it; it comes back where it was.
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    if (visible) {
        window->setGeometry(geometry);
        window->show();
    }
}

int CountVisibleWindows(QWidget* window, const QString& text) {
    int count = 0;
    if (window && !window->isWindow() && window->parentWidget()) {
        for (QObject* child : window->parentWidget()->children()) {
            const auto* sibling = qobject_cast<QWidget*>(child);
            if (sibling && !sibling->isWindow() && sibling->isVisible() &&
                GetWindowTitle(sibling).contains(text))
                ++count;
        }
        return count;
    }
    // Other programs' windows too, where the display shows them to us.
    if (const std::optional<QStringList> titles = platform::desktopWindowTitles()) {
        for (const QString& title : *titles)
            if (title.contains(text)) ++count;
        return count;
    }
    for (const QWindow* top : QGuiApplication::topLevelWindows())
        if (top->isVisible() && GetWindowTitle(top).contains(text)) ++count;
    return count;
}

QString GetWindowTitle(const QWindow* window) {
    return window ? window->title().left(MaxTitle) : QString();
}

QString GetWindowTitle(const QWidget* window) {
    if (!window) return QString();
    if (window->isWindow() && window->windowHandle()) return GetWindowTitle(window->windowHandle());
    return window->windowTitle().left(MaxTitle);
}

void EditCommand(int action) {
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
        const bool readOnly = line->isReadOnly();
        switch (action) {
            case editCut:
                if (!line->hasSelectedText()) return;
                if (readOnly)
                    line->copy();
                else
                    line->cut();
                break;
            case editCopy:
                if (line->hasSelectedText()) line->copy();
                break;
            case editPaste:
                if (!readOnly) line->paste();
                break;
            case editDelete:
                if (!readOnly && line->hasSelectedText()) line->del();
                break;
            default:
                break;
        }
    } else if (auto* text = qobject_cast<QTextEdit*>(focused)) {
        editText(text, action, text->isReadOnly());
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
        editText(plain, action, plain->isReadOnly());
    }
}

}  // namespace store
