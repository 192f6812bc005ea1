#!/bin/bash
# Builds the viewer's web page into OUTDIR (default build/web-site): index.html,
# page.js, wadscope.js, wadscope.wasm and the font; nothing is fetched from
# elsewhere when the page runs. Open it with `python3 -m http.server` in OUTDIR.
# Usage: tools/build-web.sh [OUTDIR]
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")/../build/web-site}")
cd "$(dirname "$0")/.."
tools/install-deps.sh web

source tools/require.sh
require emcmake emscripten
require cmake cmake
require ninja ninja-build
require apt-get apt
require bzip2 bzip2

# Emscripten's own JavaScript tools look for their modules (acorn) where
# Debian puts them, which a node from elsewhere does not search.
export NODE_PATH=/usr/share/nodejs

# WebAssembly has no zlib library: the build compiles zlib's inflate from
# Debian's zlib source, which apt-get fetches and checks against the signed
# archive index once, into build/web-deps.
zlib=$PWD/build/web-deps/zlib
if [[ ! -f $zlib/inflate.c ]]; then
  apt=$PWD/build/web-deps/apt
  rm -rf "$apt" "$zlib"
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial" "$zlib"
  # The machine's Debian archive, for source packages.
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt/sources/debian.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt/sources/debian.list"
  fi
  options=(-qq -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
  # The release's own zlib: the archive here serves no source packages of its updates.
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get "${options[@]}" update
  (cd "$apt" && apt-get "${options[@]}" source --download-only "zlib/$codename" >/dev/null)
  tar -xf "$apt"/zlib_*.orig.tar.* -C "$zlib" --strip-components=1
fi

emcmake cmake -S . -B build/web -G Ninja -DCMAKE_BUILD_TYPE=Release -DWADSCOPE_ZLIB_SOURCE="$zlib" >/dev/null
cmake --build build/web --target wadscope-web
mkdir -p "$out"
cp build/web/web/site/* "$out"/
echo "Web page in $out"
