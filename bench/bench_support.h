#pragma once

// What the benchmark programs share: the tiny-library switch, failure bookkeeping, reading rows the
// plain-SQLite way, peak-memory measurement and the table of ours/plain ratios printed at the end.

#include "store/engine/error.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace bench {

// MRV_BENCH_TINY=1: a tiny library, for the smoke tests that only prove the programs still run.
bool tiny();

// Any failure is reported on its case and makes the program exit non-zero.
void markFailed();
bool anyFailed();

template <typename Body>
void guarded(benchmark::State& state, Body body) {
    try {
        body();
    } catch (const engine::Error& e) {
        markFailed();
        state.SkipWithError(("engine error " + std::to_string(e.number()) + ": " + e.what()).c_str());
    } catch (const std::exception& e) {
        markFailed();
        state.SkipWithError(e.what());
    }
}

// Steps a statement to its end reading every column as a caller would keep it; the row count.
long readAllRows(sqlite3_stmt* stmt);
long readAllRows(sqlite3* db, const char* sql);

// Settings, the user's files and temporary files of a run stay in a folder of its own, removed at
// the end. Make it before the QApplication.
class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();

private:
    std::string m_root;
};

// A value of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
long statusKb(const char* key);

// Peak resident memory from now on: resets the kernel's high-water mark.
class PeakGrowth {
public:
    PeakGrowth();
    double kb() const;

private:
    bool m_ok = false;
    long m_start = 0;
};

// Passes everything to the console, then prints, per family ("Family/ours" beside "Family/plain"),
// the two times, their ratio against its target, and the counters of both; counters that must agree
// between the two (row counts) fail the run when they differ.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::map<std::string, double> targets, std::vector<std::string> mustAgree = {"rows"});
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Result {
        double seconds = 0;
        std::map<std::string, double> counters;
    };
    std::map<std::string, double> m_targets;
    std::vector<std::string> m_mustAgree;
    std::vector<std::string> m_order;
    std::map<std::string, std::map<std::string, Result>> m_results;
};

}  // namespace bench
