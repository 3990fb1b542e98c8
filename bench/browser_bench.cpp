// The browser document loading a large library (tree, pictures and the root's item list, shown and
// painted) against plain SQLite reading the same rows, in the same run, with the process's peak
// memory. MRV_BENCH_TINY=1 uses a tiny library for the smoke run.

#include "bench/make_library.h"
#include "browser/MRVDocument.h"
#include "platform/controls.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/settings.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

bool g_failed = false;

bool tiny() {
    const char* env = std::getenv("MRV_BENCH_TINY");
    return env && *env && std::string(env) != "0";
}

const std::string& library() {
    static const std::string path = [] {
        bench::SyntheticSpec spec;
        spec.largeFiles = 0;
        if (tiny()) {
            spec.categories = 12;
            spec.depth = 3;
            spec.items = 300;
        }
        return bench::cachedLibrary(spec);
    }();
    return path;
}

long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// Peak resident memory from now on: resets the kernel's high-water mark.
class PeakGrowth {
public:
    PeakGrowth() {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        clear.close();
        m_ok = bool(clear);
        m_start = statusKb("VmRSS");
    }
    double kb() const { return m_ok ? double(statusKb("VmHWM") - m_start) : -1; }

private:
    bool m_ok = false;
    long m_start = 0;
};

template <typename Body>
void guarded(benchmark::State& state, Body body) {
    try {
        body();
    } catch (const engine::Error& e) {
        g_failed = true;
        state.SkipWithError(("engine error " + std::to_string(e.number()) + ": " + e.what()).c_str());
    } catch (const std::exception& e) {
        g_failed = true;
        state.SkipWithError(e.what());
    }
}

long readAllRows(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    long rows = 0;
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_INTEGER) {
                benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
            } else {
                benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
                benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, c));
            }
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error("step failed");
    return rows;
}

// The tree's query and the root's list query, every column read, the stored files' bytes left alone
// as the browser leaves them.
void SystemInit_plain(benchmark::State& state) {
    guarded(state, [&] {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(library().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            throw std::runtime_error("open");
        long categories = 0, items = 0;
        PeakGrowth peak;
        for (auto _ : state) {
            categories = readAllRows(db,
                                     "SELECT CAST(CatKey AS TEXT) AS Key, ParentKey, CatKey, Type, Name FROM "
                                     "Category ORDER BY Name");
            items = readAllRows(
                db,
                "SELECT P.ProcKey, P.CatKey, P.Name, P.Type, P.Desc, P.Code, P.Owner, P.LastChanged, "
                "P.LastChangedBy, length(P.File), C.Name AS CatName FROM \"Procedure\" AS P, "
                "Category AS C WHERE P.CatKey = C.CatKey ORDER BY C.Name, P.Name");
        }
        sqlite3_close(db);
        state.counters["categories"] = double(categories);
        state.counters["items"] = double(items);
        state.counters["peak_growth_MB"] = peak.kb() / 1024;
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
    });
}

// The document as a host starts it, then every iteration reloads it as a library change does and
// waits until the list has been laid out and painted.
void SystemInit_ours(benchmark::State& state) {
    guarded(state, [&] {
        store::SaveSetting(store::instanceAppName(QStringLiteral("\\(Browser)")),
                           QStringLiteral("Properties"), QStringLiteral("Current Library"),
                           QString::fromStdString(library()));
        PeakGrowth peak;
        auto doc = std::make_unique<browser::MRVDocument>();
        doc->InitProperties();
        if (doc->DBFileName().isEmpty()) throw std::runtime_error("the library did not open");
        doc->resize(1000, 700);
        doc->show();
        QApplication::processEvents();
        long categories = 0, items = 0;
        for (auto _ : state) {
            doc->SystemInit();
            QApplication::processEvents();
            doc->lstvProcs->detailsView()->viewport()->repaint();
            categories = doc->treCats->count() - 1;
            const controls::TreeNode* root = doc->treCats->findNode(QStringLiteral("0 Key"));
            items = doc->lstvProcs->count() - (root ? root->children() : 0);
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["categories"] = double(categories);
        state.counters["items"] = double(items);
        state.counters["peak_growth_MB"] = peak.kb() / 1024;
        state.counters["peak_MB"] = statusKb("VmHWM") / 1024.0;
        doc.reset();
    });
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            const std::string name = run.benchmark_name();
            Result& r = m_results[name.substr(name.find('/') + 1,
                                              name.find('/', name.find('/') + 1) - name.find('/') - 1)];
            r.seconds = run.real_accumulated_time / double(run.iterations);
            for (const auto& [key, counter] : run.counters) r.counters[key] = counter.value;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto ours = m_results.find("ours"), plain = m_results.find("plain");
        if (ours == m_results.end() || plain == m_results.end()) return;
        const double ratio = ours->second.seconds / plain->second.seconds;
        const double peak = ours->second.counters["peak_MB"];
        std::printf("\nSystemInit: ours %.1f ms, plain SQLite %.1f ms, ratio %.2f (target 3.0%s)\n",
                    ours->second.seconds * 1e3, plain->second.seconds * 1e3, ratio,
                    tiny()         ? ", a tiny library says little"
                    : ratio <= 3.0 ? ""
                                   : " OVER");
        std::printf(
            "peak memory of the process: %.0f MB (target 300%s); growth while loading %.0f MB, "
            "plain %.0f MB\n",
            peak, peak <= 300 ? "" : " OVER", ours->second.counters["peak_growth_MB"],
            plain->second.counters["peak_growth_MB"]);
        for (const char* key : {"categories", "items"}) {
            const double a = ours->second.counters[key], b = plain->second.counters[key];
            std::printf("%s: ours %.0f, plain %.0f\n", key, a, b);
            if (a != b) {
                std::printf("ROW COUNTS DIFFER\n");
                g_failed = true;
            }
        }
        std::fflush(stdout);
    }

private:
    struct Result {
        double seconds = 0;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Result> m_results;
};

}  // namespace

int main(int argc, char** argv) {
    // Settings, the user's files and temporary files of this run stay in a folder of its own.
    QTemporaryDir home;
    for (const char* sub : {"config", "data", "cache", "tmp"}) QDir(home.path()).mkpath(sub);
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
    qputenv("TMPDIR", (home.path() + "/tmp").toLocal8Bit());
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No box may wait for an answer nobody gives; any that appears fails the case.
    ui::testing::enableRecording();
    sound::testing::enableRecording();
    store::SaveSetting(store::generalAppName(), QStringLiteral("General Properties"),
                       QStringLiteral("Show Tips at Startup"), QStringLiteral("0"));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    try {
        std::fprintf(stderr, "library: %s\n", library().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot make the library: %s\n", e.what());
        return 1;
    }
    // Plain first, so that its peak is not the document's.
    const int iterations = tiny() ? 1 : 5;
    benchmark::RegisterBenchmark("SystemInit/plain", SystemInit_plain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
    benchmark::RegisterBenchmark("SystemInit/ours", SystemInit_ours)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return g_failed ? 1 : 0;
}
