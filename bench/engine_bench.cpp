// The engine against plain SQLite doing the same work on the same file, in the same run. Each case
// has an "ours" and a "plain" variant; the run ends with a table of the ratios.

#include "bench/bench_support.h"
#include "bench/make_library.h"
#include "platform/ui.h"
#include "store/engine/engine.h"
#include "store/engine/replication.h"
#include "store/repair_compact.h"

#include <QByteArray>
#include <QString>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using bench::guarded;
using bench::PeakGrowth;
using bench::readAllRows;
using bench::statusKb;
using bench::tiny;
namespace fs = std::filesystem;

const bench::SyntheticSpec& spec() {
    static const bench::SyntheticSpec s = [] {
        bench::SyntheticSpec t;
        if (tiny()) {
            t.categories = 12;
            t.depth = 3;
            t.items = 300;
            t.largeFiles = 1;
            t.largeFileSize = 5 * engine::kChunkSize + 123;
        }
        return t;
    }();
    return s;
}

// Generated once per run and reused between runs.
const std::string& library() {
    static const std::string path = bench::cachedLibrary(spec());
    return path;
}

std::string scratch(const std::string& name) {
    fs::create_directories(bench::dataDir());
    return (fs::path(bench::dataDir()) / name).string();
}

void removeLibrary(const std::string& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(path + suffix, ignored);
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// --- plain SQLite helpers ---------------------------------------------------------------------

class Plain {
public:
    explicit Plain(const std::string& path, bool writable = false) {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) fail("open");
    }
    ~Plain() { sqlite3_close(m_db); }
    Plain(const Plain&) = delete;
    Plain& operator=(const Plain&) = delete;
    sqlite3* db() const { return m_db; }

    void exec(const std::string& sql) {
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
    }
    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) fail(sql);
        return stmt;
    }
    [[noreturn]] void fail(const std::string& what) {
        throw std::runtime_error(what + ": " + sqlite3_errmsg(m_db));
    }

private:
    sqlite3* m_db = nullptr;
};

// Reads every non-binary field of every row; returns the row count.
long readAllRows(engine::Recordset& rs) {
    std::vector<int> fields;
    for (int i = 0; i < rs.FieldCount(); ++i)
        if (rs.Fields(i).Type() != engine::dbLongBinary) fields.push_back(i);
    long rows = 0;
    for (; !rs.eof(); rs.MoveNext()) {
        for (int i : fields) benchmark::DoNotOptimize(rs.Fields(i).Value());
        ++rows;
    }
    return rows;
}

// --- 1. opening a library ---------------------------------------------------------------------

const char* const kSystemQuery = "SELECT * FROM [System]";

void Open_ours(benchmark::State& state) {
    guarded(state, [&] {
        const QString path = q(library());
        for (auto _ : state) {
            auto db = engine::openDatabase(path);
            auto rs = db->OpenRecordset(kSystemQuery, engine::dbOpenSnapshot, engine::dbReadOnly);
            for (int i = 0; i < rs->FieldCount(); ++i) benchmark::DoNotOptimize(rs->Fields(i).Value());
        }
    });
}

void Open_plain(benchmark::State& state) {
    guarded(state, [&] {
        for (auto _ : state) {
            Plain db(library(), true);
            sqlite3_stmt* stmt = db.prepare("SELECT * FROM \"System\"");
            readAllRows(stmt);
            sqlite3_finalize(stmt);
        }
    });
}

// --- 2. the item list of the root ---------------------------------------------------------------

void List_ours(benchmark::State& state) {
    guarded(state, [&] {
        auto db = engine::openDatabase(q(library()));
        long rows = 0;
        for (auto _ : state) {
            auto rs = db->OpenRecordset(
                "SELECT P.*, C.Name AS CatName FROM [Procedure] AS P, Category AS C WHERE P.Catkey = "
                "C.Catkey "
                "ORDER BY C.Name, P.Name",
                engine::dbOpenDynaset, engine::dbReadOnly);
            rows = readAllRows(*rs);
        }
        state.counters["rows"] = double(rows);
    });
}

void List_plain(benchmark::State& state) {
    guarded(state, [&] {
        Plain db(library());
        long rows = 0;
        for (auto _ : state) {
            sqlite3_stmt* stmt = db.prepare(
                "SELECT P.ProcKey, P.CatKey, P.Name, P.Type, P.Desc, P.Code, P.Owner, P.LastChanged, "
                "P.LastChangedBy, C.Name AS CatName FROM \"Procedure\" AS P, Category AS C "
                "WHERE P.CatKey = C.CatKey ORDER BY C.Name, P.Name");
            rows = readAllRows(stmt);
            sqlite3_finalize(stmt);
        }
        state.counters["rows"] = double(rows);
    });
}

