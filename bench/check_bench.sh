#!/bin/bash
# Side by side in one run: checking every map's tree with wadscope-check against
# rebuilding every map's nodes with Debian's zdbsp, the work a check spares.
# Prints hyperfine's table (markdown); its Relative column is the ratio.
# usage: bench/check_bench.sh WADSCOPE_CHECK [LEVEL_FILE]
set -euo pipefail
check=$(realpath "$1")
wad=$(realpath "${2:-/usr/share/games/doom/freedoom1.wad}")
source "$(dirname "$0")/../tools/require.sh"
require hyperfine hyperfine
require zdbsp zdbsp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# -i: a map with a fault makes the check exit 1, and only the time counts here.
hyperfine -N -i --warmup 2 --runs 10 --style basic --export-markdown "$work/check.md" \
  "$check --wad $wad" "zdbsp -o $work/out.wad $wad"
cat "$work/check.md"
