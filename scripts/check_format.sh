#!/usr/bin/env bash
# Fails when a C++ file differs from the project's formatting (.clang-format). The formatter's version
# is pinned in scripts/packages.txt: another version formats some constructs differently.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h'
else
    find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 clang-format-14 --dry-run -Werror
