#!/usr/bin/env bash
# Builds the programs and starts the client. Works on a fresh Debian 12 machine from any folder;
# arguments go to the client ("/DEBUG").
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/setup.sh
mrv_install_packages

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target mrvc mrv
exec build/bin/mrvc "$@"
