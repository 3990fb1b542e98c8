// The category tree of the browser document: its pictures, loading it from the library, storing a
// category's picture and kind, and adding, deleting and clearing the picture of a category.

#include "browser/MRVDocument.h"

#include "platform/controls.h"
#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <iterator>
#include <vector>

namespace browser {

namespace {

const QString kRootKey = QStringLiteral("0 Key");
const QString LF = QStringLiteral("\n");
const QString CRLF = QStringLiteral("\r\n");
constexpr int kForeground = ui::vbMsgBoxSetForeground;

const char* const kImageKeys[] = {"FILE", "FOLDER", "TEXT", "MRV", "WEB"};

void loadImages(controls::ImageList* images, int size) {
    for (const char* key : kImageKeys) {
        const QString name = QString::fromLatin1(key);
        if (images->contains(name)) continue;
        const QPixmap picture(QStringLiteral(":/icons/%1%2.png").arg(name).arg(size));
        // A picture the resources lack leaves its key out; nodes and rows then show none.
        if (!picture.isNull()) images->add(name, picture);
    }
}

QString nodeKey(qint64 catKey) {
    return QString::number(catKey) + QStringLiteral(" Key");
}

}  // namespace

void MRVDocument::SmallImagesLoad(controls::ImageList* images) {
    loadImages(images, 16);
}

void MRVDocument::LargeImagesLoad(controls::ImageList* images) {
    loadImages(images, 32);
}

void MRVDocument::CatImageLoad() {
    if (!m_db) return;
    try {
        if (m_workFile.isEmpty()) m_workFile = GetWinTempFileName(QStringLiteral("MVL"));
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT * FROM Category ORDER BY Name"));
        engine::Field image = rs->Fields(QStringLiteral("Image"));
        engine::Field name = rs->Fields(QStringLiteral("Name"));
        for (; !rs->eof(); rs->MoveNext()) {
            if (image.IsNull() || name.text() == QLatin1String("<New Category>")) continue;
            store::BLOBSaveToFile(image, m_workFile);
            try {
                QPixmap picture;
                if (!picture.load(m_workFile)) continue;
                imgLargeIcons->add(name.text(), picture);
                imgSmallIcons->add(name.text(), picture);
            } catch (const engine::Error&) {
                // Two categories of one name share the first picture loaded.
            }
        }
        rs->Close();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.CatImageLoad"), this);
    }
}

void MRVDocument::CatTreeLoad() {
    const bool custom = customIcons();
    treCats->setImageList(imgSmallIcons);
    treCats->clear();
    if (!m_db) return;
    try {
        controls::TreeNode* root = treCats->add(QString(), controls::tvwFirst, kRootKey,
                                                store::FileNamePart(DBFileName()), QStringLiteral("MRV"));
        root->setExpanded(true);

        struct Row {
            qint64 catKey, parentKey;
            QString type, name;
        };
        std::vector<Row> rows;
        // Children of each category, in name order, as the one walk of the table found them.
        QHash<qint64, std::vector<int>> children;
        auto rs = m_db->OpenRecordset(QStringLiteral(
            "SELECT CStr(CatKey) AS Key, ParentKey, CatKey, Type, Name FROM CATEGORY ORDER BY Name"));
        engine::Field parentKey = rs->Fields(QStringLiteral("ParentKey"));
        engine::Field catKey = rs->Fields(QStringLiteral("CatKey"));
        engine::Field type = rs->Fields(QStringLiteral("Type"));
        engine::Field name = rs->Fields(QStringLiteral("Name"));
        for (; !rs->eof(); rs->MoveNext()) {
            if (parentKey.IsNull() || catKey.IsNull()) continue;
            rows.push_back(
                {catKey.Value().toLongLong(), parentKey.Value().toLongLong(), type.text(), name.text()});
            children[rows.back().parentKey].push_back(int(rows.size()) - 1);
        }
        rs->Close();

        // One generation at a time from the root, so that a category whose parent is missing is
        // never reached, nor anything below it.
        std::vector<std::pair<qint64, controls::TreeNode*>> level{{0, root}}, next;
        while (!level.empty()) {
            next.clear();
            for (const auto& [parentCat, parentNode] : level) {
                const auto found = children.constFind(parentCat);
                if (found == children.constEnd()) continue;
                for (int i : *found) {
                    const Row& row = rows[size_t(i)];
                    QString typeImage;
                    if (row.type == QLatin1String("WebSite"))
                        typeImage = QStringLiteral("WEB");
                    else if (row.type == QLatin1String("File"))
                        typeImage = QStringLiteral("FILE");
                    QString image = typeImage.isEmpty() ? QStringLiteral("FOLDER") : typeImage;
                    if (custom && typeImage.isEmpty() && imgSmallIcons->contains(row.name)) image = row.name;
                    controls::TreeNode* node =
                        treCats->add(parentNode, controls::tvwChild, nodeKey(row.catKey), row.name, image);
                    node->setTag(row.type);
                    next.emplace_back(row.catKey, node);
                }
            }
            level.swap(next);
        }

        treCats->setSelectedItem(root);
        if (controls::TreeNode* saved = treCats->findNode(m_savedCategoryKey)) {
            treCats->setSelectedItem(saved);
            saved->ensureVisible();
        }
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.CatTreeLoad"), this);
    }
}

void MRVDocument::CatImageSave(int lCatKey, const QString& picturePath, const QString& type) {
    if (!m_db) return;
    try {
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT Image, Type FROM Category Where CatKey = ") +
                                      QString::number(lCatKey));
        rs->Edit();
        if (!picturePath.isEmpty()) {
            QFile file(picturePath);
            if (!file.open(QIODevice::ReadOnly))
                throw engine::Error(engine::errFileNotFound,
                                    QStringLiteral("File not found: ") + picturePath);
            const qint64 length = file.size();
            if (length > 0) {
                engine::Field image = rs->Fields(QStringLiteral("Image"));
                const qint64 remainder = length % engine::kChunkSize;
                if (remainder > 0) image.AppendChunk(file.read(remainder));
                for (qint64 i = 0; i < length / engine::kChunkSize; ++i)
                    image.AppendChunk(file.read(engine::kChunkSize));
            }
        }
        rs->Fields(QStringLiteral("Type")).setValue(type.trimmed().isEmpty() ? QStringLiteral("1") : type);
        rs->Update();
        rs->Close();
    } catch (const engine::Error& err) {
        store::ReportError(err,
                           QStringLiteral("MRVDocument.CatImageSave (lCatKey = ") + QString::number(lCatKey) +
                               QStringLiteral(")"),
                           this);
    }
}

