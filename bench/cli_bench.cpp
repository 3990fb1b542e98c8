// The command line's import and search, run as the program runs them, beside plain SQLite doing the
// same work in the same run: 10,000 VS Code snippets parsed and inserted in one transaction, and the
// quick search's word over the 100,000-item synthetic library with SQLite's own LIKE, each row
// printed as "key, category path and name, type, description" to the same output. MRV_BENCH_TINY=1
// uses small inputs for the smoke run.

#include "bench/bench_support.h"
#include "bench/make_library.h"
#include "cli/cli.h"
#include "store/startup.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

using bench::guarded;

QString g_snippets;  // the VS Code snippet file
QString g_empty;     // an empty library, copied before each import
QString g_work;      // the library an import writes into
QString g_search;    // the synthetic library searched
QString g_output;    // where standard output goes meanwhile

int snippetCount() {
    return bench::tiny() ? 200 : 10000;
}

void writeSnippets() {
    QJsonObject snippets;
    for (int i = 0; i < snippetCount(); ++i) {
        QJsonArray body;
        for (int line = 0; line < 6; ++line)
            body << QStringLiteral("    value%1 = compute(value%2, %3);  // step %3")
                        .arg(i)
                        .arg(line)
                        .arg(line);
        snippets.insert(QStringLiteral("Snippet %1").arg(i, 5, 10, QLatin1Char('0')),
                        QJsonObject{{QStringLiteral("prefix"), QStringLiteral("snip%1").arg(i)},
                                    {QStringLiteral("body"), body},
                                    {QStringLiteral("description"),
                                     QStringLiteral("Computes the value of step %1").arg(i)}});
    }
    QFile file(g_snippets);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the snippets");
    file.write(QJsonDocument(snippets).toJson());
}

void freshLibrary() {
    QFile::remove(g_work);
    if (!QFile::copy(g_empty, g_work)) throw std::runtime_error("cannot copy the empty library");
}

