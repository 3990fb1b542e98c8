#pragma once

// What the browser tests share: the store's fixture (recorded seams, a program folder of their own),
// small libraries written row by row, and documents started as a given kind of instance.

#include "browser/MRVDocument.h"
#include "platform/controls.h"
#include "store/codelib.h"
#include "store/library_schema.h"
#include "store/settings.h"
#include "tests/store/store_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace browsertest {

inline QString properties() {
    return "Properties";
}

class BrowserTest : public storetest::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        // The tip window is tested on its own.
        store::SaveSetting(store::generalAppName(), "General Properties", "Show Tips at Startup", "0");
    }
    void TearDown() override {
        m_documents.clear();
        StoreTest::TearDown();
    }

    // A new library at path with the statements run on it.
    QString makeLibrary(const QString& name, const QStringList& statements = {}) {
        const QString file = path(name);
        auto db = store::createLibrary(file, {QString(), "Test Group", QDateTime()});
        for (const QString& sql : statements) db->Execute(sql);
        db->Close();
        return file;
    }
    static QString category(int key, int parent, const QString& name, const QString& type = QString()) {
        return QStringLiteral(
                   "INSERT INTO Category (CatKey, ParentKey, Type, Name) VALUES (%1, %2, %3, '%4')")
            .arg(key)
            .arg(parent)
            .arg(type.isEmpty() ? "Null" : "'" + type + "'", name);
    }
    static QString item(int key, int cat, const QString& name, const QString& type,
                        const QString& desc = QString(), const QString& changed = "#03/04/24#") {
        return QStringLiteral(
                   "INSERT INTO [Procedure] (ProcKey, CatKey, Name, Type, [Desc], Code, LastChanged) "
                   "VALUES (%1, %2, '%3', '%4', %5, 'code', %6)")
            .arg(key)
            .arg(cat)
            .arg(name, type, desc.isNull() ? "Null" : "'" + desc + "'", changed);
    }

    static QString instanceApp(const QString& suffix = "\\(Browser)") {
        return store::instanceAppName(suffix);
    }
    static void setInstanceSetting(const QString& key, const QString& value,
                                   const QString& suffix = "\\(Browser)") {
        store::SaveSetting(instanceApp(suffix), properties(), key, value);
    }
    static QString instanceSetting(const QString& key, const QString& suffix = "\\(Browser)") {
        return store::GetSetting(instanceApp(suffix), properties(), key, "<none>");
    }

    // A browser instance on library, started as a host would start it.
    browser::MRVDocument* open(const QString& library, const QString& loading = "0") {
        if (!library.isEmpty()) setInstanceSetting("Current Library", library);
        store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", loading);
        m_documents.push_back(std::make_unique<browser::MRVDocument>());
        m_documents.back()->InitProperties();
        return m_documents.back().get();
    }
    void closeAll() { m_documents.clear(); }

    static controls::TreeNode* node(browser::MRVDocument* doc, const QString& key) {
        return doc->treCats->findNode(key);
    }
    // Selects a node as the user would.
    static void click(browser::MRVDocument* doc, const QString& key) {
        controls::TreeNode* n = doc->treCats->findNode(key);
        ASSERT_NE(n, nullptr) << key.toStdString();
        doc->treCats->setSelectedItem(n);
        emit doc->treCats->nodeClick(n);
    }
    static QStringList rowKeys(browser::MRVDocument* doc) {
        QStringList keys;
        for (int i = 1; i <= doc->lstvProcs->count(); ++i) keys << doc->lstvProcs->item(i)->key();
        return keys;
    }
    static QString statusText(browser::MRVDocument* doc) { return doc->StatusBar1->panel(2)->text(); }
    // "text|icon|small icon|tag|column 2|...|column 5" of the list row key.
    static QString row(browser::MRVDocument* doc, const QString& key) {
        const controls::ListItem* r = doc->lstvProcs->findItem(key);
        if (!r) return "<no row>";
        QStringList parts{r->text(), r->icon(), r->smallIcon(), r->tag()};
        for (int i = 1; i <= 4; ++i) parts << r->subItem(i);
        return parts.join(QLatin1Char('|'));
    }
    // The list key of the folder row for the category node key.
    static QString folderRow(browser::MRVDocument* doc, const QString& key) {
        return QString::number(node(doc, key)->index()) + " TreeNode";
    }

    // A PNG picture of one colour.
    static QByteArray png(const QColor& colour) {
        QPixmap picture(32, 32);
        picture.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return bytes;
    }
    // Stores a picture as the category's own, or bytes as the file item's.
    static void setImage(const QString& file, int catKey, const QByteArray& bytes) {
        setBlob(file, QStringLiteral("SELECT Image FROM Category WHERE CatKey = %1").arg(catKey), bytes);
    }
    static void storeFile(const QString& file, int procKey, const QByteArray& bytes) {
        setBlob(file, QStringLiteral("SELECT File FROM [Procedure] WHERE ProcKey = %1").arg(procKey), bytes);
    }
    static void setBlob(const QString& file, const QString& select, const QByteArray& bytes) {
        auto db = engine::openDatabase(file);
        auto rs = db->OpenRecordset(select);
        rs->Edit();
        rs->Fields(0).AppendChunk(bytes);
        rs->Update();
    }
    // A category's column as stored.
    static QVariant categoryField(const QString& file, const char* column, int catKey) {
        return scalar(file,
                      QStringLiteral("SELECT %1 FROM Category WHERE CatKey = %2").arg(column).arg(catKey));
    }

    static QVariant scalar(const QString& file, const QString& sql) {
        auto db = engine::openDatabase(file, false, true);
        auto rs = db->OpenRecordset(sql, engine::dbOpenSnapshot);
        return rs->eof() ? QVariant() : rs->Fields(0).Value();
    }

    std::vector<std::unique_ptr<browser::MRVDocument>> m_documents;
};

}  // namespace browsertest
