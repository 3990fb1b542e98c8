// The scale table: the browser's first screen, its peak memory and a rare word's quick search on
// libraries of 10,000 and 100,000 items (and 1,000,000 with MRV_BENCH_MILLION=1; that library takes
// about 1.4 GB in the benchmark data folder and some minutes to generate the first time). Each figure
// comes from the browser and search benchmarks run in a process of their own, so that one case's
// memory is not the next one's peak, and is set beside the plain side of the same run.

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

struct Case {
    double ms = 0;
    std::map<QString, double> counters;
};

double toMs(const QJsonObject& run) {
    const double t = run.value("real_time").toDouble();
    const QString unit = run.value("time_unit").toString();
    if (unit == "ns") return t / 1e6;
    if (unit == "us") return t / 1e3;
    if (unit == "s") return t * 1e3;
    return t;
}

// Runs a benchmark program of this folder with the library's size; its cases by name.
std::optional<std::map<QString, Case>> run(const QString& program, const QString& filter, int items) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MRV_BENCH_ITEMS", QString::number(items));
    if (!env.contains("QT_QPA_PLATFORM")) env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QTemporaryFile results;
    if (!results.open()) return std::nullopt;
    p.start(QCoreApplication::applicationDirPath() + "/" + program,
            {"--benchmark_filter=" + filter, "--benchmark_out_format=json",
             "--benchmark_out=" + results.fileName()});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s (%s) failed\n", qPrintable(program), qPrintable(filter));
        return std::nullopt;
    }
    const QJsonDocument json = QJsonDocument::fromJson(results.readAll());
    std::map<QString, Case> cases;
    for (const QJsonValue v : json.object().value("benchmarks").toArray()) {
        const QJsonObject o = v.toObject();
        Case c{toMs(o), {}};
        for (auto it = o.begin(); it != o.end(); ++it)
            if (it.value().isDouble()) c.counters[it.key()] = it.value().toDouble();
        cases[o.value("run_name").toString().section('/', 0, 1)] = c;
    }
    return cases;
}

const char* verdict(bool met) {
    return met ? "met" : "NOT MET";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<int> sizes{10000, 100000};
    if (qEnvironmentVariableIntValue("MRV_BENCH_MILLION") == 1) sizes.push_back(1000000);
    if (qEnvironmentVariableIntValue("MRV_BENCH_TINY") == 1) sizes = {300};
    bool failed = false;
    std::printf(
        "| items | open + SystemInit | plain | ratio | peak memory | rare search + list | plain LIKE | ratio "
        "| longest typing stall |\n|---|---|---|---|---|---|---|---|---|\n");
    std::vector<QString> notes;
    for (const int items : sizes) {
        const auto ours = run("mrv-bench-browser", "^Open/ours/", items);
        const auto plain = run("mrv-bench-browser", "^Open/plain/", items);
        const auto search = run("mrv-bench-search", "^QuickSearchRare/", items);
        if (!ours || !plain || !search || !ours->count("Open/ours") || !plain->count("Open/plain") ||
            !search->count("QuickSearchRare/ours") || !search->count("QuickSearchRare/plain")) {
            failed = true;
            continue;
        }
        const Case& open = ours->at("Open/ours");
        const Case& openPlain = plain->at("Open/plain");
        const Case& rare = search->at("QuickSearchRare/ours");
        const Case& rarePlain = search->at("QuickSearchRare/plain");
        const double peak = open.counters.count("peak_MB") ? open.counters.at("peak_MB") : -1;
        const double stall =
            rare.counters.count("longest_stall_ms") ? rare.counters.at("longest_stall_ms") : -1;
        std::printf("| %d | %.0f ms | %.0f ms | %.2f | %.0f MB | %.0f ms | %.0f ms | %.2f | %.0f ms |\n",
                    items, open.ms, openPlain.ms, open.ms / openPlain.ms, peak, rare.ms, rarePlain.ms,
                    rare.ms / rarePlain.ms, stall);
        if (items == 1000000) {
            notes.push_back(QString("open + SystemInit %1 ms, target 2000 ms: %2")
                                .arg(open.ms, 0, 'f', 0)
                                .arg(verdict(open.ms <= 2000)));
            notes.push_back(QString("peak memory %1 MB, target 250 MB: %2")
                                .arg(peak, 0, 'f', 0)
                                .arg(verdict(peak <= 250)));
            notes.push_back(QString("rare search + list %1 ms, target 150 ms: %2")
                                .arg(rare.ms, 0, 'f', 0)
                                .arg(verdict(rare.ms <= 150)));
            notes.push_back(QString("longest typing stall %1 ms, target 50 ms: %2")
                                .arg(stall, 0, 'f', 0)
                                .arg(verdict(stall <= 50)));
        }
        std::fflush(stdout);
    }
    for (const QString& note : notes) std::printf("\n1,000,000 items: %s", qPrintable(note));
    std::printf("\n");
    return failed ? 1 : 0;
}
