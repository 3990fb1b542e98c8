// The item list of the browser document: the rows of the selected category or of a search, and the
// kind (web, file or plain) a category takes from what it holds.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "browser/item_rows.h"
#include "browser/search_runner.h"
#include "platform/controls.h"
#include "platform/toolbar.h"
#include "platform/ui.h"
#include "store/codelib.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

namespace browser {

using detail::kRootKey;

void MRVDocument::ProcRefresh(const QString& query) {
    // What the list shows now replaces whatever a quick search was about to show.
    stopQuickSearch();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const bool custom = customIcons();
    lstvProcs->clear();
    lstvProcs->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!m_db) return;

    controls::TreeNode* selected = treCats->selectedItem();
    const bool categoryMode = query.isEmpty();
    const bool isRoot = selected && selected->key() == kRootKey;
    QString sql = query;
    if (categoryMode) {
        if (selected && !isRoot)
            lstvProcs->add(QStringLiteral("Parent TreeNode"), QStringLiteral("   . .      "));
        const bool folders = store::Val(store::GetSetting(instanceApp(), QStringLiteral("Properties"),
                                                          QStringLiteral("Display Folders in Listview"),
                                                          QStringLiteral("1"))) == 1;
        if (folders && selected && selected->children() > 0) FolderRowsLoad(selected);
        const QString condition = selected && !isRoot ? QStringLiteral(" AND P.CatKey = ") +
                                                            QString::number(keyNumber(selected->key()))
                                                      : QString();
        sql = QStringLiteral("SELECT P.*, C.Name AS CatName FROM [Procedure] AS P, Category AS C ") +
              QStringLiteral("WHERE P.Catkey = C.Catkey ") + condition +
              QStringLiteral(" ORDER BY C.Name, P.Name");
    } else {
        m_searchSQL = query;
    }

    try {
        auto rs = m_db->OpenRecordset(sql, engine::dbOpenDynaset, engine::dbReadOnly);
        const ItemRowReader reader(*rs);
        int rows = 0, webItems = 0, fileItems = 0;
        lstvProcs->beginUpdate();
        try {
            for (; !rs->eof(); rs->MoveNext()) {
                ++rows;
                addItemRow(reader.read(), custom, webItems, fileItems);
            }
        } catch (...) {
            lstvProcs->endUpdate();
            throw;
        }
        lstvProcs->endUpdate();

        if (selected) {
            if (isRoot)
                StatusBar(QStringLiteral("Root: All (") + QString::number(rows) +
                          QStringLiteral(") Items Loaded..."));
            else
                StatusBar(QStringLiteral("Cat: '") + selected->text() + QStringLiteral("'  (") +
                          QString::number(rows) + QStringLiteral(" Items Loaded)..."));
        }
        if (categoryMode && selected && !isRoot) setCategoryKind(selected, rows, webItems, fileItems, custom);
        if (selected)
            store::SaveSetting(instanceApp(), QStringLiteral("Properties"),
                               QStringLiteral("Category Tree Current Category"), selected->key());
        rs->Close();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.ProcRefresh"), this);
    }
    lstvProcs->repaint();
    SetProcTools();
}

void MRVDocument::addItemRow(const ItemRow& row, bool custom, int& webItems, int& fileItems) {
    static const QString textKey = QStringLiteral("TEXT");
    controls::ListItem* item =
        lstvProcs->add(QString::number(row.procKey) + QStringLiteral(" key"), row.name);
    try {
        item->setTag(row.type);
        QString description = row.desc;
        if (row.type == QLatin1String("WebSite")) {
            ++webItems;
            item->setIcon(QStringLiteral("WEB"));
            item->setSmallIcon(QStringLiteral("WEB"));
            // A described shortcut shows its description, its address going to the last column.
            if (!row.desc.trimmed().isEmpty()) {
                item->setText(row.desc);
                description = row.name;
            }
        } else if (row.type == QLatin1String("File")) {
            ++fileItems;
            item->setIcon(QStringLiteral("FILE"));
            item->setSmallIcon(QStringLiteral("FILE"));
        } else {
            const QString& large = custom ? row.catName : textKey;
            if (!imgLargeIcons->contains(large)) {
                item->setIcon(textKey);
                item->setSmallIcon(textKey);
            } else {
                item->setIcon(large);
                item->setSmallIcon(custom ? row.catName : textKey);
            }
        }
        if (!row.catName.isEmpty()) item->setSubItem(1, row.catName);
        if (!row.type.isEmpty()) item->setSubItem(2, row.type);
        if (!row.lastChanged.isEmpty()) item->setSubItem(3, row.lastChanged);
        if (!row.changedSortKey.isEmpty()) item->setSortText(3, row.changedSortKey);
        if (!description.isEmpty()) item->setSubItem(4, description);
    } catch (const engine::Error&) {
        // A row that cannot take its icons or columns still lists the item.
    }
}

