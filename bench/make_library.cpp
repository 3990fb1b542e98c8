#include "bench/make_library.h"
#include "store/library_schema.h"

#include <QDateTime>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string_view>
#include <vector>

#ifndef MRV_BENCH_DATA_DIR
#define MRV_BENCH_DATA_DIR "bench-data"
#endif

namespace bench {

namespace {

namespace fs = std::filesystem;

// Raised whenever the generated content changes, so stale cached files are not reused.
constexpr int kGeneratorVersion = 1;

constexpr std::array kVerbs{"Get",   "Set",    "Find",    "Parse",  "Format", "Load",    "Save",  "Sort",
                            "Copy",  "Delete", "Create",  "Open",   "Close",  "Read",    "Write", "Convert",
                            "Check", "Split",  "Join",    "Encode", "Decode", "Compare", "Merge", "Build",
                            "Show",  "Hide",   "Refresh", "Count",  "Trim",   "Replace"};
constexpr std::array kNouns{
    "File",    "Folder",    "Path",     "String",   "Array",   "Registry", "Window",   "Form",
    "Control", "Recordset", "Database", "Date",     "Time",    "Number",   "Color",    "Font",
    "Printer", "Clipboard", "Buffer",   "Stream",   "Socket",  "Url",      "Cookie",   "Header",
    "Token",   "Key",       "Value",    "List",     "Tree",    "Node",     "Image",    "Icon",
    "Cursor",  "Menu",      "Toolbar",  "Settings", "Profile", "Account",  "Password", "Checksum",
    "Archive", "Log",       "Message",  "Error",    "Timer",   "Thread",   "Process",  "Service",
    "Query",   "Table",     "Field",    "Index",    "Report",  "Grid",     "Column",   "Row"};
constexpr std::array kTopics{"Strings",   "File I/O",    "Database",  "Windows API", "Graphics", "Networking",
                             "Registry",  "Controls",    "Math",      "Dates",       "Printing", "Security",
                             "Sorting",   "Collections", "Classes",   "Forms",       "Internet", "Multimedia",
                             "Utilities", "Debugging",   "Threading", "XML",         "Reports",  "Add-ins"};
constexpr std::array kTypes{"String", "Long", "Integer", "Boolean", "Variant", "Double", "Date", "Object"};
constexpr std::array kAdjectives{"fast",  "simple", "safe",     "generic", "recursive", "buffered",
                                 "small", "robust", "portable", "quick",   "tested",    "reusable"};
constexpr std::array kSites{"vbcode", "devarchive", "codeguru",   "snippets",
                            "planet", "freevb",     "msdnarchive"};

class Text {
public:
    explicit Text(std::uint32_t seed) : m_rng(seed) {}

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    template <typename Array>
    const char* pick(const Array& a) {
        return a[static_cast<size_t>(between(0, static_cast<int>(a.size()) - 1))];
    }
    std::mt19937& rng() { return m_rng; }

