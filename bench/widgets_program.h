#pragma once

// What every benchmark program with windows does before its cases.

#include "bench/bench_support.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace bench {

// Settings and files in a home of its own, the offscreen platform unless another was asked for (or,
// with onDisplay, a display is there), boxes and sounds recorded so that none waits for an answer, no
// tip window, and Google Benchmark's flags read.
class WidgetsProgram {
public:
    WidgetsProgram(int& argc, char** argv, bool onDisplay = false);
    // False when the command line holds an argument Google Benchmark does not know (it says which).
    bool argumentsKnown() const { return m_known; }

private:
    PrivateHome m_home;
    QApplication m_app;
    bool m_known = true;
};

// A case timed in milliseconds of real time, iterations times.
benchmark::internal::Benchmark* registerCase(const char* name, void (*run)(benchmark::State&),
                                             int iterations);

}  // namespace bench
