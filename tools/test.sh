#!/bin/bash
# Builds everything and runs every test: unit tests plain and under
# AddressSanitizer/UBSan, the Windows builds, the web page, the end-to-end
# tests (SDL2 under Xvfb, Win32 under Wine, the page in headless Chromium),
# the release packages and the fuzzers. Installs what it needs first (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test
source tools/require.sh
require cmake cmake
require ctest cmake
require ninja ninja-build
require g++ g++
require clang++ clang
require i686-w64-mingw32-g++-win32 g++-mingw-w64-i686
require x86_64-w64-mingw32-g++-win32 g++-mingw-w64-x86-64

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Windows: the 32-bit release, and the 64-bit build that runs under wine64.
build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
bash tools/build-web.sh build/web-site
build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWADSCOPE_BENCH=ON \
  -DWADSCOPE_WIN64_EXE="$PWD/build/win64/app/win32/wadscope.exe" -DWADSCOPE_WEB_SITE="$PWD/build/web-site"
build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DWADSCOPE_SANITIZE=ON
build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DWADSCOPE_FUZZ=ON -DWADSCOPE_TESTS=OFF -DWADSCOPE_TOOLS=OFF
bash tools/package.sh  # the .deb and the zip, into build/packages

passed=0 failed=0
stage() {  # stage COMMAND...: runs one test stage and counts it
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
stage ctest --test-dir build/release --output-on-failure -j "$jobs"
stage ctest --test-dir build/sanitize --output-on-failure -j "$jobs" -LE "e2e|scripts"
# Installs the .deb (and removes it again), runs the zip's viewer under Wine.
stage bash tests/package/package_test.sh . build/win64/app/win32/wadscope.exe
# Each fuzzer for about a minute; any finding fails the run.
stage fuzz/run_fuzzers.sh build/fuzz 60

echo "test stages: $passed passed, $failed failed"
bash tools/count-lines.sh
((failed == 0))
