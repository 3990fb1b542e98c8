#include "bench/bench_support.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace bench {

namespace {
bool g_failed = false;

std::string duration(double seconds) {
    char text[32];
    if (seconds >= 1)
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    else if (seconds >= 1e-3)
        std::snprintf(text, sizeof text, "%.3f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    return text;
}
}  // namespace

bool tiny() {
    const char* env = std::getenv("MRV_BENCH_TINY");
    return env && *env && std::string(env) != "0";
}

void markFailed() {
    g_failed = true;
}
bool anyFailed() {
    return g_failed;
}

long readAllRows(sqlite3_stmt* stmt) {
    long rows = 0;
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
                    break;
                case SQLITE_FLOAT:
                    benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
                    benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, c));
            }
        }
        ++rows;
    }
    if (rc != SQLITE_DONE) throw std::runtime_error("step failed");
    return rows;
}

long readAllRows(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    try {
        const long rows = readAllRows(stmt);
        sqlite3_finalize(stmt);
        return rows;
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
}

PrivateHome::PrivateHome() {
    char pattern[] = "/tmp/mrv-bench-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a private home folder");
    m_root = pattern;
    for (const char* sub : {"config", "data", "cache", "tmp"}) {
        const std::string dir = m_root + "/" + sub;
        mkdir(dir.c_str(), 0700);
    }
    setenv("XDG_CONFIG_HOME", (m_root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_root + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (m_root + "/cache").c_str(), 1);
    setenv("TMPDIR", (m_root + "/tmp").c_str(), 1);
}

PrivateHome::~PrivateHome() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

long statusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

PeakGrowth::PeakGrowth() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    m_ok = bool(clear);
    m_start = statusKb("VmRSS");
}

double PeakGrowth::kb() const {
    return m_ok ? double(statusKb("VmHWM") - m_start) : -1;
}

RatioReporter::RatioReporter(std::map<std::string, double> targets, std::vector<std::string> mustAgree)
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular),
      m_targets(std::move(targets)),
      m_mustAgree(std::move(mustAgree)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
        const std::string name = run.benchmark_name();
        const auto slash = name.find('/');
        if (slash == std::string::npos) continue;
        const std::string family = name.substr(0, slash);
        const std::string variant = name.substr(slash + 1, name.find('/', slash + 1) - slash - 1);
        if (std::find(m_order.begin(), m_order.end(), family) == m_order.end()) m_order.push_back(family);
        Result& r = m_results[family][variant];
        r.seconds = run.real_accumulated_time / double(run.iterations);
        for (const auto& [key, counter] : run.counters) r.counters[key] = counter.value;
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\n%-12s %14s %14s %8s %8s\n", "case", "ours", "plain", "ratio", "target");
    if (tiny()) std::printf("(a tiny library: these ratios say little)\n");
    for (const std::string& name : m_order) {
        const auto& variants = m_results[name];
        const auto ours = variants.find("ours"), plain = variants.find("plain");
        if (ours == variants.end() || plain == variants.end()) continue;
        const double ratio = ours->second.seconds / plain->second.seconds;
        const auto target = m_targets.find(name);
        char targetText[32] = "-";
        if (target != m_targets.end() && !tiny())
            std::snprintf(targetText, sizeof targetText, "%.1f%s", target->second,
                          ratio <= target->second ? "" : " OVER");
        std::printf("%-12s %14s %14s %8.2f %8s\n", name.c_str(), duration(ours->second.seconds).c_str(),
                    duration(plain->second.seconds).c_str(), ratio, targetText);
        for (const auto& [key, value] : ours->second.counters) {
            if (key == "bytes_per_second") continue;
            const auto other = plain->second.counters.find(key);
            std::printf("%-12s   %s: ours %.0f", "", key.c_str(), value);
            if (other != plain->second.counters.end()) std::printf(", plain %.0f", other->second);
            std::printf("\n");
            const bool agree = std::find(m_mustAgree.begin(), m_mustAgree.end(), key) != m_mustAgree.end();
            if (agree && other != plain->second.counters.end() && value != other->second) {
                std::printf("%-12s   %s DIFFER\n", "", key.c_str());
                g_failed = true;
            }
        }
    }
    std::fflush(stdout);
}

}  // namespace bench