// --- 3. quick search ----------------------------------------------------------------------------

// A word in about one row in seven, and one in about one row in two thousand.
const char* const kSearchWide = "registry";
const char* const kSearchNarrow = "gettoken";

void Search_ours(benchmark::State& state, const char* text) {
    guarded(state, [&] {
        auto db = engine::openDatabase(q(library()));
        const QString t = text;
        const QString sql =
            "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, P.LastChanged "
            "FROM [Procedure] AS P INNER JOIN Category AS C ON P.CatKey = C.CatKey WHERE  C.Name "
            "Like '*" +
            t + "*' OR   P.Name Like '*" + t + "*' OR  P.Desc Like '*" + t + "*'  ORDER BY C.Name, P.Name";
        long rows = 0;
        for (auto _ : state) {
            auto rs = db->OpenRecordset(sql, engine::dbOpenDynaset, engine::dbReadOnly);
            rows = readAllRows(*rs);
        }
        state.counters["rows"] = double(rows);
    });
}

void Search_plain(benchmark::State& state, const char* text) {
    guarded(state, [&] {
        Plain db(library());
        const std::string t = text;
        const std::string sql =
            "SELECT P.ProcKey, C.Name AS CatName, P.Name, P.Type, P.Desc, P.Code, "
            "P.LastChanged FROM \"Procedure\" AS P INNER JOIN Category AS C ON P.CatKey = "
            "C.CatKey WHERE C.Name LIKE '%" +
            t + "%' OR P.Name LIKE '%" + t + "%' OR P.Desc LIKE '%" + t + "%' ORDER BY C.Name, P.Name";
        long rows = 0;
        for (auto _ : state) {
            sqlite3_stmt* stmt = db.prepare(sql);
            rows = readAllRows(stmt);
            sqlite3_finalize(stmt);
        }
        state.counters["rows"] = double(rows);
    });
}

// --- 4. a large stored file in pieces -----------------------------------------------------------

std::vector<QByteArray> pieces() {
    std::vector<QByteArray> result(4);
    unsigned x = 12345;
    for (auto& piece : result) {
        piece.resize(engine::kChunkSize);
        for (char& c : piece) c = char((x = x * 1103515245 + 12345) >> 16);
    }
    return result;
}

// The case measures nothing if the value did not arrive whole.
void checkStoredSize(sqlite3* db, qint64 expected) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT length(File) FROM \"Procedure\"", -1, &stmt, nullptr);
    const bool ok = stmt && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) == expected;
    sqlite3_finalize(stmt);
    if (!ok) throw std::runtime_error("the stored file was not written whole");
}

void BlobWrite_ours(benchmark::State& state) {
    const std::string path = scratch("scratch-write-ours.mdb");
    guarded(state, [&] {
        bench::makeEmptyLibrary(path);
        auto db = engine::openDatabase(q(path));
        const auto data = pieces();
        const qint64 size = spec().largeFileSize;
        for (auto _ : state) {
            auto rs = db->OpenRecordset("SELECT * FROM [Procedure] Where ProcKey = NULL");
            rs->AddNew();
            engine::Field file = rs->Fields("File");
            // Leading remainder first, then whole pieces: how files are stored.
            qint64 written = size % engine::kChunkSize;
            if (written) file.AppendChunk(data[0].left(written));
            for (size_t i = 0; written < size; written += engine::kChunkSize, ++i)
                file.AppendChunk(data[i % data.size()]);
            rs->Fields("CatKey").setValue(1);
            rs->Fields("Type").setValue("File");
            rs->Fields("Name").setValue("Archive.zip");
            rs->Fields("Desc").setValue("File");
            rs->Fields("Owner").setValue(1);
            rs->Fields("LastChangedBy").setValue(1);
            rs->Fields("LastChanged").setValue("01/02/24");
            rs->Update();
            rs->Close();
            state.PauseTiming();
            checkStoredSize(db->handle(), size);
            db->Execute("DELETE FROM [Procedure]");
            state.ResumeTiming();
        }
        state.SetBytesProcessed(state.iterations() * size);
    });
    removeLibrary(path);
}

