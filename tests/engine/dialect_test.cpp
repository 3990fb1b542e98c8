#include "store/engine/error.h"
#include "store/engine/sql_dialect.h"

#include <QChar>
#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

namespace {

using engine::dialect::likeMatch;
using engine::dialect::translate;

struct TranslateCase {
    const char* sql;
    const char* expected;
};

void PrintTo(const TranslateCase& c, std::ostream* os) {
    *os << c.sql;
}

class TranslateTest : public testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateTest, Translates) {
    EXPECT_EQ(translate(QString::fromUtf8(GetParam().sql)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Literals, TranslateTest,
    testing::Values(
        TranslateCase{"SELECT '[x]', 'a Like b', '#1/1/99#', 'it''s', '&' FROM t",
                      "SELECT '[x]', 'a Like b', '#1/1/99#', 'it''s', '&' FROM t"},
        TranslateCase{R"(SELECT "O'Brien", "say ""hi""", "" FROM t)",
                      R"(SELECT 'O''Brien', 'say "hi"', '' FROM t)"},
        TranslateCase{"SELECT * FROM [System]", R"(SELECT * FROM "System")"},
        TranslateCase{"SELECT [a b].[c\"d] FROM [a b]", R"(SELECT "a b"."c""d" FROM "a b")"},
        TranslateCase{"SELECT 'a' & \"b\" & Name FROM t", "SELECT jet_concat('a', 'b', Name) FROM t"},
        TranslateCase{"SET a = 1 + b & (c & d) & CASE WHEN e THEN f END, g = h & 'x' WHERE i & j = k",
                      "SET a = jet_concat(1 + b, (jet_concat(c, d)), CASE WHEN e THEN f END), "
                      "g = jet_concat(h, 'x') WHERE jet_concat(i, j) = k"},
        TranslateCase{"SELECT x FROM t WHERE y = 1.5E3 AND z <> -2 AND w >= .5",
                      "SELECT x FROM t WHERE y = 1.5E3 AND z <> -2 AND w >= .5"},
        TranslateCase{"  UPDATE  t SET a=1  ", "  UPDATE  t SET a=1  "}));

INSTANTIATE_TEST_SUITE_P(
    Dates, TranslateTest,
    testing::Values(
        TranslateCase{"WHERE d IN (#12/6/26#, #1/2/2029#, #1/2/29#, #1/2/30#, #2026-12-31#)",
                      "WHERE d IN ('2026-12-06', '2029-01-02', '2029-01-02', '1930-01-02', '2026-12-31')"},
        TranslateCase{"WHERE d >= #12/06/26 14:05# AND d < #12/06/26 2:05:09 PM#",
                      "WHERE d >= '2026-12-06 14:05:00' AND d < '2026-12-06 14:05:09'"}));

INSTANTIATE_TEST_SUITE_P(
    Like, TranslateTest,
    testing::Values(
        TranslateCase{"WHERE Name Like 'a*'", "WHERE jet_like('a*', Name)"},
        TranslateCase{
            "WHERE  C.Name Like '*ab*' OR   P.Name LIKE '*ab*' OR  P.Desc like '*ab*'  ORDER BY C.Name",
            "WHERE  jet_like('*ab*', C.Name) OR   jet_like('*ab*', P.Name) OR  jet_like('*ab*', P.Desc)  "
            "ORDER BY C.Name"},
        TranslateCase{"WHERE Name Not Like 'a*' AND x = 1", "WHERE NOT jet_like('a*', Name) AND x = 1"},
        TranslateCase{"WHERE NOT Name Like 'a*'", "WHERE NOT jet_like('a*', Name)"},
        TranslateCase{"WHERE (Name Like 'a*') AND (Type like \"b*\")",
                      "WHERE (jet_like('a*', Name)) AND (jet_like('b*', Type))"},
        TranslateCase{"WHERE Name Like '*' & x & '*' ORDER BY Name",
                      "WHERE jet_like(jet_concat('*', x, '*'), Name) ORDER BY Name"},
        TranslateCase{"WHERE f(a, (b)) & 'x' LIKE 'y*'", "WHERE jet_like('y*', jet_concat(f(a, (b)), 'x'))"},
        TranslateCase{"WHERE a = 1 AND b LIKE c + 1 = d", "WHERE a = 1 AND jet_like(c + 1, b) = d"},
        TranslateCase{"SELECT Desc FROM t ORDER BY Name Like 'a*' DESC, Desc",
                      "SELECT Desc FROM t ORDER BY jet_like('a*', Name) DESC, Desc"},
        TranslateCase{"SELECT Name Like 'a*' AS M, 2 FROM t", "SELECT jet_like('a*', Name) AS M, 2 FROM t"},
        TranslateCase{"SELECT CASE WHEN a LIKE 'x' THEN 1 ELSE 0 END FROM t",
                      "SELECT CASE WHEN jet_like('x', a) THEN 1 ELSE 0 END FROM t"},
        TranslateCase{"WHERE k IN (SELECT k FROM t WHERE n LIKE 'a') OR m Like [p]",
                      "WHERE k IN (SELECT k FROM t WHERE jet_like('a', n)) OR jet_like(\"p\", m)"},
        TranslateCase{"WHERE [Like] Like 'x' AND T.Like = 1", "WHERE jet_like('x', \"Like\") AND T.Like = 1"},
        TranslateCase{"WHERE a Like 'x' Like 'y'", "WHERE jet_like('y', jet_like('x', a))"},
        TranslateCase{"WHERE a Like ('x' & (b Like 'y'))",
                      "WHERE jet_like((jet_concat('x', (jet_like('y', b)))), a)"},
        TranslateCase{"WHERE d Like '#*' OR d Like \"[#]\"",
                      "WHERE jet_like('#*', d) OR jet_like('[#]', d)"}));

TEST(TranslateErrorTest, ReportsSyntaxErrors) {
    const struct {
        const char* sql;
        const char* mentions;
    } cases[] = {{"SELECT 'abc FROM t", "SELECT 'abc FROM t"},
                 {"SELECT \"abc FROM t", "SELECT \"abc FROM t"},
                 {"SELECT * FROM [abc", "SELECT * FROM [abc"},
                 {"WHERE d = #12/6/26", "WHERE d = #12/6/26"},
                 {"WHERE d = #13/01/26# OR 1", "#13/01/26#"},
                 {"WHERE d = #02/30/26#", "#02/30/26#"},
                 {"WHERE d = ##", "##"},
                 {"WHERE Like 'x'", "WHERE Like 'x'"},
                 {"WHERE x Like", "WHERE x Like"},
                 {"WHERE (x Like)", "WHERE (x Like)"},
                 {"SET a = b & ", "SET a = b & "},
                 {"SET a = (& b)", "SET a = (& b)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            translate(QString::fromUtf8(c.sql));
            ADD_FAILURE() << "no error";
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), engine::errSyntax);
            EXPECT_TRUE(e.description().startsWith("Syntax error in ")) << e.what();
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.mentions))) << e.what();
        }
    }
}

