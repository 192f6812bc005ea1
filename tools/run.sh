#!/bin/bash
# Builds Wadscope and opens the viewer on Freedoom's first episode. With no
# display it renders E1M1 to a PNG instead and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWADSCOPE_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"

# The viewer reads DOOM1.WAD and font.bmp from its working directory.
workdir=build/run
mkdir -p "$workdir"
ln -sf /usr/share/games/doom/freedoom1.wad "$workdir/DOOM1.WAD"
cp assets/font.bmp "$workdir/font.bmp"
cd "$workdir"
shot="$PWD/E1M1.png"
../release/app/headless/wadscope-render --map E1M1 "$shot"
echo "No display: rendered Freedoom's E1M1 to $shot"
