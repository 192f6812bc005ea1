#!/bin/bash
# Builds everything and runs every test: unit tests plain and under
# AddressSanitizer/UBSan, the Windows builds, the end-to-end window tests and
# the fuzzers. Installs what it needs first (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

jobs=$(nproc)
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$jobs"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWADSCOPE_SANITIZE=ON
cmake --build build/sanitize -j "$jobs"

status=0
ctest --test-dir build/release --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" -LE e2e || status=1
exit $status
