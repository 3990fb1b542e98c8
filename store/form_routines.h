#pragma once

// Small routines the forms share: tab panels, moving a category branch in the tree, whole-row
// selection, keeping a window on top, counting visible windows, the category move test and the
// edit commands on the focused text box.

#include "platform/controls.h"

#include <QList>
#include <QString>

class QWidget;
class QWindow;

namespace store {

// Shows the selected tab's panel over the strip's client area and hides the others; panel i - 1
// belongs to tab i. Errors are ignored (a missing panel is skipped).
void ShowTabPanel(controls::TabStrip& tabs, const QList<QWidget*>& panels);
// Places panel inside the strip's client area (panel may have another parent than the strip).
void PlaceTabPanel(controls::TabStrip& tabs, QWidget* panel);

// Copies the branch of the node sourceKey below the node targetKey and then removes the
// original. Every node keeps its key, text, image, tag and order among its siblings; a
// selection inside the branch moves with it. Missing keys raise engine::Error; a
// target inside the branch (which would copy forever) returns false and changes nothing.
bool MoveTreeBranch(controls::TreeView& tree, const QString& sourceKey, const QString& targetKey);

// Whether the category sourceKey may be moved below targetKey: false for the root "0 Key", for the
// source's own parent (nothing would move), and for the source itself or any node of its branch.
// Nodes are compared by key, so a category that shares another's name moves freely. Missing keys
// give false.
bool IsValidCategoryMove(const controls::TreeView& tree, const QString& sourceKey, const QString& targetKey);

void SetFullRowSelect(controls::ListView& list);

// Keeps form's window above all normal windows, or returns it to the normal layer, without
// moving or resizing it. Errors are ignored.
void SetTopMost(QWidget* form, bool topMost);

// The visible windows at the same level as window (for a window or none: the top-level windows of
// every program where the display lets us see them, else this program's; for a child: the sibling
// widgets) whose title, read up to 255 characters, contains text.
int CountVisibleWindows(QWidget* window, const QString& text);

// Up to 255 characters of the window's title.
QString GetWindowTitle(const QWindow* window);
QString GetWindowTitle(const QWidget* window);

enum EditAction : int { editCut = 0, editCopy = 1, editPaste = 2, editDelete = 3 };
// Cut, copy, paste or delete on the focused text box (line or multi-line edit); nothing for other
// widgets or actions. Read-only boxes only copy.
void EditCommand(int action);

}  // namespace store
