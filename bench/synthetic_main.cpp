// mrv-mklib-synthetic: writes a synthetic library for benchmarks and trials.

#include "bench/make_library.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: mrv-mklib-synthetic [options] [FILE]\n"
                 "Writes a synthetic library to FILE (replacing it), or without FILE to the benchmark\n"
                 "cache folder (reused when already there), and prints its path.\n"
                 "  --categories N   categories (default 1000)\n"
                 "  --depth N        levels of the category tree (default 6)\n"
                 "  --items N        items (default 100000)\n"
                 "  --files N        large stored files (default 3)\n"
                 "  --file-size N    bytes in each large stored file (default 52428800)\n"
                 "  --seed N         seed of the content (default 1)\n");
}

bool number(const char* text, long long& out) {
    char* end = nullptr;
    out = std::strtoll(text, &end, 10);
    return *text && !*end && out >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    bench::SyntheticSpec spec;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        }
        if (arg.rfind("--", 0) == 0) {
            long long value = 0;
            if (i + 1 >= argc || !number(argv[i + 1], value)) {
                usage(stderr);
                return 2;
            }
            ++i;
            if (arg == "--categories")
                spec.categories = int(value);
            else if (arg == "--depth")
                spec.depth = int(value);
            else if (arg == "--items")
                spec.items = int(value);
            else if (arg == "--files")
                spec.largeFiles = int(value);
            else if (arg == "--file-size")
                spec.largeFileSize = value;
            else if (arg == "--seed")
                spec.seed = std::uint32_t(value);
            else {
                usage(stderr);
                return 2;
            }
        } else if (path.empty()) {
            path = arg;
        } else {
            usage(stderr);
            return 2;
        }
    }

    try {
        const auto start = std::chrono::steady_clock::now();
        if (path.empty())
            path = bench::cachedLibrary(spec);
        else {
            const auto folder = std::filesystem::path(path).parent_path();
            if (!folder.empty()) std::filesystem::create_directories(folder);
            bench::makeSyntheticLibrary(path, spec);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s\n", path.c_str());
        std::fprintf(stderr, "%lld bytes, %.2f s\n", (long long)std::filesystem::file_size(path), seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mrv-mklib-synthetic: %s\n", e.what());
        return 1;
    }
    return 0;
}
