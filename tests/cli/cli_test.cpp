// The real morvane program run on temporary libraries: each command's output and exit status, its
// failures, the formats it imports and exports, and what a failure leaves behind.

#include "store/codelib.h"
#include "store/engine/engine.h"
#include "store/engine/replication.h"
#include "store/library_files.h"
#include "store/library_schema.h"
#include "tests/seam_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

class CliTest : public seamtest::SeamTest {
protected:
    void SetUp() override {
        SeamTest::SetUp();
        lib = path("lib.mdb");
        makeLibrary(lib, "Group A");
    }

    static void makeLibrary(const QString& file, const QString& group) {
        store::createLibrary(file, {QString(), group, QDateTime()})->Close();
    }

    // morvane with args on lib (unless a --library is given), stdin as its input.
    Outcome run(QStringList args, const QByteArray& input = {}, const QStringList& env = {}) const {
        if (!args.contains("--library")) args << "--library" << lib;
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& pair : env) environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(MRV_TEST_PROGRAM_DIR "/morvane"), args);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }
    Outcome ok(const QStringList& args, const QByteArray& input = {}) const {
        Outcome o = run(args, input);
        EXPECT_EQ(o.status, 0) << args.join(' ').toStdString() << ": " << o.err.toStdString();
        return o;
    }
    QJsonValue json(const QStringList& args) const {
        const Outcome o = ok(QStringList(args) << "--json");
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(o.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << o.out.toStdString();
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
    // "Category/Path/Name=code" of every item, sorted: the library's content as the tests compare it.
    QStringList content(const QString& file = QString()) const {
        QStringList rows;
        for (const QJsonValue& item : json({"list", "--library", file.isEmpty() ? lib : file}).toArray()) {
            const QJsonObject o = item.toObject();
            const QString code = json({"show", QString::number(o["key"].toInteger()), "--library",
                                       file.isEmpty() ? lib : file})["code"]
                                     .toString();
            rows << o["category"].toString() + '/' + o["name"].toString() + '=' + code;
        }
        rows.sort();
        return rows;
    }
    void write(const QString& file, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    // Relative path and bytes of every file and folder below root.
    static QMap<QString, QByteArray> tree(const QString& root) {
        QMap<QString, QByteArray> files;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            files[QDir(root).relativeFilePath(info.filePath())] =
                info.isDir() ? "(folder)" : read(info.filePath());
        }
        return files;
    }

    QString lib;
};

TEST_F(CliTest, EveryCommandSucceedsAndFailsWithItsStatus) {
    write(path("code.txt"), "SELECT 1;\n");
    write(path("blob.bin"), QByteArray("\x00\x01\xff", 3));
    write(path("latin1.txt"), "caf\xe9");
    write(path("garbage.mdb"), QByteArray(4096, 'x'));
    makeLibrary(path("other.mdb"), "Group B");
    struct Step {
        QStringList args;
        QByteArray input;
        int status;
        const char* out;  // in standard output (a regular expression)
        const char* err;  // in standard error
    };
    const Step steps[] = {
        {{"mkcat", "Database/SQL"}, {}, 0, "^\\d+\\n$", ""},
        {{"mkcat", "Database/SQL/"}, {}, 0, "", ""},
        {{"mkcat", "a//b"}, {}, 2, "", "needs a name between"},
        {{"add", "--category", "SQL", "--name", "O'Brien \"q\" #1 & [x]", "--desc", "Quotes\nand lines"},
         "it's\r\ncode",
         0,
         "^\\d+\\n$",
         ""},
        {{"add", "--category", "Database/SQL", "--name", "Query", "--file", path("code.txt")}, {}, 0, "", ""},
        {{"add", "--category", "Nowhere", "--name", "x"}, "x", 3, "", "mkcat"},
        {{"add", "--category", "SQL", "--name", "bad\nname"}, "x", 2, "", "one line"},
        {{"add", "--category", "SQL", "--name", "latin"}, read(path("latin1.txt")), 1, "", "not UTF-8"},
        {{"add", "--category", "SQL", "--type", "web", "--name", "not a url"}, {}, 2, "", "address"},
        {{"add", "--category", "SQL", "--type", "web", "--name", "https://x.org/a/b", "--desc", "Site"},
         {},
         0,
         "",
         ""},
        {{"add", "--category", "SQL", "--type", "file", "--file", path("blob.bin")}, {}, 0, "", ""},
        {{"add", "--category", "SQL", "--type", "nope", "--name", "x"}, {}, 2, "", "--type"},
        {{"list"}, {}, 0, "\\tDatabase/SQL/O'Brien \"q\" #1 & \\[x\\]\\tText/Code\\tQuotes\\n", ""},
        {{"list", "SQL", "--categories"}, {}, 0, "^Database/SQL\\n$", ""},
        {{"list", "Nope"}, {}, 3, "", "No category"},
        {{"search", "'brien \"q\""}, {}, 0, "Database/SQL/O'Brien", ""},
        {{"search", "   "}, {}, 0, "^$", ""},
        {{"show", "Database/SQL/O'Brien \"q\" #1 & [x]"}, {}, 0, "^it's\\r\\ncode$", ""},
        {{"show", "SQL/https://x.org/a/b"}, {}, 0, "^https://x.org/a/b\\n$", ""},
        {{"show", "blob.bin", "--output", path("out.bin")}, {}, 0, "^$", ""},
        {{"show", "Query"}, {}, 0, "^SELECT 1;\\n$", ""},
        {{"show", "999"}, {}, 3, "", "No item has the key 999"},
        {{"show", "SQL/Nope"}, {}, 3, "", "No item"},
        {{"mkcat", "Other/Query"}, {}, 0, "", ""},
        {{"add", "--category", "Other/Query", "--name", "Query"}, "two", 0, "", ""},
        {{"show", "Query"}, {}, 4, "", "Database/SQL/Query\\n  \\d+\\tOther/Query/Query"},
        {{"show", "SQL/Query"}, {}, 0, "SELECT", ""},
        {{"mv", "Other/Query/Query", "Database"}, {}, 0, "", ""},
        {{"show", "Database/Query"}, {}, 0, "^two$", ""},
        {{"mv", "Database/Query", "Nowhere"}, {}, 3, "", "No category"},
        {{"rm", "Database/Query"}, {}, 6, "", "refused"},
        {{"rm", "Database/Query", "--no"}, {}, 6, "", "answered No"},
        {{"show", "Database/Query"}, {}, 0, "two", ""},
        {{"rm", "Database/Query", "--yes"}, {}, 0, "", ""},
        {{"show", "Database/Query"}, {}, 3, "", ""},
        {{"check"}, {}, 0, "Sound\\.", ""},
        {{"check", "--library", path("garbage.mdb")}, {}, 1, "", "not a Code Library"},
        {{"check", "--library", path("missing.mdb")}, {}, 3, "", "not found"},
        {{"list", "--library", path("missing.mdb")}, {}, 3, "", "not found"},
        {{"compact"}, {}, 0, "Compacted", ""},
        {{"repair"}, {}, 0, "Repaired", ""},
        {{"replicate", path("replica.mdb")}, {}, 0, "replica.mdb", ""},
        {{"replicate", path("replica.mdb")}, {}, 6, "", "refused"},
        {{"replicate", lib}, {}, 2, "", "itself"},
        {{"sync", path("replica.mdb")}, {}, 6, "", "refused"},
        {{"sync", path("other.mdb"), "--yes"}, {}, 1, "", "DIFFERENT Database Group"},
        {{"sync", lib, "--yes"}, {}, 2, "", "itself"},
        {{"sync", path("replica.mdb"), "--import", "--export"}, {}, 2, "", "one of"},
        {{"backup", path("saved")}, {}, 0, "saved/lib.mdb", ""},
        {{"backup", path("saved")}, {}, 6, "", "OVERWRITE"},
        {{"backup", path("saved"), "--zip", "--level", "4"}, {}, 0, "saved/lib.zip", ""},
        {{"backup", path("saved"), "--level", "9"}, {}, 2, "", "--level"},
        {{"frobnicate"}, {}, 2, "", "Unknown command"},
        {{"list", "--frob"}, {}, 2, "", "Unknown option"},
        {{"edit", "SQL/Query"}, {}, 2, "", "EDITOR"},
        {{"import", "word", path("x")}, {}, 2, "", "FORMAT"},
        {{"export", "folder", path("saved")}, {}, 1, "", "not an empty folder"},
    };
    for (const Step& step : steps) {
        const Outcome o = run(step.args, step.input, {"VISUAL=", "EDITOR="});
        const std::string context = step.args.join(' ').toStdString() + "\nout: " + o.out.toStdString() +
                                    "\nerr: " + o.err.toStdString();
        EXPECT_EQ(o.status, step.status) << context;
        EXPECT_TRUE(
            QRegularExpression(QString::fromUtf8(step.out)).match(QString::fromUtf8(o.out)).hasMatch())
            << context;
        EXPECT_TRUE(QString::fromUtf8(o.err).contains(QRegularExpression(QString::fromUtf8(step.err))))
            << context;
    }
    EXPECT_EQ(read(path("out.bin")), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(read(path("saved/lib.mdb")).left(15), QByteArray("SQLite format 3"));
    // The replica and the library are one group: a change made in one reaches the other.
    ok({"add", "--category", "SQL", "--name", "Late"}, "late");
    ok({"sync", path("replica.mdb"), "--export", "--yes", "--no-backup"});
    EXPECT_TRUE(content(path("replica.mdb")).contains("Database/SQL/Late=late"));
    ok({"sync", path("replica.mdb"), "--yes"});
    EXPECT_TRUE(QFile::exists(path("lib.bak")) && QFile::exists(path("replica.bak")));
}

TEST_F(CliTest, EditTakesTheEditorsChangesBack) {
    ok({"mkcat", "Notes"});
    const QString key =
        QString::fromUtf8(ok({"add", "--category", "Notes", "--name", "todo.txt"}, "old text").out).trimmed();
    struct Case {
        const char* editor;
        int status;
        const char* code;
    };
    for (const Case& c : {Case{"sed -i s/old/new/", 0, "new text"}, Case{"true", 0, "new text"},
                          Case{"sh -c \"printf x >> $0; exit 3\"", 1, "new text"},
                          Case{"no-such-editor-here", 1, "new text"}}) {
        const Outcome o = run({"edit", key}, {}, {QStringLiteral("VISUAL=") + c.editor});
        EXPECT_EQ(o.status, c.status) << c.editor << o.err.toStdString();
        EXPECT_EQ(json({"show", key})["code"].toString(), c.code) << c.editor;
    }
}

TEST_F(CliTest, JsonIsParsedBack) {
    ok({"mkcat", "Strings"});
    ok({"add", "--category", "Strings", "--name", "Trim", "--desc", "trims"}, "trim()");
    const QJsonArray list = json({"list"}).toArray();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].toObject()["category"].toString(), "Strings");
    EXPECT_EQ(list[0].toObject()["name"].toString(), "Trim");
    EXPECT_EQ(list[0].toObject()["type"].toString(), "Text/Code");
    EXPECT_EQ(list[0].toObject()["lastChanged"].toString(), QDate::currentDate().toString(Qt::ISODate));
    EXPECT_EQ(json({"search", "str"}).toArray(), list);  // the category name matches
    EXPECT_EQ(json({"show", "Trim"})["code"].toString(), "trim()");
    EXPECT_EQ(json({"list", "--categories"}).toArray()[0].toObject()["path"].toString(), "Strings");
    const QJsonValue check = json({"check"});
    EXPECT_TRUE(check["sound"].toBool());
    EXPECT_EQ(check["items"].toInt(), 1);
    EXPECT_EQ(check["group"].toString(), "Group A");
}