void MRVDocument::CatAddChild() {
    controls::TreeNode* selected = treCats->selectedItem();
    if (!m_db || !selected) return;
    try {
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT * FROM Category WHERE CatKey = Null"));
        rs->AddNew();
        rs->Fields(QStringLiteral("ParentKey"))
            .setValue(selected->key() == kRootKey ? 0 : keyNumber(selected->key()));
        rs->Fields(QStringLiteral("Name")).setValue(QStringLiteral("<New Category>"));
        rs->Update();
        rs->setBookmark(rs->LastModified());
        const qint64 catKey = rs->Fields(QStringLiteral("CatKey")).Value().toLongLong();
        controls::TreeNode* node = treCats->add(selected, controls::tvwChild, nodeKey(catKey),
                                                QStringLiteral("<New Category>"), QStringLiteral("FOLDER"));
        rs->Close();

        treCats->setSelectedItem(node);
        node->ensureVisible();
        treCats_NodeClick(node);
        treCats->startLabelEdit();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.CatAddChild"), this);
    }
}

void MRVDocument::CatDelete() {
    controls::TreeNode* node = treCats->selectedItem();
    if (!m_db || !node) return;
    if (node->key() == kRootKey) {
        ui::MsgBox(QStringLiteral("You cannot delete 'Root' key!"),
                   ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Not Allowed!"));
        return;
    }
    if (node->children() > 0) {
        ui::MsgBox(
            QStringLiteral("You cannot delete a Category that has 'child' categories associated with it.") +
                CRLF + CRLF +
                QStringLiteral(
                    "First Delete all of the 'child' categories, then you can delete this Category."),
            ui::vbOKOnly | ui::vbInformation | kForeground, QStringLiteral("Must Delete children first"));
        return;
    }
    try {
        const QString number = QString::number(keyNumber(node->key()));
        auto rs = m_db->OpenRecordset(QStringLiteral("SELECT * FROM [Procedure] WHERE CatKey = ") + number);
        int answer;
        if (!rs->eof()) {
            answer = ui::MsgBox(
                QStringLiteral("Hey Man!  There are procedures associated with this Category!  ") +
                    QStringLiteral(
                        "I suggest you not delete this Category until you move them to another Category!") +
                    CRLF + CRLF + QStringLiteral("The Procedures will be DELETED along with this Category!") +
                    CRLF + CRLF + QStringLiteral("Continue, and Delete Category AND Procedures!?"),
                ui::vbYesNo | ui::vbCritical | ui::vbDefaultButton2 | kForeground,
                QStringLiteral("Are you nuts?"));
        } else {
            answer =
                ui::MsgBox(QStringLiteral("DELETE this Category?") + LF + LF + QStringLiteral("Category: '") +
                               node->text() + QStringLiteral("'"),
                           ui::vbYesNo | ui::vbQuestion | kForeground, QStringLiteral("Permenently Delete?"));
        }
        rs->Close();
        if (answer == ui::vbYes) {
            m_db->Execute(QStringLiteral("DELETE FROM [Category] WHERE CatKey = ") + number);
            treCats->remove(node);
            if (controls::TreeNode* next = treCats->selectedItem()) treCats_NodeClick(next);
        }
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.CatDelete"), this);
    }
}

void MRVDocument::CatClearImage() {
    controls::TreeNode* node = treCats->selectedItem();
    // The root stands for the library and carries no picture of its own.
    if (!m_db || !node || node->key() == kRootKey) return;
    if (!customIcons()) {
        if (ui::MsgBox(QStringLiteral("Before you can 'Clear' the Custom Image from a Tree Node, ") +
                           QStringLiteral("you must Check the 'Display using Custom Icons' checkbox ") +
                           QStringLiteral("in the System Properties window.") + LF + LF +
                           QStringLiteral("Would you like to display the System Properties window now?"),
                       ui::vbYesNo | ui::vbInformation | kForeground,
                       QStringLiteral("Ouch!  That hurt!")) == ui::vbYes)
            ShowProperties();
        return;
    }
    const int answer = ui::MsgBox(QStringLiteral("Clear the 'Custom Category Image' for Category: ") + LF +
                                      LF + QStringLiteral("\t") + node->text(),
                                  ui::vbYesNo | ui::vbQuestion | kForeground, QStringLiteral("Clear Image?"));
    if (answer != ui::vbYes) return;
    try {
        m_db->Execute(QStringLiteral("UPDATE [Category] SET Image = NULL WHERE CatKey = ") +
                      QString::number(keyNumber(node->key())));
        node->setImage(QStringLiteral("FOLDER"));
        const QString key = node->text();
        const bool standard = std::any_of(std::begin(kImageKeys), std::end(kImageKeys),
                                          [&key](const char* k) { return key == QLatin1String(k); });
        // A category named like a standard picture never had a picture of its own in the lists.
        if (!standard)
            for (controls::ImageList* images : {imgLargeIcons, imgSmallIcons})
                if (images->contains(key)) images->remove(key);
        ProcRefresh();
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.CatClearImage"), this);
    }
}

}  // namespace browser