// Standard output into g_output for the time of one run; the lines written.
class CapturedOutput {
public:
    CapturedOutput() : m_saved(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int fd = ::open(QFile::encodeName(g_output).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    ~CapturedOutput() {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    static long lines() {
        QFile file(g_output);
        file.open(QIODevice::ReadOnly);
        return long(file.readAll().count('\n'));
    }

private:
    int m_saved;
};

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

long countItems(const QString& library) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(library).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const long rows = bench::readAllRows(db, "SELECT ProcKey FROM \"Procedure\"");
    sqlite3_close(db);
    return rows;
}

void Import_ours(benchmark::State& state) {
    guarded(state, [&] {
        long rows = 0;
        for (auto _ : state) {
            state.PauseTiming();
            freshLibrary();
            state.ResumeTiming();
            int status = 0;
            {
                const CapturedOutput captured;
                status = cli::run({"import", "vscode", g_snippets, "--library", g_work});
            }
            if (status != 0) throw std::runtime_error("the import failed");
            state.PauseTiming();
            rows = countItems(g_work);
            state.ResumeTiming();
        }
        state.counters["rows"] = double(rows);
    });
}

// The same rows a good plain program would insert: the file parsed, two categories and one row per
// snippet through prepared statements, in one transaction, into the same kind of library (its
// triggers included).
void Import_plain(benchmark::State& state) {
    guarded(state, [&] {
        long rows = 0;
        for (auto _ : state) {
            state.PauseTiming();
            freshLibrary();
            state.ResumeTiming();
            QFile file(g_snippets);
            file.open(QIODevice::ReadOnly);
            const QJsonObject snippets = QJsonDocument::fromJson(file.readAll()).object();
            sqlite3* db = nullptr;
            check(db, sqlite3_open_v2(QFile::encodeName(g_work).constData(), &db, SQLITE_OPEN_READWRITE,
                                      nullptr));
            check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
            check(db, sqlite3_exec(
                          db,
                          "INSERT INTO Category (ParentKey, Name) VALUES (0, 'VS Code Snippets');"
                          "INSERT INTO Category (ParentKey, Name) VALUES (last_insert_rowid(), 'snippets');",
                          nullptr, nullptr, nullptr));
            const sqlite3_int64 catKey = sqlite3_last_insert_rowid(db);
            sqlite3_stmt* insert = nullptr;
            check(db, sqlite3_prepare_v2(
                          db,
                          "INSERT INTO \"Procedure\" (CatKey, Name, Type, \"Desc\", Code, Owner, "
                          "LastChanged, LastChangedBy) VALUES (?1, ?2, 'Text/Code', ?3, ?4, 1, ?5, 1)",
                          -1, &insert, nullptr));
            const QByteArray today = QDate::currentDate().toString(Qt::ISODate).toUtf8();
            for (auto it = snippets.begin(); it != snippets.end(); ++it) {
                const QJsonObject snippet = it.value().toObject();
                QStringList lines;
                for (const QJsonValue& line : snippet.value(QLatin1String("body")).toArray())
                    lines << line.toString();
                const QByteArray name = it.key().toUtf8(), code = lines.join(u'\n').toUtf8();
                const QByteArray desc =
                    (snippet.value(QLatin1String("description")).toString() + QStringLiteral("\n\nPrefix: ") +
                     snippet.value(QLatin1String("prefix")).toString())
                        .toUtf8();
                sqlite3_bind_int64(insert, 1, catKey);
                sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 3, desc.constData(), int(desc.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 4, code.constData(), int(code.size()), SQLITE_STATIC);
                sqlite3_bind_text(insert, 5, today.constData(), int(today.size()), SQLITE_STATIC);
                check(db, sqlite3_step(insert));
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
            sqlite3_close(db);
            state.PauseTiming();
            rows = countItems(g_work);
            state.ResumeTiming();
        }
        state.counters["rows"] = double(rows);
    });
}

const char* kWord = "checksum";

void Search_ours(benchmark::State& state) {
    guarded(state, [&] {
        long rows = 0;
        for (auto _ : state) {
            int status = 0;
            {
                const CapturedOutput captured;
                status = cli::run({"search", kWord, "--library", g_search});
            }
            if (status != 0) throw std::runtime_error("the search failed");
            rows = CapturedOutput::lines();
        }
        state.counters["rows"] = double(rows);
    });
}

// The plain program: the categories' paths from their table, SQLite's own LIKE over the same three
// columns, each row printed the same way.
void Search_plain(benchmark::State& state) {
    guarded(state, [&] {
        long rows = 0;
        for (auto _ : state) {
            const CapturedOutput captured;
            sqlite3* db = nullptr;
            check(db, sqlite3_open_v2(QFile::encodeName(g_search).constData(), &db, SQLITE_OPEN_READONLY,
                                      nullptr));
            QHash<qint64, std::pair<qint64, QString>> categories;
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, "SELECT CatKey, ParentKey, Name FROM Category", -1, &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                categories.insert(
                    sqlite3_column_int64(stmt, 0),
                    {sqlite3_column_int64(stmt, 1),
                     QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)))});
            sqlite3_finalize(stmt);
            QHash<qint64, QString> paths;
            for (auto it = categories.begin(); it != categories.end(); ++it) {
                QString path = it->second;
                int depth = 0;
                for (auto up = categories.find(it->first); up != categories.end() && ++depth < 64;
                     up = categories.find(up->first))
                    path = up->second + u'/' + path;
                paths.insert(it.key(), path);
            }
            const std::string w = kWord;
            const std::string sql =
                "SELECT P.ProcKey, P.CatKey, P.Name, P.Type, P.\"Desc\" FROM \"Procedure\" AS P INNER JOIN "
                "Category AS "
                "C ON P.CatKey = C.CatKey WHERE C.Name LIKE '%" +
                w + "%' OR P.Name LIKE '%" + w + "%' OR P.\"Desc\" LIKE '%" + w +
                "%' ORDER BY C.Name, P.Name";
            check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr));
            QByteArray out;
            rows = 0;
            const auto text = [&](int c) {
                return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                         sqlite3_column_bytes(stmt, c));
            };
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                out += (QString::number(sqlite3_column_int64(stmt, 0)) + u'\t' +
                        paths.value(sqlite3_column_int64(stmt, 1)) + u'/' + text(2) + u'\t' + text(3) +
                        u'\t' + text(4).section(u'\n', 0, 0) + u'\n')
                           .toUtf8();
                ++rows;
            }
            sqlite3_finalize(stmt);
            sqlite3_close(db);
            if (::write(STDOUT_FILENO, out.constData(), size_t(out.size())) != out.size())
                throw std::runtime_error("cannot write the output");
        }
        state.counters["rows"] = double(rows);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::PrivateHome home;
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("morvane"));
    store::StartUp();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    try {
        const QString work = QDir::tempPath() + QStringLiteral("/cli-bench");
        QDir().mkpath(work);
        g_snippets = work + QStringLiteral("/snippets.code-snippets");
        g_empty = work + QStringLiteral("/empty.mdb");
        g_work = work + QStringLiteral("/import.mdb");
        g_output = work + QStringLiteral("/output.txt");
        bench::makeEmptyLibrary(g_empty.toStdString());
        writeSnippets();
        bench::SyntheticSpec spec;
        spec.largeFiles = 0;
        if (bench::tiny()) spec = {12, 3, 300, 0, 0, 1};
        g_search = QString::fromStdString(bench::cachedLibrary(spec));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot prepare the inputs: %s\n", e.what());
        return 1;
    }
    const int imports = bench::tiny() ? 1 : 5, searches = bench::tiny() ? 1 : 10;
    benchmark::RegisterBenchmark("Import/plain", Import_plain)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(imports);
    benchmark::RegisterBenchmark("Import/ours", Import_ours)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(imports);
    benchmark::RegisterBenchmark("Search/plain", Search_plain)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(searches);
    benchmark::RegisterBenchmark("Search/ours", Search_ours)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(searches);
    bench::RatioReporter reporter({{"Import", 2.0}, {"Search", 1.5}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