TEST_F(CliTest, EachFormatImports) {
    write(path("vs/python.json"),
          "{\n // comment\n \"For\": {\"prefix\": \"for\", \"body\": [\"for x in y:\", \"    pass\"], "
          "\"description\": \"loop\",},\n \"Empty\": {\"prefix\": \"e\", \"body\": \"\"},\n"
          " \"Nothing\": {\"body\": []},\n \"Grüße ☃\": {\"prefix\": [\"gr\", \"hi\"], \"body\": "
          "\"print('ü')\"},\n}\n");
    write(path("vs/web.code-snippets"),
          "{\"For\": {\"scope\": \"javascript,typescript\", \"body\": \"for (;;) {}\"},"
          " \"Any\": {\"body\": \"/* any */\"}}");
    write(path("pet.toml"),
          "[[snippets]]\n  description = \"ping\"\n  command = \"ping 8.8.8.8\"\n  tag = [\"net\", \"dns\"]\n"
          "  output = \"\"\n\n[[snippets]]\n  description = \"\"\n  command = \"echo \\\"ü\\\"\\nls\"\n\n"
          "[[snippets]]\n  description = \"ping\"\n  command = \"ping ::1\"\n  output = \"pong\"\n");
    const QString big = path("tree/Big Files/big.bin");
    QByteArray bytes(5 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    write(big, bytes);
    write(path("tree/Notes/ünïcode.md"), "# Tïtle\n");
    write(path("tree/site.url"), "[InternetShortcut]\r\nURL=https://example.org/\r\n");
    write(path("tree/link.desktop"),
          "[Desktop Entry]\nType=Link\nName=Docs\nURL=https://docs.example.org/\n");
    QDir().mkpath(path("tree/Empty"));
    QFile::link(path("tree/site.url"), path("tree/alias.url"));

    EXPECT_EQ(QString::fromUtf8(ok({"import", "vscode", path("vs")}).out),
              "Imported 6 items into 'VS Code Snippets' (0 replaced, 4 categories made).\n");
    const Outcome pet = ok({"import", "pet", path("pet.toml"), "--category", "Shell/pet"});
    EXPECT_TRUE(pet.err.contains("took a name already taken")) << pet.err.toStdString();
    const Outcome tree = ok({"import", "folder", path("tree")});
    EXPECT_TRUE(tree.err.contains("left out the link")) << tree.err.toStdString();
    EXPECT_EQ(content(), (QStringList{
                             "Shell/pet/echo \"ü\"=echo \"ü\"\nls",
                             "Shell/pet/ping=ping 8.8.8.8",
                             "Shell/pet/ping=ping ::1",
                             "VS Code Snippets/javascript,typescript/For=for (;;) {}",
                             "VS Code Snippets/python/Empty=",
                             "VS Code Snippets/python/For=for x in y:\n    pass",
                             "VS Code Snippets/python/Grüße ☃=print('ü')",
                             "VS Code Snippets/python/Nothing=",
                             "VS Code Snippets/web/Any=/* any */",
                             "tree/Big Files/big.bin=",
                             "tree/Notes/ünïcode.md=# Tïtle\n",
                             "tree/https://docs.example.org/=https://docs.example.org/",
                             "tree/https://example.org/=https://example.org/",
                         }));
    EXPECT_EQ(json({"show", "Grüße ☃"})["description"].toString(), "Prefix: gr, hi");
    EXPECT_EQ(json({"show", "python/For"})["description"].toString(), "loop\n\nPrefix: for");
    EXPECT_EQ(json({"show", "https://example.org/"})["description"].toString(), "site");
    EXPECT_EQ(json({"search", "pong"}).toArray()[0].toObject()["description"].toString(), "Output: pong");
    EXPECT_EQ(json({"show", "big.bin"})["size"].toInteger(), bytes.size());
    EXPECT_EQ(json({"list", "--categories"}).toArray().size(), 10);  // tree/Empty among them
    // Imported again with --replace, nothing doubles.
    ok({"import", "vscode", path("vs"), "--replace"});
    EXPECT_EQ(json({"list", "VS Code Snippets"}).toArray().size(), 6);
    // Exported and imported back, the snippets are the same.
    ok({"export", "vscode", path("out.code-snippets"), "--category", "VS Code Snippets/python"});
    ok({"import", "vscode", path("out.code-snippets"), "--category", "Again"});
    QStringList again = content().filter(QRegularExpression("^Again/")),
                first = content().filter(QRegularExpression("^VS Code Snippets/python/"));
    again.replaceInStrings("Again/python/", ""), first.replaceInStrings("VS Code Snippets/python/", "");
    EXPECT_EQ(again, first);
    ok({"export", "pet", path("out.toml"), "--category", "Shell"});
    ok({"import", "pet", path("out.toml"), "--category", "Pet again"});
    EXPECT_EQ(content().filter(QRegularExpression("^Pet again/")).size(), 3);
}

TEST_F(CliTest, FolderRoundTripGivesTheSameFiles) {
    QByteArray bytes(5 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7919 % 251);
    write(path("src/big.bin"), bytes);
    write(path("src/empty"), "");
    write(path("src/crlf.bas"), "Sub A()\r\nEnd Sub\r\n");
    write(path("src/no newline.txt"), "last line");
    write(path("src/.hidden"), "dot file\n");
    write(path("src/Ünïcode dir/naïve ☃.txt"),
          "\xef\xbb\xbf"
          "bom and ü\n");
    write(path("src/a/b/c/deep.sql"), "SELECT 'it''s';\n");
    write(path("src/a/site.url"), "[InternetShortcut]\r\nURL=https://example.org/x?y=1\r\n");
    write(path("src/latin1.txt"), "caf\xe9\n");
    QDir().mkpath(path("src/empty folder"));
    ok({"import", "folder", path("src"), "--category", "Round/Trip"});
    ok({"export", "folder", path("dst"), "--category", "Round/Trip"});
    EXPECT_EQ(tree(path("dst")), tree(path("src")));
    // The whole library: the tree under its top category.
    ok({"export", "folder", path("all")});
    EXPECT_EQ(tree(path("all/Round/Trip")), tree(path("src")));
}

TEST_F(CliTest, MalformedInputIsRefusedWhole) {
    ok({"mkcat", "Kept"});
    ok({"add", "--category", "Kept", "--name", "one"}, "1");
    const QStringList before = content();
    const QString longName = QString(300, 'n');
    struct Case {
        const char* format;
        const char* file;
        QByteArray text;
        const char* message;
    };
    const Case cases[] = {
        {"vscode", "a.code-snippets", "{\"x\": {\"body\": \"a\"},\n \"y\": {\"body\": }\n}",
         "a.code-snippets: malformed JSON at line 2"},
        {"vscode", "b.json", "[1, 2]", "one JSON object"},
        {"vscode", "c.json", "{\"x\": {\"body\": [\"a\", 2]}}", "body of 'x'"},
        {"vscode", "d.json", "{\"x\": {\"prefix\": \"p\"}}", "has no body"},
        {"vscode", "e.json", "{\"x\": 5}", "not a snippet object"},
        // Written until the long name, which the library refuses: the transaction takes all of it back.
        {"vscode", "f.json",
         "{\"a\": {\"body\": \"1\"}, \"b\": {\"body\": \"2\"}, \"" + longName.toUtf8() +
             "\": {\"body\": \"3\"}}",
         "too long"},
        {"pet", "g.toml", "[[snippets]]\ncommand = \"ls\"\ndescription = \n",
         "g.toml: malformed TOML at line"},
        {"pet", "h.toml", "[[snippets]]\ncommand = 5\n", "'command' is not a string"},
        {"pet", "i.toml", "snippets = 3\n", "not a list"},
        {"folder", "missing", {}, "No such folder"},
    };
    for (const Case& c : cases) {
        if (!c.text.isEmpty()) write(path(c.file), c.text);
        const Outcome o = run({"import", c.format, path(c.file), "--category", "Imported"});
        EXPECT_NE(o.status, 0) << c.file;
        EXPECT_TRUE(o.err.contains(c.message)) << c.file << ": " << o.err.toStdString();
        EXPECT_EQ(content(), before) << c.file;
        EXPECT_EQ(json({"list", "--categories"}).toArray().size(), 1) << c.file;
    }
}

TEST_F(CliTest, ALockedLibraryIsInUse) {
    ok({"mkcat", "Kept"});
    const QByteArray before = read(lib);
    {
        const std::unique_ptr<engine::Database> held = store::lockForReplacement(lib);
        ASSERT_TRUE(held);
        for (const QStringList& args :
             {QStringList{"list"}, QStringList{"import", "folder", folder()}, QStringList{"compact"}}) {
            const Outcome o = run(args);
            EXPECT_EQ(o.status, 5) << args.join(' ').toStdString();
            EXPECT_TRUE(o.err.contains("is in use and locked by another user or program"))
                << o.err.toStdString();
        }
    }
    EXPECT_EQ(read(lib), before);
}

TEST_F(CliTest, ADamagedLibraryIsToldAndRepaired) {
    ok({"mkcat", "Big"});
    for (int i = 0; i < 40; ++i)
        ok({"add", "--category", "Big", "--name", QString("item %1").arg(i)},
           QByteArray(3000, char('a' + i % 26)));
    ok({"rm", "item 0", "--yes"});
    const qint64 size = QFileInfo(lib).size();
    ok({"compact"});
    EXPECT_LT(QFileInfo(lib).size(), size);
    // Pages in the middle overwritten: the check says so, the repair keeps what can be read.
    QFile file(lib);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(file.size() / 2);
    file.write(QByteArray(8192, '\x5a'));
    file.close();
    const Outcome damaged = run({"check"});
    EXPECT_EQ(damaged.status, 1) << damaged.out.toStdString();
    EXPECT_TRUE(damaged.out.contains("DAMAGED") && damaged.err.contains("morvane repair"))
        << damaged.err.toStdString();
    ok({"repair"});
    EXPECT_TRUE(ok({"check"}).out.contains("Sound."));
    EXPECT_GT(json({"list"}).toArray().size(), 0);
}

}  // namespace
