#!/bin/bash
# Builds Wadscope and opens the viewer on Freedoom's first episode. With no
# display it renders E1M1 to a PNG instead and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
source tools/require.sh
require cmake cmake
require ninja ninja-build
require g++ g++
cmake -S . -B build/viewer -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWADSCOPE_TESTS=OFF >/dev/null
cmake --build build/viewer -j "$(nproc)"

# The viewer reads DOOM1.WAD and font.bmp from its working directory.
workdir=build/run
mkdir -p "$workdir"
ln -sf /usr/share/games/doom/freedoom1.wad "$workdir/DOOM1.WAD"
cp assets/font.bmp "$workdir/font.bmp"
cd "$workdir"
# The window, when there is a display it can open on: E1M1 fitted to the window,
# so the whole map shows beside the walls; keypad plus and minus step through all 36 maps.
if [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
  ../viewer/app/sdl/wadscope --map E1M1 --fit && exit 0
  echo "The viewer could not open a window; rendering a picture instead." >&2
fi
shot="$PWD/E1M1.png"
../viewer/app/headless/wadscope-render --map E1M1 --fit "$shot"
echo "No display: rendered Freedoom's E1M1 to $shot"
