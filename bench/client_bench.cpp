// From the host's navigation to the document showing the sample library, beside a bare Qt window
// being shown and painted, in the same run.

#include "bench/bench_support.h"
#include "browser/MRVDocument.h"
#include "client/document_classes.h"
#include "platform/controls.h"
#include "platform/dochost.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>

#include <memory>
#include <stdexcept>

namespace {

// Sees the window's first paint: "shown" means on the screen, not merely asked to show.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

// Runs events until the window has been painted once, then what is still pending (the rest of the
// document's children paint in the same pass).
void settle(QWidget* w, PaintWatch& watch) {
    while (!watch.painted) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    if (!w->isVisible()) throw std::runtime_error("the window was not shown");
}

void Navigate_ours(benchmark::State& state) {
    bench::guarded(state, [&] {
        const QString vbd = store::programFolder() + "/MRVDocument.vbd";
        long items = 0;
        for (auto _ : state) {
            // The client's hand-over and navigation, as frmMain does it.
            store::SaveSetting(store::generalAppName(), "General Properties", "Loading Instance", "2");
            auto host = std::make_unique<DocumentHost>();
            PaintWatch watch;
            host->installEventFilter(&watch);
            host->resize(1000, 700);
            host->show();
            QObject* document = nullptr;
            QObject::connect(host.get(), &DocumentHost::NavigateComplete, [&](QObject* d) { document = d; });
            host->Navigate(vbd);
            while (!document) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QMetaObject::invokeMethod(document, "FormatWindow");
            watch.painted = false;  // the document's own paint, not the empty host's
            static_cast<QWidget*>(document)->installEventFilter(&watch);
            settle(host.get(), watch);
            auto* doc = qobject_cast<browser::MRVDocument*>(document);
            if (!doc || doc->DBFileName().isEmpty())
                throw std::runtime_error("the sample library did not open");
            items = doc->lstvProcs->count();
            state.PauseTiming();
            host.reset();
            QApplication::processEvents();
            state.ResumeTiming();
        }
        if (!ui::testing::shownBoxes().isEmpty())
            throw std::runtime_error(
                ("a message appeared: " + ui::testing::shownBoxes()[0].text).toStdString());
        state.counters["list_rows"] = double(items);
    });
}

void Navigate_plain(benchmark::State& state) {
    bench::guarded(state, [&] {
        for (auto _ : state) {
            auto window = std::make_unique<QWidget>();
            PaintWatch watch;
            window->installEventFilter(&watch);
            window->resize(1000, 700);
            window->show();
            settle(window.get(), watch);
            state.PauseTiming();
            window.reset();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::PrivateHome home;
    if (qgetenv("QT_QPA_PLATFORM").isEmpty() && qgetenv("DISPLAY").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::testing::enableRecording();
    sound::testing::enableRecording();
    store::setProgramFolder(MRV_PROGRAM_DIR);
    store::StartUp();
    client::registerDocumentClasses();
    store::SaveSetting(store::generalAppName(), "General Properties", "Show Tips at Startup", "0");

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    const int iterations = bench::tiny() ? 1 : 10;
    benchmark::RegisterBenchmark("Navigate/ours", Navigate_ours)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
    benchmark::RegisterBenchmark("Navigate/plain", Navigate_plain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
    bench::RatioReporter reporter({{"Navigate", 3.0}}, {});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return bench::anyFailed() ? 1 : 0;
}
