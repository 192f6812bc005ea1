#!/bin/bash
# Installs what Wadscope needs on Debian (run as root): "run" for building and
# running the viewer, "package" for tools/package.sh, "test" for everything the
# tests use as well.
set -euo pipefail

run_packages=(cmake ninja-build g++ pkg-config zlib1g-dev libsdl2-dev freedoom xvfb xauth)
# The Windows zip's cross-compiler; dpkg-shlibdeps (dpkg-dev) and file, which CPack runs for the Debian package.
package_packages=("${run_packages[@]}" g++-mingw-w64-i686 libz-mingw-w64-dev dpkg-dev file)
# xfonts-base: the core font of SDL's message box under Xvfb.
test_packages=("${package_packages[@]}" libpng-dev libgtest-dev libbenchmark-dev xdotool x11-utils python3 imagemagick
  clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine64 freedm zdbsp xfonts-base desktop-file-utils man-db unzip)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  package) packages=("${package_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|package|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
