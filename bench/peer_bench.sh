#!/bin/bash
# Side by side in one run: every map of a level file to PNG with wadscope-render
# --map all and with omgifol's drawmaps.py (Debian python3-omg), the tool a user
# has today; the same maps as UDMF when given (tests' wadscope-fixtures --udmf makes them); then one
# 1920x1080 shot. Prints hyperfine's tables (markdown).
# usage: bench/peer_bench.sh WADSCOPE_RENDER [LEVEL_FILE [ITS_UDMF_COPY]]
set -euo pipefail
render=$(realpath "$1")
wad=${2:-/usr/share/games/doom/freedoom1.wad}
udmf=${3:+$(realpath "$3")}
font=$(cd "$(dirname "$0")/.." && pwd)/assets/font.bmp
drawmaps=/usr/share/doc/python3-omg/examples/drawmaps.py
source "$(dirname "$0")/../tools/require.sh"
require hyperfine hyperfine
require /usr/bin/python3 python3
[[ -f $drawmaps ]] || { echo "missing $drawmaps (Debian packages python3-omg and python3-pil)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# drawmaps.py writes NAME_map.png into the working directory.
hyperfine -N --warmup 1 --runs 5 --style basic --export-markdown batch.md \
  "$render --wad $wad --font $font --map all --size 1920x1080 --keys Space $work/shots" \
  ${udmf:+"$render --wad $udmf --font $font --map all --size 1920x1080 --keys Space $work/udmf-shots"} \
  "/usr/bin/python3 $drawmaps $wad * 1920 PNG"
hyperfine -N --warmup 3 --runs 30 --style basic --export-markdown shot.md \
  "$render --wad $wad --font $font --map E1M1 --size 1920x1080 --keys Space $work/shot.png"
cat batch.md shot.md
