// The item list of the browser document: the rows of the selected category or of a search, and the
// kind (web, file or plain) a category takes from what it holds.

#include "browser/MRVDocument.h"

#include "browser/item_rows.h"
#include "browser/search_runner.h"

#include "platform/controls.h"
#include "store/error_report.h"
#include "store/settings.h"

#include <QCoreApplication>

namespace browser {

namespace {

const QString kRootKey = QStringLiteral("0 Key");

}  // namespace

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
