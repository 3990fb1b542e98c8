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

#include <optional>

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
        // Only what the fill reads: the list reads the rest of the rows it shows by their key. The root
        // reads no type (it takes no kind from its items), so that SQLite answers from the category and
        // name index alone and never reads the items' rows, which hold their code.
        sql = (selected && !isRoot ? QStringLiteral("SELECT P.ProcKey, P.Type ")
                                   : QStringLiteral("SELECT P.ProcKey ")) +
              QStringLiteral("FROM [Procedure] AS P, Category AS C ") +
              QStringLiteral("WHERE P.Catkey = C.Catkey ") + condition +
              QStringLiteral(" ORDER BY C.Name, P.Name");
    } else {
        m_searchSQL = query;
    }

    try {
        auto rs = m_db->OpenRecordset(sql, engine::dbOpenDynaset, engine::dbReadOnly);
        const engine::Field procKey = rs->Fields(QStringLiteral("ProcKey"));
        const bool kinds = !categoryMode || (selected && !isRoot);
        const std::optional<engine::Field> type =
            kinds ? std::optional(rs->Fields(QStringLiteral("Type"))) : std::nullopt;
        std::vector<qint64> keys;
        int webItems = 0, fileItems = 0;
        for (; !rs->eof(); rs->MoveNext()) {
            keys.push_back(procKey.Value().toLongLong());
            if (!type) continue;
            const QVariant kind = type->Value();
            if (kind.typeId() != QMetaType::QString) continue;
            const QString text = kind.toString();
            if (text == QLatin1String("WebSite")) ++webItems;
            if (text == QLatin1String("File")) ++fileItems;
        }
        const int rows = int(keys.size());
        m_rowSource->setCustomIcons(custom);
        lstvProcs->addRows(keys);

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

controls::ListRowData ItemRowSource::listRow(const ItemRow& row) const {
    static const QString textKey = QStringLiteral("TEXT");
    controls::ListRowData item;
    item.text = row.name;
    item.tag = row.type;
    QString description = row.desc;
    if (row.type == QLatin1String("WebSite")) {
        item.icon = item.smallIcon = QStringLiteral("WEB");
        // A described shortcut shows its description, its address going to the last column.
        if (!row.desc.trimmed().isEmpty()) {
            item.text = row.desc;
            description = row.name;
        }
    } else if (row.type == QLatin1String("File")) {
        item.icon = item.smallIcon = QStringLiteral("FILE");
    } else {
        const QString& large = m_custom ? row.catName : textKey;
        if (!m_largeIcons || !m_largeIcons->contains(large)) {
            item.icon = item.smallIcon = textKey;
        } else {
            item.icon = large;
            item.smallIcon = m_custom ? row.catName : textKey;
        }
    }
    item.subItems = {row.catName, row.type, row.lastChanged, description};
    if (!row.changedSortKey.isEmpty()) item.sortTexts.insert(3, row.changedSortKey);
    return item;
}

void ItemRowSource::readRows(const qint64* ids, int count, controls::ListRowData* out) const {
    engine::Database* db = m_database();
    if (!db || count == 0) return;
    QString list;
    list.reserve(count * 8);
    QHash<qint64, int> at;
    at.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (i > 0) list += QLatin1Char(',');
        list += QString::number(ids[i]);
        at.insert(ids[i], i);
    }
    try {
        auto rs = db->OpenRecordset(
            QStringLiteral(
                "SELECT P.ProcKey, P.Name, P.Type, P.[Desc], C.Name AS CatName, P.LastChanged "
                "FROM [Procedure] AS P, Category AS C WHERE P.CatKey = C.CatKey AND P.ProcKey IN (") +
                list + QLatin1Char(')'),
            engine::dbOpenSnapshot, engine::dbReadOnly);
        const ItemRowReader reader(*rs);
        for (; !rs->eof(); rs->MoveNext()) {
            const ItemRow row = reader.read();
            const auto found = at.constFind(row.procKey);
            if (found != at.constEnd()) out[*found] = listRow(row);
        }
    } catch (const engine::Error&) {
        // A library closed or replaced under the list: its rows show empty until the list is filled again.
    }
}

void ItemRowSource::readSortTexts(const qint64* ids, int count, int key, QString* out) const {
    // The columns each shown column is made of (the label and the description swap for a described
    // web shortcut, so both need its type); any other column goes through the whole rows.
    struct Needs {
        bool label, category, type, changed;
    };
    static const Needs needs[] = {{true, false, true, false},
                                  {false, true, false, false},
                                  {false, false, true, false},
                                  {false, false, false, true},
                                  {true, false, true, false}};
    if (key < 0 || key >= int(std::size(needs))) return ListRowSource::readSortTexts(ids, count, key, out);
    const Needs& n = needs[key];
    engine::Database* db = m_database();
    if (!db || count == 0) return;
    QString list;
    list.reserve(count * 8);
    QHash<qint64, int> at;
    at.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (i > 0) list += QLatin1Char(',');
        list += QString::number(ids[i]);
        at.insert(ids[i], i);
    }
    QString select = QStringLiteral("SELECT P.ProcKey");
    if (n.label) select += QStringLiteral(", P.Name, P.[Desc]");
    if (n.type) select += QStringLiteral(", P.Type");
    if (n.category) select += QStringLiteral(", C.Name AS CatName");
    if (n.changed) select += QStringLiteral(", P.LastChanged");
    try {
        auto rs =
            db->OpenRecordset(select +
                                  QStringLiteral(" FROM [Procedure] AS P, Category AS C WHERE P.CatKey = "
                                                 "C.CatKey AND P.ProcKey IN (") +
                                  list + QLatin1Char(')'),
                              engine::dbOpenSnapshot, engine::dbReadOnly);
        const auto field = [&](bool wanted, const QString& name) {
            return wanted ? std::optional(rs->Fields(name)) : std::nullopt;
        };
        const engine::Field procKey = rs->Fields(QStringLiteral("ProcKey"));
        const std::optional<engine::Field> name = field(n.label, QStringLiteral("Name")),
                                           desc = field(n.label, QStringLiteral("Desc")),
                                           type = field(n.type, QStringLiteral("Type")),
                                           catName = field(n.category, QStringLiteral("CatName")),
                                           changed = field(n.changed, QStringLiteral("LastChanged"));
        for (; !rs->eof(); rs->MoveNext()) {
            const auto found = at.constFind(procKey.Value().toLongLong());
            if (found == at.constEnd()) continue;
            // Only what this column needs is filled; listRow makes the text the list would sort by.
            ItemRow row;
            if (name) row.name = name->text();
            if (desc) row.desc = desc->text();
            if (type) row.type = type->text();
            if (catName) row.catName = catName->text();
            if (changed) {
                const QVariant value = changed->Value();
                row.lastChanged = engine::valueToText(value);
                if (value.typeId() == QMetaType::QDateTime)
                    row.changedSortKey = ItemRowReader::sortKey(value.toDateTime());
            }
            out[*found] = controls::sortTextOf(listRow(row), key);
        }
    } catch (const engine::Error&) {
        // As readRows: rows of a library closed under the list sort as empty.
    }
}

qint64 ItemRowSource::idOfKey(const QString& key) const {
    if (!key.endsWith(QLatin1String(" key"))) return -1;
    bool ok = false;
    const qint64 id = key.left(key.size() - 4).toLongLong(&ok);
    return ok ? id : -1;
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