void BlobWrite_plain(benchmark::State& state) {
    const std::string path = scratch("scratch-write-plain.mdb");
    guarded(state, [&] {
        bench::makeEmptyLibrary(path);
        Plain db(path, true);
        const auto data = pieces();
        const qint64 size = spec().largeFileSize;
        for (auto _ : state) {
            db.exec("BEGIN");
            db.exec(
                "INSERT INTO \"Procedure\"(CatKey, Type, Name, Desc, File, Owner, LastChangedBy, "
                "LastChanged) "
                "VALUES(1, 'File', 'Archive.zip', 'File', zeroblob(" +
                std::to_string(size) + "), 1, 1, '2024-01-02')");
            sqlite3_blob* blob = nullptr;
            if (sqlite3_blob_open(db.db(), "main", "Procedure", "File", sqlite3_last_insert_rowid(db.db()), 1,
                                  &blob) != SQLITE_OK)
                db.fail("blob open");
            qint64 written = size % engine::kChunkSize;
            if (written) sqlite3_blob_write(blob, data[0].constData(), int(written), 0);
            for (size_t i = 0; written < size; written += engine::kChunkSize, ++i) {
                if (sqlite3_blob_write(blob, data[i % data.size()].constData(), engine::kChunkSize,
                                       int(written)) != SQLITE_OK) {
                    sqlite3_blob_close(blob);
                    db.fail("blob write");
                }
            }
            sqlite3_blob_close(blob);
            db.exec("COMMIT");
            state.PauseTiming();
            checkStoredSize(db.db(), size);
            db.exec("DELETE FROM \"Procedure\"");
            state.ResumeTiming();
        }
        state.SetBytesProcessed(state.iterations() * size);
    });
    removeLibrary(path);
}

void BlobRead_ours(benchmark::State& state) {
    guarded(state, [&] {
        auto db = engine::openDatabase(q(library()));
        const QString sql = "SELECT Type, Name, Desc, Code, File FROM [Procedure] Where ProcKey = " +
                            QString::number(bench::largeFileKey(spec(), 0));
        qint64 size = 0;
        PeakGrowth peak;
        for (auto _ : state) {
            auto rs = db->OpenRecordset(sql, engine::dbOpenDynaset, engine::dbReadOnly);
            const engine::Field file = rs->Fields("File");
            size = file.FieldSize();
            for (qint64 offset = 0; offset < size; offset += engine::kChunkSize) {
                const QByteArray piece =
                    file.GetChunk(offset, std::min<qint64>(engine::kChunkSize, size - offset));
                benchmark::DoNotOptimize(piece.constData());
            }
        }
        state.counters["peak_rss_growth_kB"] = peak.kb();
        state.SetBytesProcessed(state.iterations() * size);
        if (size != spec().largeFileSize) throw std::runtime_error("stored file has the wrong size");
    });
}

void BlobRead_plain(benchmark::State& state) {
    guarded(state, [&] {
        Plain db(library());
        const sqlite3_int64 key = bench::largeFileKey(spec(), 0);
        std::vector<char> buffer(engine::kChunkSize);
        qint64 size = 0;
        PeakGrowth peak;
        for (auto _ : state) {
            sqlite3_blob* blob = nullptr;
            if (sqlite3_blob_open(db.db(), "main", "Procedure", "File", key, 0, &blob) != SQLITE_OK)
                db.fail("blob open");
            size = sqlite3_blob_bytes(blob);
            for (qint64 offset = 0; offset < size; offset += engine::kChunkSize) {
                const int n = int(std::min<qint64>(engine::kChunkSize, size - offset));
                if (sqlite3_blob_read(blob, buffer.data(), n, int(offset)) != SQLITE_OK) {
                    sqlite3_blob_close(blob);
                    db.fail("blob read");
                }
                benchmark::DoNotOptimize(buffer.data());
            }
            sqlite3_blob_close(blob);
        }
        state.counters["peak_rss_growth_kB"] = peak.kb();
        state.SetBytesProcessed(state.iterations() * size);
    });
}

// --- 5. compacting ------------------------------------------------------------------------------

void vacuumInto(const std::string& source, const std::string& target) {
    Plain db(source);
    sqlite3_stmt* stmt = db.prepare("VACUUM INTO ?");
    sqlite3_bind_text(stmt, 1, target.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) db.fail("vacuum");
}

void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot sync " + path);
    ::close(fd);
}

void Compact_ours(benchmark::State& state) {
    const std::string target = scratch("compact-ours.mdb");
    guarded(state, [&] {
        removeLibrary(target);
        for (auto _ : state) {
            engine::CompactDatabase(q(library()), q(target));
            state.PauseTiming();
            removeLibrary(target);
            state.ResumeTiming();
        }
        state.SetBytesProcessed(state.iterations() * qint64(fs::file_size(library())));
    });
    removeLibrary(target);
}

