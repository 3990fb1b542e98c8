// The search index: the quick search's statement answered from it lists exactly what a reading of
// every row lists, and the index outlives what is done to a library file.

#include "engine_fixture.h"
#include "store/engine/replication.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <sqlite3.h>

using namespace engine;

namespace {

const QList<SearchIndexFields> kIndexed = {{"Category", {"Name"}}, {"Procedure", {"Name", "Desc"}}};

QString searchSql(const QString& text) {
    const QString q = QString(text).replace("'", "''");
    return "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged FROM "
           "[Procedure] "
           "AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE  C.Name Like '*" +
           q + "*' OR   P.Name Like '*" + q + "*' OR  P.Desc Like '*" + q + "*'  ORDER BY C.Name, P.Name";
}

QList<qint64> found(Database& db, const QString& text) {
    QList<qint64> keys;
    auto rs = db.OpenRecordset(searchSql(text), dbOpenDynaset, dbReadOnly);
    for (; !rs->eof(); rs->MoveNext()) keys << rs->Fields("ProcKey").Value().toLongLong();
    return keys;
}

void rawExec(Database& db, const QByteArray& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db.handle(), sql.constData(), nullptr, nullptr, &message);
    ASSERT_EQ(rc, SQLITE_OK) << (message ? message : "") << " in " << sql.constData();
}

// The library as a program that never made the index leaves it.
void dropIndex(Database& db) {
    QByteArrayList drops;
    auto rs = db.OpenRecordset(
        "SELECT type, name FROM sqlite_master WHERE name Like 'mrv_search*' AND "
        "(type = 'trigger' OR sql Like 'CREATE VIRTUAL*')");
    for (; !rs->eof(); rs->MoveNext())
        drops << "DROP " + rs->Fields("type").text().toUtf8() + " \"" + rs->Fields("name").text().toUtf8() +
                     '"';
    for (const QByteArray& drop : drops) rawExec(db, drop);
}

// The items whose name or description the index holds the trigram for (the index read directly).
int indexHolds(Database& db, const char* trigram) {
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QByteArray(
                               "SELECT count(*) FROM mrv_search_Procedure WHERE mrv_search_Procedure MATCH "
                               "'\"") +
                           trigram + "\"'";
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK) return -1;
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

QString escaped(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4())
        out += c >= 0x20 && c < 0x7F ? QString(QChar(c)) : QString("\\u{%1}").arg(uint(c), 0, 16);
    return out;
}

// Pieces of names and descriptions: characters that Like folds onto others (Kelvin sign, long s,
// final sigma, capital sharp s, ohm and angstrom signs, micro sign; a Cyrillic letter and its old
// form, Georgian letters and their capitals, which SQLite's full-text folding keeps apart), accents,
// surrogate pairs, a combining mark, the pattern characters themselves and quotes.
const QStringList kPieces = {
    "a",      "B",      "k",      "K",      "\u212A", "s",      "S",          "\u017F", "ss",
    "\u00DF", "\u1E9E", "\u03C3", "\u03C2", "\u03A3", "\u00E9", "\u00C9",     "\u0130", "\u0131",
    "i",      "I",      "\u2126", "\u03C9", "\u00B5", "\u03BC", "\u212B",     "\u00E5", " ",
    "-",      "*",      "?",      "#",      "[",      "]",      "'",          "\"",     "%",
    "_",      "0",      "7",      "abc",    "the",    "Sum",    "\U0001F600", "\u0301", "\u6F22",
    "\uFFFD", "A",      "xyz",    "\u0432", "\u1C80", "\u10D0", "\u1C90",     "\u0528", "\u0529"};

// What Like takes for a character, swapped in to make patterns that match in another case or form.
const QList<QStringList> kSameUnderLike = {
    {"k", "K", "\u212A"},           {"s", "S", "\u017F"}, {"\u03C3", "\u03C2", "\u03A3"},
    {"\u00DF", "\u1E9E"},           {"\u00E9", "\u00C9"}, {"\u03C9", "\u2126"},
    {"\u00E5", "\u212B"},           {"\u00B5", "\u03BC"}, {"a", "A"},
    {"\u0432", "\u0412", "\u1C80"}, {"\u10D0", "\u1C90"}, {"\u0528", "\u0529"}};

