// Drag and drop on the category tree: a category moved with its branch under another one, an item
// row of the list filed under the node it is dropped on, and a picture file dropped on a node
// becoming the category's own picture.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "browser/drag_data.h"
#include "platform/controls.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/settings.h"

#include <QDrag>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QUrl>

namespace browser {

using namespace detail;

namespace {

constexpr int kQuestion = ui::vbYesNo | ui::vbQuestion | kForeground;

// Pictures a category can wear: icons, and what desktops use for them today.
bool isPictureFile(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("ico") || suffix == QLatin1String("png") || suffix == QLatin1String("svg");
}

const ItemMimeData* ownRow(const QMimeData* data, const MRVDocument* document) {
    const auto* row = qobject_cast<const ItemMimeData*>(data);
    return row && row->source() == document ? row : nullptr;
}

}  // namespace

controls::TreeNode* MRVDocument::DragNode() const {
    return m_dragNodeKey.isEmpty() ? nullptr : treCats->findNode(m_dragNodeKey);
}

// ---- Moving a category -------------------------------------------------------------------------

bool MRVDocument::beginCategoryDrag() {
    if (!DragNode() || m_categoryDragging) return false;
    m_categoryDragging = true;
    return true;
}

void MRVDocument::startCategoryDrag() {
    if (!beginCategoryDrag()) return;
    controls::TreeNode* node = DragNode();
    auto* data = new QMimeData;
    data->setData(kCategoryFormat, node->key().toUtf8());
    auto* drag = new QDrag(treCats);
    drag->setMimeData(data);
    if (const auto icon = imgSmallIcons->find(node->image())) drag->setPixmap(icon->pixmap(16, 16));
    drag->exec(Qt::MoveAction);
    treCats_MouseUp();
}

void MRVDocument::treCats_MouseUp() {
    m_categoryDragging = false;
    m_dragNodeKey.clear();
    treCats->setDropHighlight(nullptr);
}

void MRVDocument::treCats_DragOver(controls::TreeNode* node) {
    if (!m_categoryDragging) return;
    treCats->setDropHighlight(node);
    if (node) StatusBar(QStringLiteral("Move Branch Category?"));
}

void MRVDocument::treCats_DragDrop() {
    if (!m_categoryDragging) return;
    controls::TreeNode* target = treCats->dropHighlight();
    controls::TreeNode* dragged = DragNode();
    if (target && dragged && m_db) {
        if (!store::IsValidCategoryMove(*treCats, dragged->key(), target->key())) {
            QApplication::beep();
            StatusBar(QStringLiteral("Error: Cannot move a Category to it's own 'Child' ..."));
        } else if (store::DragDropPrompt(QStringLiteral("Change '") + dragged->text() +
                                             QStringLiteral("' to New Parent '") + target->text() +
                                             QStringLiteral("'?"),
                                         kQuestion, QStringLiteral("Move Category?")) == ui::vbYes) {
            const QString draggedKey = dragged->key(), targetKey = target->key();
            bool stored = false;
            try {
                // The library first: the tree follows only what it holds.
                m_db->Execute(QStringLiteral("UPDATE [Category] SET ParentKey = ") +
                              QString::number(keyNumber(targetKey)) + QStringLiteral(" WHERE CatKey = ") +
                              QString::number(keyNumber(draggedKey)));
                stored = true;
                store::MoveTreeBranch(*treCats, draggedKey, targetKey);
                StatusBar(QStringLiteral("Category Moved ..."));
            } catch (const engine::Error& err) {
                store::ReportError(err, QStringLiteral("MRVDocument.treCats_DragDrop"), this);
                // Moved in the library but not in the tree: the tree is read again.
                if (stored) {
                    CatTreeLoad();
                    ProcRefresh();
                }
            }
        }
    }
    treCats->setDropHighlight(nullptr);
    m_categoryDragging = false;
}

// ---- Item rows and picture files dropped on a node ---------------------------------------------

Qt::DropAction MRVDocument::treCats_OLEDragOver(const QMimeData* data, controls::TreeNode* node) {
    if (!data) return Qt::IgnoreAction;
    if (m_dragSource && ownRow(data, this)) {
        treCats->setDropHighlight(node);
        const QString change = QStringLiteral("Change Category?");
        if (StatusBar1->panel(2)->text().trimmed() != change) StatusBar(change);
        return node ? Qt::CopyAction : Qt::IgnoreAction;
    }
    if (data->hasUrls()) {
        treCats->setDropHighlight(node && node->key() != kRootKey ? node : nullptr);
        return treCats->dropHighlight() ? Qt::CopyAction : Qt::IgnoreAction;
    }
    return Qt::IgnoreAction;
}

Qt::DropAction MRVDocument::treCats_OLEDragDrop(const QMimeData* data, Qt::DropAction effect) {
    controls::TreeNode* target = treCats->dropHighlight();
    if (!data || !target || !m_db) {
        treCats->setDropHighlight(nullptr);
        return Qt::IgnoreAction;
    }
    if (const ItemMimeData* row = ownRow(data, this); row && m_dragSource) {
        if (!(effect & Qt::CopyAction)) return Qt::IgnoreAction;
        treeDropItem(*row, target);
        return Qt::CopyAction;
    }
    QString first;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        first = url.toLocalFile();
        break;
    }
    if (first.isEmpty()) {
        treCats->setDropHighlight(nullptr);
        return Qt::IgnoreAction;
    }
    treeDropIcon(first, target);
    return Qt::CopyAction;
}

