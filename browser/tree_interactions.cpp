// What the user does directly on the category tree and around it: renaming a category in place, the
// tree's keys and mouse buttons, showing and hiding the tree, and resizing it with the splitter bar.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "platform/controls.h"
#include "platform/twips.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QFrame>
#include <QMouseEvent>

#include <algorithm>
#include <climits>

namespace browser {

using namespace detail;

namespace {

bool isStandardImage(const QString& key) {
    static const QStringList standard{QStringLiteral("FILE"), QStringLiteral("FOLDER"),
                                      QStringLiteral("TEXT"), QStringLiteral("MRV"), QStringLiteral("WEB")};
    return standard.contains(key);
}

bool anyNodeShows(const controls::TreeNode* node, const QString& image, const controls::TreeNode* except) {
    for (; node; node = node->next())
        if ((node != except && node->image() == image) || anyNodeShows(node->child(), image, except))
            return true;
    return false;
}

}  // namespace

// ---- Rename in place -----------------------------------------------------------------------------

void MRVDocument::treCats_BeforeLabelEdit(controls::TreeNode* node, bool& cancel) {
    // The root stands for the library file; its name is the file's.
    if (node && node->key() == kRootKey) cancel = true;
}

void MRVDocument::treCats_AfterLabelEdit(controls::TreeNode* node, bool& cancel, const QString& newString) {
    if (!node || !m_db || node->key() == kRootKey) {
        cancel = true;
        return;
    }
    const QString oldName = node->text();
    if (newString == oldName) return;
    if (newString.trimmed().isEmpty()) {
        // A category without a name could not be told from another or found again.
        cancel = true;
        ui::MsgBox(QStringLiteral("A Category must have a name. It keeps the name '") + oldName +
                       QStringLiteral("'."),
                   ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Oops!"));
        return;
    }
    try {
        m_db->Execute(QStringLiteral("Update [Category] Set Name = '") + store::SQLQuote(newString) +
                      QStringLiteral("' Where CatKey = ") + QString::number(keyNumber(node->key())));
    } catch (const engine::Error& err) {
        cancel = true;
        store::ReportError(err, QStringLiteral("MRVDocument.treCats_AfterLabelEdit"), this);
        return;
    }
    // A picture of its own is keyed by the category's name; the shared pictures (a web or file
    // category's) are keyed otherwise and stay as they are.
    if (node->image() == oldName && !isStandardImage(oldName)) rekeyCategoryPicture(node, oldName, newString);
    treCats->viewport()->update();
}

void MRVDocument::rekeyCategoryPicture(controls::TreeNode* node, const QString& oldKey,
                                       const QString& newKey) {
    // Another category of the old name still shows the picture: it keeps it, and this one gets a copy.
    const bool shared = anyNodeShows(treCats->firstRoot(), oldKey, node);
    bool moved = false;
    for (controls::ImageList* images : {imgLargeIcons, imgSmallIcons}) {
        if (!images->contains(oldKey)) continue;
        if (images->contains(newKey)) continue;  // a namesake's picture was there first, as a reload shows
        if (shared) {
            images->add(newKey, images->item(oldKey));
        } else {
            images->renameKey(oldKey, newKey);
            moved = true;
        }
    }
    node->setImage(newKey);
    if (!moved) return;
    // The rows of the category's items showed the picture under its old key; those the list reads
    // from the library read the new one.
    lstvProcs->refreshRows();
    for (int i = 1; i <= lstvProcs->count(); ++i) {
        controls::ListItem* row = lstvProcs->loadedItem(i);
        if (!row) continue;
        if (row->icon() == oldKey) row->setIcon(newKey);
        if (row->smallIcon() == oldKey) row->setSmallIcon(newKey);
    }
}

// ---- Keys and mouse buttons --------------------------------------------------------------------

void MRVDocument::treCats_KeyDown(int& keyCode, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
    switch (keyCode) {
        case Qt::Key_Delete:
            keyCode = 0;
            CatDelete();
            break;
        case Qt::Key_Insert:
            keyCode = 0;
            CatAddChild();
            break;
        case Qt::Key_F3:
            // Taken here, so that the find command's own key does not open the window a second time.
            keyCode = 0;
            ProcFind();
            break;
        default:
            break;
    }
}

void MRVDocument::treCats_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos) {
    if (button != Qt::RightButton) {
        const controls::TreeNode* node = treCats->hitTest(pos);
        m_dragNodeKey = node ? node->key() : QString();
        return;
    }
    if (!ActiveBar1->findBand(QStringLiteral("mnuPopUpCat"))) return;
    // The menu's commands act on the selected category: the one clicked becomes it, so that none of
    // them reaches a category the user did not point at.
    if (controls::TreeNode* node = treCats->hitTest(pos); node && node != treCats->selectedItem()) {
        treCats->setSelectedItem(node);
        treCats_NodeClick(node);
    }
    const QPoint at = treCats->mapToGlobal(pos);
    // After the press is done with, so that the tree never sees it on a changed tree.
    QMetaObject::invokeMethod(
        this, [this, at] { ActiveBar1->popupMenu(QStringLiteral("mnuPopUpCat"), at); }, Qt::QueuedConnection);
}

// ---- Showing and hiding the tree ---------------------------------------------------------------

void MRVDocument::setCategoryTreeVisible(bool shown) {
    m_checkboxGuard = true;
    if (toolbar::Tool* tool = barTool(ActiveBar1, QStringLiteral("BTN_VIEWCATEGORIES")))
        tool->setChecked(shown);
    chkShowHideTreeview->setChecked(shown);
    treCats->setVisible(shown);
    picVertSplitter->setVisible(shown);
    FormatWindow();
    m_checkboxGuard = false;
    store::SaveSetting(instanceApp(), QStringLiteral("Properties"), QStringLiteral("Category Tree Visible"),
                       boolText(shown));
}

void MRVDocument::chkShowHideTreeview_Click() {
    if (m_checkboxGuard) return;
    setCategoryTreeVisible(treCats->isHidden());
}

// ---- Splitter bar --------------------------------------------------------------------------------

bool MRVDocument::picVertSplitterEvent(QEvent* event) {
    const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
    if (!mouse) return false;
    const double x = platform::pixelsToTwipsX(int(mouse->position().x()), this);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            picVertSplitter_MouseDown(mouse->button(), x);
            return true;
        case QEvent::MouseMove:
            picVertSplitter_MouseMove(x);
            return true;
        case QEvent::MouseButtonRelease:
            picVertSplitter_MouseUp();
            return true;
        default:
            return false;
    }
}