// Values only a program writing bytes of its own stores: malformed UTF-8 (a lead byte alone, a
// sequence cut short, an overlong 'A', a surrogate, a five-byte form, stray continuation bytes), a NUL
// inside the text, a floating-point number, a whole number and a blob.
void addRawItems(Database& db, int category) {
    const QByteArrayList texts = {QByteArray("\xC3"
                                             "abc"),
                                  QByteArray("x\xE2\x82"
                                             "Sum"),
                                  QByteArray("ab\xC1\x81"
                                             "bc"),
                                  QByteArray("\xED\xA0\x80"
                                             "the"),
                                  QByteArray("\xF8\x88\x80\x80\x80"
                                             "xyz"),
                                  QByteArray("\x80\x80"
                                             "abc\xBF"),
                                  QByteArray("ab\0c\0abc", 9)};
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db.handle(),
                           "INSERT INTO Procedure(CatKey, Name, Type, Desc) VALUES (?1, ?2, 'Text/Code', ?3)",
                           -1, &st, nullptr),
        SQLITE_OK);
    const auto run = [&] {
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db.handle());
        sqlite3_reset(st);
    };
    for (const QByteArray& t : texts) {
        sqlite3_bind_int(st, 1, category);
        sqlite3_bind_text(st, 2, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        run();
    }
    sqlite3_bind_double(st, 2, 1.5e20);
    sqlite3_bind_double(st, 3, 0.1);
    run();
    sqlite3_bind_int(st, 2, 1234567);
    sqlite3_bind_blob(st, 3, "blobabc", 7, SQLITE_STATIC);
    run();
    sqlite3_finalize(st);
}

}  // namespace

class SearchIndexTest : public EngineTest {
protected:
    QRandomGenerator m_random{20261207};

    QString randomText(int pieces) {
        QString s;
        for (int i = 0; i < pieces; ++i) s += kPieces[m_random.bounded(int(kPieces.size()))];
        return s;
    }
    QVariant randomValue() {
        return m_random.bounded(12) == 0 ? QVariant() : QVariant(randomText(m_random.bounded(1, 9)));
    }
    // A piece of a value, in other cases and forms, often with a wildcard or shorter than three.
    QString patternFrom(const QString& value) {
        const QList<uint> chars = value.toUcs4();
        if (chars.isEmpty()) return randomText(2);
        const int length = m_random.bounded(4) == 0 ? m_random.bounded(1, 3) : m_random.bounded(3, 9);
        const int from = m_random.bounded(std::max(1, int(chars.size()) - length + 1));
        QString text = QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()) + from,
                                         std::min<qsizetype>(length, chars.size() - from));
        for (const QStringList& same : kSameUnderLike)
            for (const QString& form : same)
                if (m_random.bounded(2)) text.replace(form, same[m_random.bounded(int(same.size()))]);
        static const QRegularExpression wildcards("[*?#\\[]");
        if (m_random.bounded(4) > 0) text.remove(wildcards);
        return text;
    }
};

TEST_F(SearchIndexTest, AnswersExactlyAsAReadingOfEveryRow) {
    QStringList values;
    {
        auto db = makeLibrary();
        ensureSearchIndex(*db, kIndexed);
        db->Execute("BEGIN");
        QList<int> categories;
        for (int c = 0; c < 40; ++c) {
            const QVariant name = randomValue();
            categories << addCategory(*db, name.toString());
            values << name.toString();
        }
        auto rs = db->OpenRecordset("SELECT * FROM [Procedure] WHERE ProcKey = Null");
        for (int i = 0; i < 1000; ++i) {
            rs->AddNew();
            rs->Fields("CatKey").setValue(categories[m_random.bounded(int(categories.size()))]);
            const QVariant name = randomValue(), desc = randomValue();
            rs->Fields("Name").setValue(name);
            rs->Fields("Desc").setValue(desc);
            rs->Update();
            values << name.toString() << desc.toString();
        }
        rs->Close();
        addRawItems(*db, categories.first());
        // Changes after the first writing: renamed and deleted items, a renamed category.
        db->Execute("UPDATE [Procedure] SET Name = Desc, Desc = Name WHERE ProcKey % 7 = 0");
        db->Execute("DELETE FROM [Procedure] WHERE ProcKey % 11 = 0 AND ProcKey < 1000");
        db->Execute("UPDATE Category SET Name = 'Kelvin \u212A sum' WHERE CatKey = " +
                    QString::number(categories[1]));
        db->Execute("COMMIT");
    }
    ASSERT_TRUE(QFile::copy(path("lib.mdb"), path("scan.mdb")));
    auto indexed = openDatabase(path("lib.mdb"));
    auto scan = openDatabase(path("scan.mdb"));
    dropIndex(*scan);
    ASSERT_EQ(indexHolds(*scan, "abc"), -1);

    // The malformed values as SQLite decodes them, then patterns drawn at random.
    const QStringList fixed = {
        "\u00C3abc", "x\u00E2\u0082Sum", "\uFFFDabc", "x\u0082Sum", "ab\uFFFDbc", "bAbc",   "\uFFFDthe",
        "\u0080abc", "abc\u00BF",        "00000",     "0.1",        "234",        "blobabc"};
    int answered = 0, matching = 0;
    for (int i = 0; i < 1500 + fixed.size(); ++i) {
        const QString text = i >= 1500    ? fixed[i - 1500]
                             : i % 4 == 3 ? randomText(m_random.bounded(1, 4))
                                          : patternFrom(values[m_random.bounded(int(values.size()))]);
        const QList<qint64> expected = found(*scan, text);
        ASSERT_EQ(found(*indexed, text), expected) << "searching for " << escaped(text).toStdString();
        const bool plain = text.toUcs4().size() >= 3 && !text.contains(QRegularExpression("[*?#\\[]"));
        answered += plain;
        matching += plain && !expected.isEmpty();
    }
    // The patterns must put the index to work, not only the scan.
    EXPECT_GT(answered, 500);
    EXPECT_GT(matching, 250);

    // And the index is what answers: emptied behind the engine's back, it finds nothing.
    ASSERT_FALSE(found(*indexed, "abc").isEmpty());
    rawExec(*indexed,
            "INSERT INTO mrv_search_Procedure(mrv_search_Procedure) VALUES ('delete-all');"
            "INSERT INTO mrv_search_Category(mrv_search_Category) VALUES ('delete-all')");
    EXPECT_TRUE(found(*indexed, "abc").isEmpty());
    EXPECT_FALSE(found(*indexed, "ab").isEmpty());  // too short for the index: read row by row
}