void MRVDocument::FolderRowsLoad(controls::TreeNode* node) {
    for (controls::TreeNode* child = node->child(); child; child = child->next())
        lstvProcs->add(QString::number(child->index()) + QStringLiteral(" TreeNode"), child->text(),
                       QStringLiteral("FOLDER"), QStringLiteral("FOLDER"));
}

void MRVDocument::setCategoryKind(controls::TreeNode* node, int itemRows, int webItems, int fileItems,
                                  bool custom) {
    const int n = itemRows + node->children();
    for (controls::TreeNode* child = node->child(); child; child = child->next()) {
        if (child->tag() == QLatin1String("WebSite")) ++webItems;
        if (child->tag() == QLatin1String("File")) ++fileItems;
    }
    const int number = keyNumber(node->key());
    if (n >= 1 && double(webItems) / n >= 0.5) {
        node->setImage(QStringLiteral("WEB"));
        node->setTag(QStringLiteral("WebSite"));
        CatImageSave(number, QString(), QStringLiteral("WebSite"));
    } else if (n >= 1 && double(fileItems) / n >= 0.5) {
        node->setImage(QStringLiteral("FILE"));
        node->setTag(QStringLiteral("File"));
        CatImageSave(number, QString(), QStringLiteral("File"));
    } else {
        // An empty or mixed category is a plain one; with custom pictures it keeps the one it shows.
        if (!custom) {
            node->setImage(QStringLiteral("FOLDER"));
            node->setTag(QString());
        }
        CatImageSave(number, QString(), QString());
    }
}

}  // namespace browser

// ---- The list's own events -------------------------------------------------------------------

