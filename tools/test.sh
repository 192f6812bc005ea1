#!/bin/bash
# Builds everything and runs every test: unit tests plain and under
# AddressSanitizer/UBSan, the Windows builds, the end-to-end window tests
# (SDL2 under Xvfb, Win32 under Wine) and the fuzzers. Installs what it needs
# first (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Windows: the 32-bit release, and the 64-bit build that runs under wine64.
build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWADSCOPE_BENCH=ON \
  -DWADSCOPE_WIN64_EXE="$PWD/build/win64/app/win32/wadscope.exe"
build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DWADSCOPE_SANITIZE=ON

status=0
ctest --test-dir build/release --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" -LE e2e || status=1
exit $status