void MRVDocument::treeDropItem(const ItemMimeData& row, controls::TreeNode* target) {
    // Same category by number: two categories may share a name.
    qint64 catKey = -1;
    try {
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT CatKey FROM [Procedure] WHERE ProcKey = ") +
                                          QString::number(row.procKey()),
                                      engine::dbOpenSnapshot, engine::dbReadOnly);
        if (!rs->eof()) catKey = rs->Fields(0).Value().toLongLong();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.treCats_OLEDragDrop"), this);
        return;
    }
    if (catKey < 0) {
        treCats->setDropHighlight(nullptr);
        return;  // gone from the library meanwhile
    }
    if (catKey == keyNumber(target->key()) && target->key() != kRootKey) {
        StatusBar(QStringLiteral("Cannot assign it to the 'SAME' Category!"));
        return;
    }
    if (target->key() == kRootKey) {
        StatusBar(QStringLiteral("Cannot assign it to the 'Root' Category!"));
        return;
    }
    if (store::DragDropPrompt(QStringLiteral("MOVE Procedure: '") + row.label() + QStringLiteral("'") + LF +
                                  QStringLiteral("     TO Category: '") + target->text() +
                                  QStringLiteral("'?"),
                              kQuestion, QStringLiteral("Move Item?")) != ui::vbYes) {
        StatusBar(QStringLiteral("Ready..."));
        return;
    }
    try {
        m_db->Execute(QStringLiteral("UPDATE [Procedure] SET CatKey = ") +
                      QString::number(keyNumber(target->key())) + QStringLiteral(" WHERE ProcKey = ") +
                      QString::number(row.procKey()));
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.treCats_OLEDragDrop"), this);
        return;
    }
    // The category's own list loses the row; the whole library or a search keeps it, filed anew.
    if (controls::ListItem* item =
            lstvProcs->findItem(QString::number(row.procKey()) + QStringLiteral(" key"))) {
        const controls::TreeNode* shown = treCats->selectedItem();
        if (m_searchSQL.isEmpty() && shown && shown->key() != kRootKey)
            lstvProcs->remove(item);
        else
            item->setSubItem(1, target->text());
    }
    treCats->setDropHighlight(nullptr);
    StatusBar(QStringLiteral("Procedure Category Changed ..."));
}