    std::string categoryName() {
        std::string s = pick(kTopics);
        if (between(0, 2) > 0) s += std::string(" ") + pick(kNouns) + "s";
        if (between(0, 3) == 0) s += " " + std::to_string(between(2, 99));
        return s;
    }
    std::string procName() {
        std::string s = std::string(pick(kVerbs)) + pick(kNouns);
        if (between(0, 2) == 0) s += pick(kNouns);
        if (between(0, 4) == 0) s += std::to_string(between(2, 9));
        return s;
    }
    std::string url() {
        std::string s = between(0, 1) ? "http://www." : "www.";
        s += std::string(pick(kSites)) + ".com/" + pick(kNouns) + "/" + std::to_string(between(100, 99999)) +
             ".htm";
        return s;
    }
    std::string description() {
        std::string s = std::string("A ") + pick(kAdjectives) + " routine to " + lower(pick(kVerbs)) +
                        " the " + lower(pick(kNouns)) + " of a " + lower(pick(kNouns)) + ".";
        const int more = between(0, 3);
        for (int i = 0; i < more; ++i)
            s += std::string(" Works with any ") + lower(pick(kNouns)) + " and returns a " + pick(kTypes) +
                 "; " + pick(kAdjectives) + " when the " + lower(pick(kNouns)) + " is empty.";
        return s;
    }
    std::string code(const std::string& name) {
        const char* type = pick(kTypes);
        const std::string arg = std::string("s") + pick(kNouns);
        std::string s = std::string("Public Function ") + name + "(ByVal " + arg + " As String) As " + type +
                        "\r\n" + "    ' " + description() + "\r\n" + "    Dim i As Long, n As Long\r\n" +
                        "    n = Len(" + arg + ")\r\n";
        const int statements = between(2, 9);
        for (int i = 0; i < statements; ++i) {
            switch (between(0, 3)) {
                case 0:
                    s += "    For i = 1 To n\r\n        If Mid$(" + arg + ", i, 1) = \"" +
                         static_cast<char>('A' + between(0, 25)) + "\" Then Exit For\r\n    Next i\r\n";
                    break;
                case 1:
                    s += std::string("    ") + arg + " = " + pick(kVerbs) + pick(kNouns) + "(" + arg + ", " +
                         std::to_string(between(0, 255)) + ")\r\n";
                    break;
                case 2:
                    s += "    If n = 0 Then\r\n        " + name + " = " + (type[0] == 'S' ? "\"\"" : "0") +
                         "\r\n        Exit Function\r\n    End If\r\n";
                    break;
                default:
                    s += std::string("    Debug.Print \"") + pick(kVerbs) + " " + lower(pick(kNouns)) +
                         ": \" & n\r\n";
            }
        }
        s += "End Function\r\n";
        return s;
    }
    std::string date() {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", between(1998, 2024), between(1, 12), between(1, 28));
        return buf;
    }
    void fill(std::vector<unsigned char>& bytes) {
        // Cheap non-repeating content: the store must not see runs it could treat specially.
        std::uint64_t x = m_rng() | (static_cast<std::uint64_t>(m_rng()) << 32) | 1;
        for (auto& b : bytes) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            b = static_cast<unsigned char>(x);
        }
    }

private:
    static std::string lower(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    }
    std::mt19937 m_rng;
};

[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(db, sql);
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) fail(db, sql);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Statement& bind(int i, const std::string& v) {
        sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int i) {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    Statement& bindZeroBlob(int i, std::int64_t size) {
        sqlite3_bind_zeroblob64(m_stmt, i, static_cast<sqlite3_uint64>(size));
        return *this;
    }
    Statement& bindBlob(int i, const std::vector<unsigned char>& v) {
        sqlite3_bind_blob(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    void run() {
        if (sqlite3_step(m_stmt) != SQLITE_DONE) fail(m_db, "insert");
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

class Connection {
public:
    explicit Connection(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            fail(m_db, "open " + path);
        }
    }
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    operator sqlite3*() const { return m_db; }

private:
    [[noreturn]] void fail(sqlite3* db, const std::string& what) {
        const std::string message = what + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        throw std::runtime_error(message);
    }
    sqlite3* m_db = nullptr;
};

// The schema is the program's own; only the bulk of the rows goes in through plain SQLite.
void createSchema(const std::string& path) {
    const store::LibraryGroup group{"{6D8E1C2A-0B4F-4E8B-9C61-3F2A5D7E9B10}", "Synthetic",
                                    QDateTime(QDate(2024, 1, 1), QTime(0, 0))};
    store::createLibrary(QString::fromStdString(path), group)->Close();
}

void removeFile(const std::string& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
}

// Each level holds twice as many categories as the one above, every level at least one.
std::vector<int> levelSizes(int categories, int depth) {
    depth = std::max(1, std::min(depth, categories));
    std::vector<int> sizes(static_cast<size_t>(depth), 1);
    double weight = 0;
    for (int l = 0; l < depth; ++l) weight += double(1 << std::min(l, 20));
    int left = categories - depth;
    for (int l = depth - 1; l >= 0; --l) {
        const int extra = l == 0 ? left : std::min(left, int(left * double(1 << std::min(l, 20)) / weight));
        sizes[static_cast<size_t>(l)] += extra;
        left -= extra;
        weight -= double(1 << std::min(l, 20));
    }
    return sizes;
}

}  // namespace

std::string SyntheticSpec::tag() const {
    return "c" + std::to_string(categories) + "-d" + std::to_string(depth) + "-i" + std::to_string(items) +
           "-f" + std::to_string(largeFiles) + "x" + std::to_string(largeFileSize) + "-s" +
           std::to_string(seed) + "-v" + std::to_string(kGeneratorVersion);
}

std::string dataDir() {
    const char* env = std::getenv("MRV_BENCH_DATA");
    return env && *env ? env : MRV_BENCH_DATA_DIR;
}

void makeEmptyLibrary(const std::string& path) {
    removeFile(path);
    createSchema(path);
}

void makeSyntheticLibrary(const std::string& path, const SyntheticSpec& spec) {
    if (spec.categories < 1 || spec.items < 0 || spec.largeFiles < 0 || spec.largeFileSize < 0)
        throw std::runtime_error("bad synthetic library parameters");
    removeFile(path);
    createSchema(path);
    Connection db(path);
    // Nothing here needs to survive a crash: an interrupted file is never renamed into the cache.
    exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
    exec(db, "BEGIN");
    Text text(spec.seed);

    Statement category(
        db, "INSERT INTO \"Category\"(\"CatKey\", \"ParentKey\", \"Type\", \"Name\") VALUES(?,?,?,?)");
    std::vector<int> previousLevel{0};
    int key = 0;
    for (int size : levelSizes(spec.categories, spec.depth)) {
        std::vector<int> level;
        for (int i = 0; i < size; ++i) {
            level.push_back(++key);
            const int parent =
                previousLevel[static_cast<size_t>(text.between(0, int(previousLevel.size()) - 1))];
            const int kind = text.between(0, 19);
            category.bind(1, key).bind(2, parent).bind(4, text.categoryName());
            if (kind == 0)
                category.bind(3, std::string("WebSite"));
            else if (kind == 1)
                category.bind(3, std::string("File"));
            else
                category.bindNull(3);
            category.run();
        }
        previousLevel = std::move(level);
    }

    Statement item(db,
                   "INSERT INTO \"Procedure\"(\"CatKey\", \"Name\", \"Type\", \"Desc\", \"Code\", \"File\", "
                   "\"Owner\", \"LastChanged\", \"LastChangedBy\") VALUES(?,?,?,?,?,?,1,?,1)");
    std::vector<unsigned char> small;
    for (int i = 0; i < spec.items; ++i) {
        item.bind(1, text.between(1, spec.categories));
        const int kind = text.between(0, 99);
        if (kind < 88) {
            const std::string name = text.procName();
            item.bind(2, name).bind(3, std::string("Text/Code")).bind(5, text.code(name));
            item.bind(4, text.description()).bindNull(6);
        } else if (kind < 97) {
            item.bind(2, text.url()).bind(3, std::string("WebSite")).bind(5, std::string("Web Shortcut"));
            item.bind(4, text.description()).bindNull(6);
        } else {
            small.resize(static_cast<size_t>(text.between(200, 6000)));
            text.fill(small);
            item.bind(2, text.procName() + (text.between(0, 1) ? ".bas" : ".cls"))
                .bind(3, std::string("File"));
            item.bind(4, std::string("File")).bindNull(5).bindBlob(6, small);
        }
        item.bind(7, text.date());
        item.run();
    }

    std::vector<unsigned char> piece(65536);
    for (int f = 0; f < spec.largeFiles; ++f) {
        item.bind(1, text.between(1, spec.categories)).bind(2, "Archive" + std::to_string(f + 1) + ".zip");
        item.bind(3, std::string("File")).bind(4, std::string("File")).bindNull(5);
        item.bindZeroBlob(6, spec.largeFileSize).bind(7, text.date());
        item.run();
        sqlite3_blob* blob = nullptr;
        if (sqlite3_blob_open(db, "main", "Procedure", "File", sqlite3_last_insert_rowid(db), 1, &blob) !=
            SQLITE_OK)
            fail(db, "blob open");
        for (std::int64_t offset = 0; offset < spec.largeFileSize; offset += std::int64_t(piece.size())) {
            const int n =
                int(std::min<std::int64_t>(std::int64_t(piece.size()), spec.largeFileSize - offset));
            text.fill(piece);
            if (sqlite3_blob_write(blob, piece.data(), n, int(offset)) != SQLITE_OK) {
                sqlite3_blob_close(blob);
                fail(db, "blob write");
            }
        }
        sqlite3_blob_close(blob);
    }
    exec(db, "COMMIT");
}

int benchItems() {
    const char* items = std::getenv("MRV_BENCH_ITEMS");
    return items && std::atoi(items) > 0 ? std::atoi(items) : 100000;
}

std::string cachedLibrary(const SyntheticSpec& spec) {
    const fs::path dir = dataDir();
    fs::create_directories(dir);
    const std::string path = (dir / ("synthetic-" + spec.tag() + ".mdb")).string();
    if (fs::exists(path)) return path;
    const std::string part = path + ".part";
    makeSyntheticLibrary(part, spec);
    fs::rename(part, path);
    return path;
}

std::int64_t largeFileKey(const SyntheticSpec& spec, int index) {
    return std::int64_t(spec.items) + index + 1;
}

}  // namespace bench
