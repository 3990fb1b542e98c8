#include "bench/widgets_program.h"

#include "platform/sound.h"
#include "platform/ui.h"
#include "store/settings.h"

namespace bench {

namespace {

int& choosePlatform(int& argc, bool onDisplay) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty() && (!onDisplay || qgetenv("DISPLAY").isEmpty()))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
}

}  // namespace

WidgetsProgram::WidgetsProgram(int& argc, char** argv, bool onDisplay)
    : m_app(choosePlatform(argc, onDisplay), argv) {
    ui::testing::enableRecording();
    sound::testing::enableRecording();
    store::SaveSetting(store::generalAppName(), QStringLiteral("General Properties"),
                       QStringLiteral("Show Tips at Startup"), QStringLiteral("0"));
    benchmark::Initialize(&argc, argv);
    m_known = !benchmark::ReportUnrecognizedArguments(argc, argv);
}

benchmark::internal::Benchmark* registerCase(const char* name, void (*run)(benchmark::State&),
                                             int iterations) {
    return benchmark::RegisterBenchmark(name, run)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(iterations);
}

}  // namespace bench
