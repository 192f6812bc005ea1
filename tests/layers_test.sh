#!/bin/bash
# The layers platform < wad < draw < render < app: a header of a higher layer does not
# compile from a lower one with that layer's include folder, its own headers do; and no
# file below app/ prints or calls malloc or free.
# usage: layers_test.sh CXX LAYERS_FOLDER SOURCE_DIR
set -uo pipefail
cxx=$1 layers=$2 source=$3
cd "$(mktemp -d)" || exit 2  # quoted includes from standard input are looked up here first
trap 'rm -rf "$PWD"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
compiles() { echo "#include \"$2\"" | "$cxx" -std=c++20 -fsyntax-only -x c++ -I "$layers/$1" - 2>/dev/null; }
order=(platform wad draw render app)
header=(platform/huge_pages.h wad/level.h draw/line.h render/render_frame.h app/session.h)
for ((low = 1; low < ${#order[@]}; ++low)); do
  compiles "${order[low]}" "${header[low]}" || fail "${order[low]} cannot include its own ${header[low]}"
  for ((high = low + 1; high < ${#order[@]}; ++high)); do
    compiles "${order[low]}" "${header[high]}" && fail "${order[low]} can include ${header[high]}"
  done
done
calls=$(grep -nE '\b(printf|fprintf|puts|fputs|perror|cout|cerr|malloc|calloc|realloc|free)\b *\(|std::(cout|cerr)' \
  "$source"/wad/*.[ch]* "$source"/draw/*.[ch]* "$source"/render/*.[ch]*)
[[ -z $calls ]] || fail "below app/, a print or an allocation by hand: $calls"
echo "layers: $failures failures"
((failures == 0))
