#!/bin/bash
# Builds the release packages into build/packages/ with CPack and the install
# rules in packaging/: the Debian package wadscope_VERSION_amd64.deb and the
# Windows zip wadscope-VERSION-win32.zip. Installs what it needs first (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh package
source tools/require.sh
require cmake cmake
require cpack cmake
require ninja ninja-build
require i686-w64-mingw32-g++-win32 g++-mingw-w64-i686
require dpkg-shlibdeps dpkg-dev

out=$PWD/build/packages
mkdir -p "$out"
rm -rf "$out"/wadscope[-_]*
package() {  # package DIR [cmake options...]: builds DIR and makes its package
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  cpack --config "$dir/CPackConfig.cmake" -B "$out" >/dev/null
}
# The same tree as tools/test.sh's 32-bit Windows build, so neither builds it twice.
package build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
# Built for /usr, where the package installs it: the programs look for the font there.
package build/deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DWADSCOPE_TESTS=OFF
rm -rf "$out/_CPack_Packages"
ls "$out"/wadscope[-_]*