void Compact_plain(benchmark::State& state) {
    const std::string target = scratch("compact-plain.mdb");
    guarded(state, [&] {
        removeLibrary(target);
        for (auto _ : state) {
            vacuumInto(library(), target);
            syncFile(target);  // ours syncs the new file: a library that a crash can lose is not done
            state.PauseTiming();
            removeLibrary(target);
            state.ResumeTiming();
        }
        state.SetBytesProcessed(state.iterations() * qint64(fs::file_size(library())));
    });
    removeLibrary(target);
}

// --- 6. exchanging changes between two replicas -------------------------------------------------
// Two 100,000-item members of one replica set; one has 10,000 changed and 1,000 deleted items. Ours:
// the engine's exchange. Plain: copying the same rows with INSERT ... SELECT between attached files.

const char* const kChanged = "ProcKey % 10 = 0";
const char* const kDeleted = "ProcKey % 100 = 1";

struct ExchangeFiles {
    std::string changed, replica, plainTarget;
};

const ExchangeFiles& exchangeFiles() {
    static const ExchangeFiles files = [] {
        bench::SyntheticSpec s = spec();
        s.largeFiles = 0;
        const std::string base = bench::cachedLibrary(s);
        ExchangeFiles f{scratch("exchange-changed.mdb"), scratch("exchange-replica.mdb"),
                        scratch("exchange-plain-target.mdb")};
        for (const std::string& p : {f.changed, f.replica, f.plainTarget}) removeLibrary(p);
        fs::copy_file(base, f.changed);
        auto db = engine::openDatabase(q(f.changed));
        engine::MakeReplica(*db, q(f.replica), "Replica of " + q(f.changed));
        db->Execute(QString("UPDATE [Procedure] SET Code = Code & ' (changed)' WHERE ") + kChanged);
        db->Execute(QString("DELETE FROM [Procedure] WHERE ") + kDeleted);
        db->Close();
        // The plain target is the same replica without the engine's change tracking and type checks.
        fs::copy_file(f.replica, f.plainTarget);
        Plain plain(f.plainTarget, true);
        for (const char* t : {"Procedure", "Category", "System"}) {
            for (const char* op : {"insert", "update", "delete"})
                plain.exec(std::string("DROP TRIGGER IF EXISTS \"mrv_") + t + "_" + op + "\"");
            for (const char* op : {"insert", "update"})
                plain.exec(std::string("DROP TRIGGER IF EXISTS \"mrv_types_") + op + "_" + t + "\"");
        }
        return f;
    }();
    return files;
}

// A new copy of from at target for each round, outside the timed part.
void freshCopy(benchmark::State& state, const std::string& from, const std::string& target) {
    state.PauseTiming();
    removeLibrary(target);
    fs::copy_file(from, target);
    state.ResumeTiming();
}

void Exchange_ours(benchmark::State& state) {
    const std::string target = scratch("exchange-ours.mdb");
    guarded(state, [&] {
        const ExchangeFiles& f = exchangeFiles();
        long moved = 0;
        for (auto _ : state) {
            freshCopy(state, f.replica, target);
            auto db = engine::openDatabase(q(f.changed));
            const engine::SyncReport r = engine::Synchronize(*db, q(target), engine::dbRepExportChanges);
            moved = r.updated + r.deleted;
        }
        state.counters["rows"] = double(moved);
    });
    removeLibrary(target);
}

void Exchange_plain(benchmark::State& state) {
    const std::string target = scratch("exchange-plain.mdb");
    guarded(state, [&] {
        const ExchangeFiles& f = exchangeFiles();
        long moved = 0;
        for (auto _ : state) {
            freshCopy(state, f.plainTarget, target);
            Plain db(target, true);
            db.exec("ATTACH DATABASE '" + f.changed + "' AS src");
            db.exec("BEGIN IMMEDIATE");
            db.exec(std::string(
                        "INSERT OR REPLACE INTO main.\"Procedure\" SELECT * FROM src.\"Procedure\" WHERE ") +
                    kChanged);
            moved = sqlite3_changes(db.db());
            db.exec(std::string("DELETE FROM main.\"Procedure\" WHERE ") + kDeleted);
            moved += sqlite3_changes(db.db());
            db.exec("COMMIT");
        }
        state.counters["rows"] = double(moved);
    });
    removeLibrary(target);
}