void MRVDocument::picVertSplitter_MouseDown(Qt::MouseButton button, double x) {
    if (button != Qt::LeftButton) {
        if (m_splitterDragX != INT_MAX) picVertSplitter_MouseUp();
        return;
    }
    QPalette dragging = picVertSplitter->palette();
    dragging.setColor(QPalette::Button, QColor(0x80, 0x80, 0x80));
    picVertSplitter->setPalette(dragging);
    picVertSplitter->raise();
    // The layout would put the bar back where the tree ends until the drag is over.
    m_layoutAllowed = false;
    m_splitterDragX = int(x);
}

void MRVDocument::picVertSplitter_MouseMove(double x) {
    if (m_splitterDragX == INT_MAX || int(x) == m_splitterDragX) return;
    const double left = platform::pixelsToTwipsX(picVertSplitter->x(), this) + x;
    const double width = platform::pixelsToTwipsX(m_area->width(), this);
    if (left > 400 && left < width - 400)
        picVertSplitter->move(platform::twipsToPixelsX(left, this), picVertSplitter->y());
}

void MRVDocument::picVertSplitter_MouseUp() {
    if (m_splitterDragX == INT_MAX) return;
    m_splitterDragX = INT_MAX;
    picVertSplitter->setPalette(QPalette());
    m_layoutAllowed = true;
    FormatWindow();
    store::SaveSetting(instanceApp(), QStringLiteral("Properties"), QStringLiteral("Category Tree Width"),
                       QString::number(qRound(platform::pixelsToTwipsX(treCats->width(), this))));
}

}  // namespace browser
