#!/usr/bin/env bash
# Builds everything and runs every test. Works on a fresh Debian 12 machine from any folder.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/setup.sh
mrv_install_packages

scripts/check_includes.sh
scripts/check_format.sh

jobs="$(nproc)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"
