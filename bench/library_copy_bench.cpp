// The copy dialog's "Copy To" of the synthetic library (about 260 MB), plain and packed, against cp
// and a bare zip call on the same file in the same run. "Copy To" makes the copy durable (synced to
// disk before it takes the target's name), so its fair baseline is the same by hand: cp beside the
// target, a sync, a rename. The ratio to a bare cp over the old copy, nothing synced, is printed
// beside it. MRV_BENCH_TINY=1 uses a tiny library for the smoke run.

#include "bench/bench_support.h"
#include "bench/make_library.h"
#include "bench/widgets_program.h"
#include "browser/MRVDocument.h"
#include "library/frmDBCopy.h"
#include "platform/controls.h"
#include "platform/sound.h"
#include "platform/ui.h"
#include "store/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace {

using bench::guarded;

QString g_library;  // the working copy the document opens
QString g_out;      // the target folder

void syncFile(const QString& path, int flags = O_RDONLY) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot sync " + path.toStdString());
    ::close(fd);
}

void runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error((program + " failed").toStdString());
}

// The document on the working library, made once: its start is not what is measured.
std::unique_ptr<browser::MRVDocument> g_document;

browser::MRVDocument& document() {
    if (!g_document) {
        store::SaveSetting(store::instanceAppName(QStringLiteral("\\(Browser)")),
                           QStringLiteral("Properties"), QStringLiteral("Current Library"), g_library);
        g_document = std::make_unique<browser::MRVDocument>();
        g_document->InitProperties();
        if (!g_document->database()) throw std::runtime_error("the library did not open");
    }
    return *g_document;
}

// One "Copy To" through the dialog, over the copy of the previous round.
void copyTo(bool zip) {
    frmDBCopy form;
    form.setCurrentDBPath(document().DBFileName());
    form.setMainWindow(&document());
    form.Form_Load();
    form.TabStrip1->setSelectedIndex(1);
    form.cboCopyToTarget->setEditText(g_out);
    form.chkRepairAndCompact->setChecked(false);
    form.chkUseWinZip[0]->setChecked(zip);
    form.cboCompression->setCurrentIndex(1);  // "Normal (Default)": zip -6
    ui::testing::clear();
    ui::testing::queueAnswer(ui::vbYes);  // Begin?
    ui::testing::queueAnswer(ui::vbYes);  // overwrite
    form.cmdGo_Click();
    const auto& boxes = ui::testing::shownBoxes();
    if (boxes.isEmpty() || boxes.last().title != QLatin1String("Operation Completed!"))
        throw std::runtime_error(
            ("the copy did not complete: " + (boxes.isEmpty() ? QString() : boxes.last().text))
                .toStdString());
}

void counters(benchmark::State& state) {
    state.counters["MB"] = double(QFileInfo(g_library).size()) / (1 << 20);
}

void CopyTo_ours(benchmark::State& state) {
    guarded(state, [&] {
        for (auto _ : state) copyTo(false);
        counters(state);
    });
}

// The same durable copy by hand: cp beside the target, sync it, rename it over the target, sync the
// folder.
void CopyTo_plain(benchmark::State& state) {
    guarded(state, [&] {
        const QString target = g_out + QFileInfo(g_library).fileName();
        const QString aside = g_out + QStringLiteral(".aside.mdb");
        for (auto _ : state) {
            runTool(QStringLiteral("cp"), {g_library, aside});
            syncFile(aside);
            if (::rename(QFile::encodeName(aside).constData(), QFile::encodeName(target).constData()) != 0)
                throw std::runtime_error("cannot rename");
            syncFile(g_out, O_RDONLY | O_DIRECTORY);
        }
        counters(state);
    });
}

void BareCp_plain(benchmark::State& state) {
    guarded(state, [&] {
        const QString target = g_out + QFileInfo(g_library).fileName();
        for (auto _ : state) runTool(QStringLiteral("cp"), {g_library, target});
        counters(state);
    });
}

void Zip_ours(benchmark::State& state) {
    guarded(state, [&] {
        for (auto _ : state) copyTo(true);
        counters(state);
    });
}

void Zip_plain(benchmark::State& state) {
    guarded(state, [&] {
        const QString archive = g_out + QStringLiteral("plain.zip");
        for (auto _ : state) {
            state.PauseTiming();
            QFile::remove(archive);  // zip would otherwise update the archive of the round before
            state.ResumeTiming();
            runTool(QStringLiteral("zip"),
                    {QStringLiteral("-q"), QStringLiteral("-j"), QStringLiteral("-6"), archive, g_library});
        }
        counters(state);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WidgetsProgram program(argc, argv);
    if (!program.argumentsKnown()) return 2;

    bench::SyntheticSpec spec;
    if (bench::tiny()) spec = {15, 4, 200, 1, 1 << 20, 1};
    try {
        const QString cached = QString::fromStdString(bench::cachedLibrary(spec));
        const QString work = QDir::tempPath() + QStringLiteral("/copy-bench");
        QDir().mkpath(work + QStringLiteral("/out"));
        g_library = work + QStringLiteral("/Synthetic Library.mdb");
        g_out = work + QStringLiteral("/out/");
        if (!QFile::copy(cached, g_library)) throw std::runtime_error("cannot copy the library");
        std::fprintf(stderr, "library: %s (%lld bytes)\n", cached.toUtf8().constData(),
                     qlonglong(QFileInfo(g_library).size()));
        document();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot prepare the library: %s\n", e.what());
        return 1;
    }
    const int copies = bench::tiny() ? 1 : 8, zips = bench::tiny() ? 1 : 3;
    const std::tuple<const char*, void (*)(benchmark::State&), int> cases[] = {
        {"CopyTo/plain", &CopyTo_plain, copies}, {"CopyTo/ours", &CopyTo_ours, copies},
        {"BareCp/plain", &BareCp_plain, copies}, {"BareCp/ours", &CopyTo_ours, copies},
        {"Zip/plain", &Zip_plain, zips},         {"Zip/ours", &Zip_ours, zips},
    };
    for (const auto& [name, run, iterations] : cases) bench::registerCase(name, run, iterations);
    bench::RatioReporter reporter({{"CopyTo", 1.2}, {"Zip", 1.1}}, {"MB"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_document.reset();
    return bench::anyFailed() ? 1 : 0;
}