// --- 7. repairing and compacting a library in place ---------------------------------------------
// Ours: RepairCompact (the library locked, copied, checked, compacted into a new file beside it,
// synced and renamed over it). Plain: what a careful script does with SQLite alone: copy the file,
// VACUUM INTO a new file from the copy, sync it, rename it over the library, sync the folder.

// A fresh copy of the library for each round, written out before the round starts.
void freshLibrary(benchmark::State& state, const std::string& target) {
    freshCopy(state, library(), target);
    state.PauseTiming();
    ::sync();
    state.ResumeTiming();
}

void RepairCompact_ours(benchmark::State& state) {
    const std::string target = scratch("repair-ours.mdb");
    guarded(state, [&] {
        for (auto _ : state) {
            freshLibrary(state, target);
            if (!store::RepairCompact(q(target)))
                throw std::runtime_error(ui::testing::shownBoxes().constLast().text.toStdString());
        }
        state.SetBytesProcessed(state.iterations() * qint64(fs::file_size(library())));
    });
    removeLibrary(target);
}

void RepairCompact_plain(benchmark::State& state) {
    const std::string target = scratch("repair-plain.mdb");
    const std::string work = target + ".tmp", out = target + ".new";
    guarded(state, [&] {
        for (auto _ : state) {
            freshLibrary(state, target);
            fs::remove(work);
            fs::copy_file(target, work);
            fs::remove(out);
            vacuumInto(work, out);
            syncFile(out);
            fs::rename(out, target);
            syncFile(fs::path(target).parent_path().string());
            fs::remove(work);
        }
        state.SetBytesProcessed(state.iterations() * qint64(fs::file_size(library())));
    });
    removeLibrary(target);
}

// Each pair runs back to back so both variants see the same state of the machine's file cache.
void registerAll() {
    using benchmark::RegisterBenchmark;
    const auto us = benchmark::kMicrosecond, ms = benchmark::kMillisecond;
    // Long enough on the full library for steady figures; as short as possible on a tiny one.
    const double queries = tiny() ? 0 : 2.0;
    const int writes = tiny() ? 1 : 10, compacts = tiny() ? 1 : 3;
    const auto add = [](const char* name, auto fn, benchmark::TimeUnit unit) {
        return RegisterBenchmark(name, fn)->Unit(unit)->UseRealTime();
    };
    const auto search = [&](const char* name, auto fn, const char* text) {
        auto* b = RegisterBenchmark(name, fn, text)->Unit(ms)->UseRealTime();
        if (queries > 0) b->MinTime(queries);
    };
    add("Open/ours", Open_ours, us);
    add("Open/plain", Open_plain, us);
    for (auto* b : {add("List/ours", List_ours, ms), add("List/plain", List_plain, ms)})
        if (queries > 0) b->MinTime(queries);
    search("SearchWide/ours", Search_ours, kSearchWide);
    search("SearchWide/plain", Search_plain, kSearchWide);
    search("SearchNarrow/ours", Search_ours, kSearchNarrow);
    search("SearchNarrow/plain", Search_plain, kSearchNarrow);
    for (auto* b : {add("BlobRead/ours", BlobRead_ours, ms), add("BlobRead/plain", BlobRead_plain, ms)})
        if (queries > 0) b->MinTime(queries);
    add("BlobWrite/ours", BlobWrite_ours, ms)->Iterations(writes);
    add("BlobWrite/plain", BlobWrite_plain, ms)->Iterations(writes);
    add("Compact/ours", Compact_ours, ms)->Iterations(compacts);
    add("Compact/plain", Compact_plain, ms)->Iterations(compacts);
    add("Exchange/ours", Exchange_ours, ms)->Iterations(compacts);
    add("Exchange/plain", Exchange_plain, ms)->Iterations(compacts);
    add("RepairCompact/ours", RepairCompact_ours, ms)->Iterations(compacts);
    add("RepairCompact/plain", RepairCompact_plain, ms)->Iterations(compacts);
}

}  // namespace

int main(int argc, char** argv) {
    ui::testing::enableRecording();  // a failure's message box is read back, not shown
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    try {
        std::fprintf(stderr, "library: %s\n", library().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot make the library: %s\n", e.what());
        return 1;
    }
    bench::RatioReporter reporter({{"SearchWide", 1.5},
                                   {"SearchNarrow", 1.5},
                                   {"BlobWrite", 1.3},
                                   {"BlobRead", 1.3},
                                   {"Compact", 1.2},
                                   {"Exchange", 3.0},
                                   {"RepairCompact", 1.5}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
