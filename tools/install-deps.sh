#!/bin/bash
# Installs what Wadscope needs on Debian (run as root): "run" for building and
# running the viewer, "test" for everything the tests use as well.
set -euo pipefail

run_packages=(cmake ninja-build g++ pkg-config zlib1g-dev libsdl2-dev freedoom xvfb xauth)
test_packages=("${run_packages[@]}" libpng-dev libgtest-dev libbenchmark-dev xdotool x11-utils python3 imagemagick
  clang libclang-rt-14-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine64 freedm zdbsp
  xfonts-base)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
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