namespace browser {

using namespace detail;

namespace {

const QString kFileType = QStringLiteral("File");

bool isCategoryRow(const controls::ListItem* row) {
    return row && row->key().contains(QLatin1String("TreeNode"));
}

}  // namespace

void MRVDocument::lstvProcs_BeforeLabelEdit(controls::ListItem* row, bool& cancel) {
    const controls::TreeNode* selected = treCats->selectedItem();
    if (!row || isCategoryRow(row) || (selected && selected->key() == kRootKey)) {
        cancel = true;
        QApplication::beep();
    }
}

void MRVDocument::lstvProcs_AfterLabelEdit(controls::ListItem* row, bool& cancel, const QString& newString) {
    if (!row || newString == row->text()) return;
    if (newString.trimmed().isEmpty()) {
        // An item without a name could not be found or edited again.
        ui::MsgBox(QStringLiteral("Error: You cannot save the Procedure WITHOUT a Name!"),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Oops!"));
        cancel = true;
        return;
    }
    if (!libraryReady()) {
        cancel = true;
        return;
    }
    const QString quoted = store::SQLQuote(newString);
    const QString number = QString::number(keyNumber(row->key()));
    try {
        // A web shortcut shows its description when it has one (see ProcRefresh): then that is
        // what was renamed, whatever the description column holds.
        bool description = false;
        if (row->tag() == QLatin1String("WebSite")) {
            auto rs = m_db->OpenRecordset(
                QStringLiteral("SELECT [Desc] FROM [Procedure] Where ProcKey = ") + number,
                engine::dbOpenSnapshot, engine::dbReadOnly);
            description = !rs->eof() && !rs->Fields(0).text().trimmed().isEmpty();
            rs->Close();
        }
        if (description) {
            m_db->Execute(QStringLiteral("Update [Procedure] Set [Desc] = '") + quoted +
                          QStringLiteral("' Where ProcKey = ") + number);
            return;
        }
        if (row->tag() == kFileType && row->text().right(4).toUpper() != newString.right(4).toUpper()) {
            const int answer = ui::MsgBox(
                QStringLiteral(
                    "If you change the file extension of this file, it may become unusable in your "
                    "applications!") +
                    LF + LF + QStringLiteral("Are you sure that you want to continue?"),
                ui::vbYesNo | ui::vbExclamation | ui::vbDefaultButton2 | kForeground,
                QStringLiteral("Change File Extension WARNING"));
            if (answer != ui::vbYes) {
                cancel = true;
                return;
            }
        }
        m_db->Execute(QStringLiteral("Update [Procedure] Set Name = '") + quoted +
                      QStringLiteral("' Where ProcKey = ") + number);
    } catch (const engine::Error& err) {
        cancel = true;
        store::ReportError(err, QStringLiteral("MRVDocument.lstvProcs_AfterLabelEdit"), this);
    }
}

void MRVDocument::lstvProcs_ColumnClick(int index) {
    // Rows carry their stored date as the text the "Changed" column sorts by (see ProcRefresh).
    constexpr int kDateColumn = 3;
    const int column = index - 1;
    controls::ListSortOrder order = lstvProcs->sortOrder();
    if (column != kDateColumn) {
        order = order == controls::lvwAscending ? controls::lvwDescending : controls::lvwAscending;
    } else {
        if (m_dateSortColumn != 0 && m_dateSortColumn == index)
            order = order == controls::lvwAscending ? controls::lvwDescending : controls::lvwAscending;
        else
            order = controls::lvwAscending;
        m_dateSortColumn = index;
    }
    // One sort, not one per property.
    lstvProcs->setSorted(false);
    lstvProcs->setSortKey(column);
    lstvProcs->setSortOrder(order);
    lstvProcs->setSorted(true);
}

void MRVDocument::lstvProcs_KeyDown(int& keyCode, Qt::KeyboardModifiers shift) {
    if (shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return;
    switch (keyCode) {
        case Qt::Key_Insert:
            ProcNew();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            controls::ListItem* row = lstvProcs->selectedItem();
            if (!row) {
                QApplication::beep();
            } else if (row->tag() == kFileType && !isCategoryRow(row)) {
                if (ui::MsgBox(QStringLiteral("Open: ") + row->text() + QStringLiteral("?      "),
                               ui::vbYesNo | ui::vbQuestion | kForeground,
                               QStringLiteral("Open File?")) == ui::vbYes)
                    ProcFileOpen(row);
            } else if (!isCategoryRow(row)) {
                ProcEdit();
            }
            break;
        }
        case Qt::Key_Delete:
            ProcDelete();
            break;
        case Qt::Key_F3:
            ProcFind();
            break;
        default:
            return;
    }
    keyCode = 0;  // used here: neither the list nor the toolbar act on it again
}

void MRVDocument::lstvProcs_MouseDown(Qt::MouseButton button, const QPoint& pos) {
    SetProcTools();
    if (button != Qt::RightButton) return;
    // Once the press has selected the row under the mouse, the popup offers what that row allows.
    const QPoint global = lstvProcs->mapToGlobal(pos);
    QTimer::singleShot(0, this, [this, global] {
        SetProcTools();
        ActiveBar1->popupMenu(QStringLiteral("mnuPopUpProc"), global);
    });
}

void MRVDocument::lstvProcs_DblClick() {
    controls::ListItem* row = lstvProcs->selectedItem();
    if (!row) return;
    try {
        if (isCategoryRow(row)) {
            controls::TreeNode* selected = treCats->selectedItem();
            if (row->key() == QLatin1String("Parent TreeNode")) {
                if (!selected || selected->key() == kRootKey) {
                    QApplication::beep();
                    ui::MsgBox(QStringLiteral("You are already viewing the Root Category!"),
                               ui::vbOKOnly | ui::vbExclamation | kForeground,
                               QStringLiteral("Root Category"));
                    return;
                }
                treCats->setSelectedItem(selected->parent());
            } else {
                controls::TreeNode* node = treCats->findNodeByIndex(keyNumber(row->key()));
                if (!node) return;
                treCats->setSelectedItem(node);
                node->ensureVisible();
            }
            ProcRefresh();
            return;
        }
        const auto navigate = [this](const QString& shown, const QString& address) {
            const int answer =
                ui::MsgBox(QStringLiteral("Navigate to: \"") + shown + QStringLiteral("\"?") + LF + LF +
                               QStringLiteral("Select  'No'  to  'Edit'  Web Shortcut."),
                           ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2 | kForeground,
                           QStringLiteral("Navigate to Web?"));
            if (answer != ui::vbYes) {
                ProcEdit();
                return;
            }
            StatusBar(QStringLiteral("Navigating: ") + address);
            store::ShellOpen(address);
        };
        if (store::IsURL(row->text())) {
            navigate(row->text(), row->text());
        } else if (store::IsURL(row->subItem(4))) {
            navigate(row->text(), row->subItem(4));
        } else if (row->tag() == kFileType) {
            const bool program = store::IsExecutableFile(row->text());
            const QString question = program ? QStringLiteral("Run this Program?")
                                             : QStringLiteral("Open this file with it's associated program?");
            if (ui::MsgBox(question + LF + LF + QStringLiteral("    ") + row->text(),
                           ui::vbYesNo | ui::vbQuestion | kForeground,
                           QStringLiteral("Open File?")) == ui::vbYes)
                fileOpen(row, QString(), program);
        } else {
            ProcEdit();
        }
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.lstvProcs_DblClick"), this);
    }
}

}  // namespace browser
