// A stored file of 50 MB opened to a temporary file, changed there, and taken back as a new file item
// by the document's FileSave, against plain sqlite3_blob reading and writing the same bytes in the
// same run. MRV_BENCH_TINY=1 uses 1 MB for the smoke run.

#include "bench/bench_support.h"
#include "bench/widgets_program.h"
#include "browser/MRVDocument.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/files.h"
#include "store/library_schema.h"
#include "store/settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

using bench::guarded;
using bench::tiny;

constexpr int kPiece = 32768;

qint64 fileBytes() {
    return tiny() ? 1 << 20 : 50 << 20;
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

// A library with one category and one file item of fileBytes() bytes (ProcKey 1).
const QString& library() {
    static const QString path = [] {
        const QString file = QDir::temp().filePath(QStringLiteral("file-save-bench.mdb"));
        QFile::remove(file);
        store::createLibrary(file, {QString(), QStringLiteral("Bench"), QDateTime()})->Close();
        sqlite3* db = nullptr;
        check(sqlite3_open(file.toUtf8().constData(), &db), db, "open");
        check(sqlite3_exec(db,
                           ("INSERT INTO Category (CatKey, ParentKey, Name) VALUES (1, 0, 'Files');"
                            "INSERT INTO \"Procedure\" (ProcKey, CatKey, Name, Type, File) "
                            "VALUES (1, 1, 'big.bin', 'File', zeroblob(" +
                            std::to_string(fileBytes()) + "))")
                               .c_str(),
                           nullptr, nullptr, nullptr),
              db, "insert");
        sqlite3_blob* blob = nullptr;
        check(sqlite3_blob_open(db, "main", "Procedure", "File", 1, 1, &blob), db, "blob");
        QByteArray piece(kPiece, Qt::Uninitialized);
        for (qint64 at = 0; at < fileBytes(); at += kPiece) {
            for (int i = 0; i < kPiece; ++i) piece[i] = char((at + i) * 31 >> 3);
            check(sqlite3_blob_write(blob, piece.constData(), kPiece, int(at)), db, "write");
        }
        sqlite3_blob_close(blob);
        sqlite3_close(db);
        return file;
    }();
    return path;
}

// What the user's program does to the file: one byte changed in the middle.
void change(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() / 2) || file.write("!", 1) != 1)
        throw std::runtime_error("cannot change the extracted file");
}

void DropAdded(sqlite3* db) {
    check(sqlite3_exec(db, "DELETE FROM \"Procedure\" WHERE ProcKey <> 1", nullptr, nullptr, nullptr), db,
          "delete");
}

void FileSave_plain(benchmark::State& state) {
    guarded(state, [&] {
        sqlite3* db = nullptr;
        check(sqlite3_open(library().toUtf8().constData(), &db), db, "open");
        const QString path = QDir::temp().filePath(QStringLiteral("plain-big.bin"));
        QByteArray piece(kPiece, Qt::Uninitialized);
        for (auto _ : state) {
            // Out: the stored bytes to a file, piece by piece.
            sqlite3_blob* blob = nullptr;
            check(sqlite3_blob_open(db, "main", "Procedure", "File", 1, 0, &blob), db, "blob");
            const int size = sqlite3_blob_bytes(blob);
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("out");
            for (int at = 0; at < size; at += kPiece) {
                const int n = std::min(kPiece, size - at);
                check(sqlite3_blob_read(blob, piece.data(), n, at), db, "read");
                out.write(piece.constData(), n);
            }
            sqlite3_blob_close(blob);
            out.close();
            change(path);
            // Back: a new row of that size, filled from the file piece by piece.
            QFile in(path);
            if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("in");
            check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
            check(sqlite3_exec(
                      db,
                      ("INSERT INTO \"Procedure\" (CatKey, Name, Type, \"Desc\", Owner, LastChangedBy, "
                       "LastChanged, File) VALUES (1, 'plain-big.bin', 'File', 'File', 1, 1, "
                       "date('now'), zeroblob(" +
                       std::to_string(in.size()) + "))")
                          .c_str(),
                      nullptr, nullptr, nullptr),
                  db, "insert");
            check(sqlite3_blob_open(db, "main", "Procedure", "File", sqlite3_last_insert_rowid(db), 1, &blob),
                  db, "blob");
            for (int at = 0; at < int(in.size()); at += kPiece) {
                const QByteArray bytes = in.read(kPiece);
                check(sqlite3_blob_write(blob, bytes.constData(), int(bytes.size()), at), db, "write");
            }
            sqlite3_blob_close(blob);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
            state.PauseTiming();
            DropAdded(db);
            state.ResumeTiming();
        }
        QFile::remove(path);
        sqlite3_close(db);
        state.counters["MB"] = double(fileBytes()) / (1 << 20);
    });
}

void FileSave_ours(benchmark::State& state) {
    guarded(state, [&] {
        store::SaveSetting(store::instanceAppName(QStringLiteral("\\(Browser)")),
                           QStringLiteral("Properties"), QStringLiteral("Current Library"), library());
        auto doc = std::make_unique<browser::MRVDocument>();
        doc->InitProperties();
        engine::Database* db = doc->database();
        if (!db) throw std::runtime_error("the library did not open");
        for (auto _ : state) {
            auto rs =
                db->OpenRecordset(QStringLiteral("SELECT Name, File FROM [Procedure] Where ProcKey = 1"),
                                  engine::dbOpenSnapshot, engine::dbReadOnly);
            const QString path = store::ExtractStoredFile(rs->Fields(QStringLiteral("File")),
                                                          rs->Fields(QStringLiteral("Name")).text());
            rs->Close();
            if (path.isEmpty()) throw std::runtime_error("the stored file was not extracted");
            change(path);
            if (!doc->FileSave(1, path)) throw std::runtime_error("the changed file was not taken back");
            state.PauseTiming();
            db->Execute(QStringLiteral("DELETE FROM [Procedure] WHERE ProcKey <> 1"));
            store::DeleteTempFiles();
            state.ResumeTiming();
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["MB"] = double(fileBytes()) / (1 << 20);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WidgetsProgram program(argc, argv);
    if (!program.argumentsKnown()) return 2;
    try {
        std::fprintf(stderr, "library: %s\n", library().toUtf8().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot make the library: %s\n", e.what());
        return 1;
    }
    const int iterations = tiny() ? 1 : 10;
    for (const auto& [name, run] :
         {std::pair{"FileSave/plain", &FileSave_plain}, std::pair{"FileSave/ours", &FileSave_ours}})
        bench::registerCase(name, run, iterations);
    bench::RatioReporter reporter({{"FileSave", 1.3}}, {"MB"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    QFile::remove(library());
    return bench::anyFailed() ? 1 : 0;
}