TEST(TranslateTest, DatesIgnoreTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString translated = translate("WHERE d = #12/06/26 14:05:09#");
    QLocale::setDefault(before);
    EXPECT_EQ(translated, "WHERE d = '2026-12-06 14:05:09'");
}

TEST(LikeMatchTest, Wildcards) {
    // Each pattern with a value it matches and one it does not (nullptr for none).
    const struct {
        const char* pattern;
        const char* matching;
        const char* other;
    } cases[] = {
        // clang-format off
        {"*", "anything", nullptr}, {"", "", "a"}, {"abc", "ABC", "abcd"}, {"a*", "ab", "ba"},
        {"*a", "ba", "ab"}, {"*str*", "MyString", "st"}, {"*ing*str*", "Stringstr", "String"},
        {"a*b*c", "aXbYbZc", "aXbYc Z"}, {"**a**", "xax", "xyz"}, {"a?c", "a\u00e4c", "ac"}, {"#", "7", "x"},
        {"a##", "a12", "a1b"}, {"[abc]x", "Bx", "dx"}, {"[!abc]x", "dx", "Ax"}, {"[a-f]1", "E1", "g1"},
        {"[A-F]1", "e1", "G1"}, {"[!0-9]*", "x9", "9x"}, {"[a-cx-z]", "y", "d"}, {"[-a]", "-", "b"},
        {"[a-]", "-", "b"}, {"[*]", "*", "x"}, {"[?]", "?", "x"}, {"[#]", "#", "1"}, {"[[]", "[", "x"},
        {"[!]", "!", "x"}, {"a[]b", "ab", "axb"}, {"*a[b*", "xa[bx", "xabx"}, {"100%", "100%", "1000"},
        {"a_b", "a_b", "axb"}, {"\u00e4*", "\u00c4rger", "Arger"}, {"*\u03a3*", "\u03c3\u03c2", "s"},
        {"[\u00e0-\u00ff]", "\u00c9", "E"}, {"*k*", "\u212a", "q"}, {"*s", "\u017f", "\u00df"},
        {"\U0001F600?", "\U0001F600x", "\U0001F600"}, {"*\u00a4", "\u00a4", "\u00e4"}
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const QString pattern = QString::fromUtf8(c.pattern);
        EXPECT_TRUE(likeMatch(pattern, QString::fromUtf8(c.matching)));
        if (c.other) {
            EXPECT_FALSE(likeMatch(pattern, QString::fromUtf8(c.other)));
        }
    }
    EXPECT_TRUE(likeMatch("*", ""));
    EXPECT_FALSE(likeMatch("*", QString()));
    EXPECT_FALSE(likeMatch(QString(), "x"));
}

