#pragma once

// Synthetic libraries for the benchmarks: a category tree, many items with plausible names,
// descriptions and code, and a few large stored files. Same parameters and seed, same file.

#include <cstdint>
#include <string>

namespace bench {

struct SyntheticSpec {
    int categories = 1000;
    int depth = 6;
    int items = 100000;
    int largeFiles = 3;
    std::int64_t largeFileSize = 50LL * 1024 * 1024;
    std::uint32_t seed = 1;

    // A short text naming every parameter, used for cached file names.
    std::string tag() const;
};

// Items of the libraries the browser benchmarks read: $MRV_BENCH_ITEMS, else 100,000.
int benchItems();

// The folder generated libraries are cached in: $MRV_BENCH_DATA, else the build's bench-data.
std::string dataDir();

// Writes a new library at path (replacing any file there). Throws std::runtime_error.
void makeSyntheticLibrary(const std::string& path, const SyntheticSpec& spec);

// The cached library for spec in dataDir(), generated on first use.
std::string cachedLibrary(const SyntheticSpec& spec);

// Creates an empty library (schema and the System row) at path, replacing any file there.
void makeEmptyLibrary(const std::string& path);

// ProcKeys of the large stored files of a library made with spec, in order.
std::int64_t largeFileKey(const SyntheticSpec& spec, int index);

}  // namespace bench
