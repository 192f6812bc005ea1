#!/bin/bash
# Installs what Wadscope needs on Debian (run as root): "run" for building and
# running the viewer, "web" for building the web page, "package" for
# tools/package.sh, "test" for everything the tests use as well, "fresh-machine"
# for tools/check-fresh-machine.sh. With --list it only prints the group's
# packages, one a line.
# usage: install-deps.sh [run|web|package|test|fresh-machine] [--list]
set -euo pipefail

run_packages=(cmake ninja-build g++ pkg-config zlib1g-dev libgif-dev libsdl2-dev freedoom xvfb xauth)
web_packages=(cmake ninja-build emscripten bzip2)
# The Windows zip's cross-compiler; dpkg-shlibdeps (dpkg-dev) and file, which CPack runs for the Debian package.
package_packages=("${run_packages[@]}" g++-mingw-w64-i686 libz-mingw-w64-dev dpkg-dev file)
fresh_machine_packages=(debootstrap git)
# wine64 is the 64-bit loader only; wine puts wine, wineboot and wineserver on the PATH.
# xfonts-base: the core font of SDL's message box under Xvfb. The fresh-machine group too, so that the
# requirements test can look up which package puts debootstrap on the PATH.
test_packages=("${package_packages[@]}" "${web_packages[@]}" "${fresh_machine_packages[@]}" libpng-dev libgtest-dev
  libbenchmark-dev xdotool x11-utils python3 imagemagick clang libclang-rt-14-dev g++-mingw-w64-x86-64
  gcc-mingw-w64-x86-64-win32 wine64 wine freedm zdbsp glbsp chromium chromium-driver python3-selenium python3-pil
  xfonts-base desktop-file-utils man-db unzip binutils)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  web) packages=("${web_packages[@]}") ;;
  package) packages=("${package_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  fresh-machine) packages=("${fresh_machine_packages[@]}") ;;
  *) echo "usage: $0 [run|web|package|test|fresh-machine] [--list]" >&2; exit 2 ;;
esac
if [[ ${2:-} == --list ]]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