// One folding rule: a character matches a list or a range of one character exactly when it matches
// that character written plainly, and that is when the two fold alike.
TEST(LikeMatchTest, ListsAndPlainCharactersFoldAlike) {
    const QStringList groups[] = {{"K", "k", "\u212A"}, {"S", "s", "\u017F"}, {"\u03A3", "\u03C3", "\u03C2"},
                                  {"\u00C4", "\u00E4"}, {"\u00DF", "\u1E9E"}, {"x"}};
    for (const QStringList& patternGroup : groups)
        for (const QString& p : patternGroup)
            for (const QStringList& valueGroup : groups)
                for (const QString& v : valueGroup) {
                    SCOPED_TRACE((p + " / " + v).toStdString());
                    const bool same = &patternGroup == &valueGroup;
                    EXPECT_EQ(likeMatch(p, v), same);
                    EXPECT_EQ(likeMatch('[' + p + ']', v), same);
                    EXPECT_EQ(likeMatch('[' + p + '-' + p + ']', v), same);
                    EXPECT_EQ(likeMatch("[!" + p + ']', v), !same);
                }
}

// The byte search for ASCII patterns relies on this: no other character folds onto ASCII.
TEST(LikeMatchTest, OnlyTwoCharactersFoldOntoAscii) {
    QList<char32_t> found;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c)
        if (QChar::toCaseFolded(c) < 0x80) found.append(c);
    EXPECT_EQ(found, (QList<char32_t>{0x17F, 0x212A}));
}

class SqliteTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        engine::dialect::registerFunctions(m_db);
        exec("CREATE TABLE Category(CatKey INTEGER PRIMARY KEY, ParentKey INT, Name TEXT, Type TEXT)");
        exec(
            "CREATE TABLE [Procedure](ProcKey INTEGER PRIMARY KEY, CatKey INT, Name TEXT, Type TEXT, "
            "Desc TEXT, Code TEXT, File BLOB, LastChanged TEXT)");
        exec(
            "INSERT INTO Category VALUES (1, 0, 'Strings', 'Folder'), (2, 0, 'Files', 'Folder'), "
            "(3, 1, 'Äpfel', 'Folder')");
        exec(
            "INSERT INTO [Procedure] VALUES "
            "(5, 1, 'Trim', 'Text/Code', 'Trims blanks', 'code 1', NULL, #12/06/26#), "
            "(6, 2, 'ReadAll', 'Text/Code', 'Reads a file', 'code 2', NULL, #1/15/27#), "
            "(7, 2, 'Notes.txt', 'File', 'ABOUT \"abc\"', NULL, X'00', #12/07/26 10:00#), "
            "(8, 3, 'äbc', 'Text/Code', NULL, NULL, NULL, #2/1/99#)");
    }
    void TearDown() override { sqlite3_close(m_db); }

    void exec(const QString& sql) {
        char* error = nullptr;
        const int rc = sqlite3_exec(m_db, translate(sql).toUtf8().constData(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << translate(sql).toStdString();
        sqlite3_free(error);
    }

    // Rows as "a|b|c"; Null shows as "<null>".
    QStringList rows(const QString& sql) {
        sqlite3_stmt* statement = nullptr;
        const QByteArray translated = translate(sql).toUtf8();
        if (sqlite3_prepare_v2(m_db, translated.constData(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(m_db) << " in " << translated.constData();
            return {};
        }
        QStringList out;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                columns << (text ? QString::fromUtf8(text) : QStringLiteral("<null>"));
            }
            out << columns.join(u'|');
        }
        sqlite3_finalize(statement);
        return out;
    }

    sqlite3* m_db = nullptr;
};

TEST_F(SqliteTest, ProgramStatementsRun) {
    EXPECT_EQ(rows("SELECT Type, Name, Desc, Code, File FROM [Procedure] Where ProcKey = 5"),
              QStringList{"Text/Code|Trim|Trims blanks|code 1|<null>"});
    EXPECT_EQ(rows("SELECT CStr(CatKey) AS Key, ParentKey, CatKey, Type, Name FROM CATEGORY ORDER BY Name"),
              (QStringList{"2|0|2|Folder|Files", "1|0|1|Folder|Strings", "3|1|3|Folder|Äpfel"}));
    const QString search =
        "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged "
        "FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE "
        " C.Name Like '*%1*' OR   P.Name Like '*%1*' OR  P.Desc Like '*%1*'  ORDER BY C.Name, P.Name";
    EXPECT_EQ(rows(search.arg("ab")),
              (QStringList{"7|Files|Notes.txt|File|ABOUT \"abc\"|<null>|2026-12-07 10:00:00"}));
    EXPECT_EQ(rows(search.arg("STR")),
              (QStringList{"5|Strings|Trim|Text/Code|Trims blanks|code 1|2026-12-06"}));
    EXPECT_EQ(rows(search.arg("ÄB")), (QStringList{"8|Äpfel|äbc|Text/Code|<null>|<null>|1999-02-01"}));
    EXPECT_EQ(rows(search.arg("t[!r]")).size(), 1);  // Notes.txt
    EXPECT_TRUE(rows(search.arg("zz")).isEmpty());
    EXPECT_EQ(rows("SELECT ProcKey FROM [Procedure] WHERE LastChanged >= #12/6/2026# AND "
                   "LastChanged <= #12/07/26 10:00:00 AM# ORDER BY ProcKey"),
              (QStringList{"5", "7"}));
    EXPECT_EQ(rows("SELECT Name FROM Category WHERE Name Not Like 's*' AND Name Not Like \"f*\""),
              QStringList{"Äpfel"});
    EXPECT_TRUE(rows("SELECT * FROM Category WHERE CatKey = Null").isEmpty());
}

TEST_F(SqliteTest, UpdatesRun) {
    exec("UPDATE [Procedure] SET Desc = 'it''s \"x\"', LastChanged = #3/4/05# WHERE Name Like 'tr*'");
    exec("UPDATE [Category] SET Name = Name & \"!\" WHERE CatKey = 2");
    EXPECT_EQ(rows("SELECT Desc, LastChanged FROM [Procedure] WHERE ProcKey = 5"),
              QStringList{"it's \"x\"|2005-03-04"});
    EXPECT_EQ(rows("SELECT Name FROM Category WHERE CatKey = 2"), QStringList{"Files!"});
}

TEST_F(SqliteTest, FunctionsHandleEveryStorageClass) {
    EXPECT_EQ(rows("SELECT CStr(42), CStr(-1.5), CStr(1e20), CStr(0.1 + 0.2), CStr('a'), CStr(NULL), "
                   "typeof(CStr(42))"),
              QStringList{"42|-1.5|100000000000000000000|0.3|a|<null>|text"});
    // & takes Null as an empty text, unless every operand is Null, and binds looser than arithmetic.
    EXPECT_EQ(
        rows("SELECT \"Alpha\" & Null & \"!\", Null & Null, Null & Null & 'x', 1 + 2 & 3, 0.1 + 0.2 & ''"),
        QStringList{"Alpha!|<null>|x|33|0.3"});
    EXPECT_EQ(
        rows("SELECT jet_like('1#', 12), jet_like('*.5', 2.5), jet_like('1e*', 1e20), jet_like(NULL, 'a'), "
             "jet_like('a', NULL), jet_like(ParentKey, '0') FROM Category WHERE CatKey = 1"),
        QStringList{"1|1|0|<null>|<null>|1"});
    // The pattern varies per row: a cached pattern must not stick.
    EXPECT_EQ(
        rows("SELECT Name FROM Category WHERE jet_like(substr(Name, 1, 1) || '*', Name) ORDER BY CatKey"),
        (QStringList{"Strings", "Files", "Äpfel"}));
}

// jet_like and likeMatch agree row by row, on a constant pattern that SQLite caches.
TEST_F(SqliteTest, JetLikeAgreesWithLikeMatch) {
    const QStringList values = {"",
                                "abc",
                                "ABC",
                                "a[b]c",
                                "x*y",
                                "12/06/26",
                                "Ärger",
                                "\u212Aelvin",
                                "mass",
                                "MASS",
                                "ma\u017F\u017F",
                                "100%",
                                "a_b",
                                "tab\tx"};
    exec("CREATE TABLE v(k INTEGER PRIMARY KEY, s TEXT)");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(m_db, "INSERT INTO v(s) VALUES (?)", -1, &insert, nullptr);
    for (const QString& value : values) {
        const QByteArray bytes = value.toUtf8();
        sqlite3_bind_text(insert, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);

    const QStringList patterns = {"*",     "",    "abc",  "a*", "*c",  "*b*",   "*[[]*", "a?c", "*#*",
                                  "[!a]*", "*ss", "*SS*", "k*", "*ä*", "?rger", "1##%",  "a_b", "*[*]*"};
    for (const QString& pattern : patterns) {
        SCOPED_TRACE(pattern.toStdString());
        QStringList expected;
        for (const QString& value : values)
            if (likeMatch(pattern, value)) expected << value;
        QString quoted = pattern;
        EXPECT_EQ(rows("SELECT s FROM v WHERE s Like '" + quoted.replace("'", "''") + "' ORDER BY k"),
                  expected);
    }
}

}  // namespace
