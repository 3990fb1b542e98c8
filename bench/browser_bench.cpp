// The browser document loading a large library (tree, pictures and the root's item list, shown and
// painted) against plain SQLite reading the same rows, in the same run, with the process's peak
// memory. MRV_BENCH_TINY=1 uses a tiny library for the smoke run.

#include "bench/bench_support.h"
#include "bench/make_library.h"
#include "browser/MRVDocument.h"
#include "platform/controls.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/settings.h"

#include <QApplication>
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

using bench::guarded;
using bench::PeakGrowth;
using bench::readAllRows;
using bench::statusKb;
using bench::tiny;

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

}  // namespace

int main(int argc, char** argv) {
    const bench::PrivateHome home;
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
    // Peak memory: under 300 MB for the whole process.
    bench::RatioReporter reporter({{"SystemInit", 3.0}}, {"categories", "items"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