void MRVDocument::treeDropIcon(const QString& file, controls::TreeNode* target) {
    if (!isPictureFile(file)) {
        QApplication::beep();
        StatusBar(
            QStringLiteral("Error: Only 'Icon' files allowed to be assigned as the image of a Category!"));
        ui::MsgBox(
            QStringLiteral("Error: Only 'Icons' are allowed to be assigned as the image of a Category!") +
                LF + LF +
                QStringLiteral("To add a file to the Code Library, you must first select the Category, "
                               "then Drag the file to the 'right' window pane."),
            ui::vbOKOnly | ui::vbExclamation | kForeground,
            QStringLiteral("Only Icons can be assigned as the image of a Tree Node!"));
        treCats->setDropHighlight(nullptr);
        return;
    }
    if (!customIcons()) {
        treCats->setDropHighlight(nullptr);
        QApplication::beep();
        if (ui::MsgBox(QStringLiteral("Before you can Drag and Drop an Icon file to customize ") +
                           QStringLiteral("a Tree Node, you must Check the 'Display using Custom Icons' ") +
                           QStringLiteral("checkbox in the System Properties window.") + LF + LF +
                           QStringLiteral("Would you like to display the System Properties window now?"),
                       ui::vbYesNo | ui::vbInformation | kForeground,
                       QStringLiteral("Ouch!  That hurt!")) == ui::vbYes)
            ShowProperties();
        return;
    }
    if (target->text() == QLatin1String("<New Category>")) {
        StatusBar(
            QStringLiteral("Error: You MUST change the Category Name from the default, before dragging an "
                           "Icon file."));
        treCats->setDropHighlight(nullptr);
        QApplication::beep();
        return;
    }
    // A file that is not a picture after all would be stored and then never shown.
    QPixmap picture;
    if (!picture.load(file)) {
        QApplication::beep();
        ui::MsgBox(QStringLiteral("The file '") + file + QStringLiteral("' cannot be read as a picture."),
                   ui::vbOKOnly | ui::vbExclamation | kForeground,
                   QStringLiteral("Only Icons can be assigned as the image of a Tree Node!"));
        treCats->setDropHighlight(nullptr);
        return;
    }
    const int catKey = keyNumber(target->key());
    try {
        CatImageSave(catKey, file, QStringLiteral("Text/Code"));
        auto rs = m_db->OpenRecordset(
            QStringLiteral("SELECT Image, Name FROM Category Where CatKey = ") + QString::number(catKey),
            engine::dbOpenSnapshot, engine::dbReadOnly);
        if (rs->eof() || rs->Fields(QStringLiteral("Image")).IsNull()) {
            treCats->setDropHighlight(nullptr);
            return;
        }
        const QString name = rs->Fields(QStringLiteral("Name")).text();
        const auto forget = [this](const QString& key) {
            for (controls::ImageList* images : {imgLargeIcons, imgSmallIcons})
                if (images->contains(key)) images->remove(key);
        };
        if (target->image() != QLatin1String("FOLDER")) forget(target->text());
        store::BLOBSaveToFile(rs->Fields(QStringLiteral("Image")), m_workFile);
        rs->Close();
        QPixmap stored;
        if (stored.load(m_workFile)) {
            forget(name);
            imgLargeIcons->add(name, stored);
            imgSmallIcons->add(name, stored);
            target->setImage(name);
        }
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.treCats_OLEDragDrop"), this);
    }
    treCats->setDropHighlight(nullptr);
}

// ---- The tree's viewport as drag source and drop target ----------------------------------------

bool MRVDocument::treeDragEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_treePressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
            return false;
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton) || m_dragNodeKey.isEmpty() || m_categoryDragging)
                return false;
            if ((mouse->position().toPoint() - m_treePressPos).manhattanLength() <
                QApplication::startDragDistance())
                return true;  // not the tree's own drag-selection either
            startCategoryDrag();
            return true;
        }
        case QEvent::MouseButtonRelease:
            treCats_MouseUp();
            return false;
        case QEvent::DragEnter:
            event->accept();
            return true;
        case QEvent::DragMove: {
            auto* move = static_cast<QDragMoveEvent*>(event);
            controls::TreeNode* node = treCats->nodeFromIndex(treCats->indexAt(move->position().toPoint()));
            Qt::DropAction effect = Qt::IgnoreAction;
            if (m_categoryDragging && move->mimeData()->hasFormat(kCategoryFormat)) {
                treCats_DragOver(node);
                effect = node ? Qt::MoveAction : Qt::IgnoreAction;
            } else {
                effect = treCats_OLEDragOver(move->mimeData(), node);
            }
            answerDrop(move, effect);
            return true;
        }
        case QEvent::DragLeave:
            treCats->setDropHighlight(nullptr);
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            Qt::DropAction effect = Qt::IgnoreAction;
            if (m_categoryDragging && drop->mimeData()->hasFormat(kCategoryFormat)) {
                treCats_DragDrop();
                effect = Qt::MoveAction;
            } else {
                effect = treCats_OLEDragDrop(drop->mimeData(), drop->dropAction());
            }
            answerDrop(drop, effect);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace browser