TEST_F(SearchIndexTest, OutlivesCompactRepairReplicasAndLibrariesMadeBeforeIt) {
    QList<qint64> before;
    {
        // A library made before the index: searched row by row, then given its index.
        auto db = makeLibrary();
        const int cat = addCategory(*db, "Strings");
        db->Execute("BEGIN");
        for (int i = 0; i < 400; ++i)
            addItem(*db, cat, QString("item %1 %2").arg(i).arg(i % 3 ? "plain" : "zanzibar"),
                    QString(900, 'q'));
        db->Execute("COMMIT");
        before = found(*db, "zanzibar");
        ASSERT_EQ(before.size(), 134);
        EXPECT_EQ(indexHolds(*db, "zan"), -1);
        ensureSearchIndex(*db, kIndexed);
        EXPECT_EQ(indexHolds(*db, "zan"), 134);
        EXPECT_EQ(found(*db, "zanzibar"), before);
        ensureSearchIndex(*db, kIndexed);  // a second time changes nothing
        EXPECT_EQ(indexHolds(*db, "zan"), 134);
    }

    CompactDatabase(path("lib.mdb"), path("compact.mdb"));
    {
        auto db = openDatabase(path("compact.mdb"));
        EXPECT_EQ(indexHolds(*db, "zan"), 134);
        EXPECT_EQ(found(*db, "zanzibar"), before);
    }

    // Rows that arrive from another member of the replica set are indexed as they are applied.
    {
        auto db = openDatabase(path("lib.mdb"));
        MakeReplicable(*db);
        MakeReplica(*db, path("replica.mdb"), "replica");
        auto replica = openDatabase(path("replica.mdb"));
        EXPECT_EQ(indexHolds(*replica, "zan"), 134);
        addItem(*replica, 1, "from the replica: zanzibar");
        replica->Execute("UPDATE [Procedure] SET Name = 'renamed' WHERE Name = 'item 0 zanzibar'");
        replica->Close();
        Synchronize(*db, path("replica.mdb"), dbRepImpExpChanges);
        EXPECT_EQ(indexHolds(*db, "zan"), 134);
        EXPECT_EQ(found(*db, "zanzibar").size(), 134);
        EXPECT_EQ(found(*db, "from the replica").size(), 1);
        EXPECT_TRUE(found(*db, "item 0 zanzibar").isEmpty());
        before = found(*db, "zanzibar");
    }

    // A damaged library is rebuilt with its index.
    QByteArray bytes = readAll(path("lib.mdb"));
    const qsizetype page = bytes.size() / 4096 / 2;
    for (int i = 0; i < 4096; ++i) bytes[page * 4096 + i] = char(0x5A ^ i);
    writeAll(path("lib.mdb"), bytes);
    ASSERT_TRUE(RepairDatabase(path("lib.mdb")).wasDamaged);
    auto db = openDatabase(path("lib.mdb"));
    const QList<qint64> after = found(*db, "zanzibar");
    EXPECT_GT(after.size(), 100);
    for (qint64 key : after) EXPECT_TRUE(before.contains(key)) << key;
    EXPECT_EQ(indexHolds(*db, "zan"), after.size());
}
