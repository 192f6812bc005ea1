#!/bin/bash
# usage: fuzz/run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]   (BUILD_DIR: -DWADSCOPE_FUZZ=ON; default: all)
# Each target for SECONDS on a scratch copy of its corpus (the committed one never grows), one a core. Nonzero on a
# missing binary or any finding: crash, sanitizer error, leak, hang, out-of-memory (BUILD_DIR/fuzz-findings/TARGET/).
set -uo pipefail
(($# >= 2)) || { echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2; exit 2; }
build_dir=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
(($#)) || set -- level_fuzzer font_fuzzer keys_fuzzer

# Longest inputs: a 16 KiB level after its settings (a compressed tree may inflate to far more), a font file of
# a few KiB, the 512 keys the keys target reads. A hang only far above the slowest real input (tens of ms), so that a busy machine reports none falsely.
declare -A max_len=([level_fuzzer]=16400 [font_fuzzer]=8192 [keys_fuzzer]=512)
declare -A timeout=([level_fuzzer]=30 [font_fuzzer]=30 [keys_fuzzer]=20)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
final_stat() { sed -n "s/^stat::$2: *//p" "$scratch/$1.log" | tail -1 | grep . || echo '?'; }

# One target on a scratch copy of its corpus; its lines go to standard output, the log's tail to standard error.
run_one() {
  local target=$1 findings=$build_dir/fuzz-findings/$1
  mkdir -p "$findings" "$scratch/$target"
  cp "$(dirname "$0")/corpus/$target/"* "$scratch/$target/" 2>/dev/null
  if "$build_dir/fuzz/$target" "$scratch/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout="${timeout[$target]:-10}" -max_len="${max_len[$target]:-4096}" -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$scratch/$target.log" 2>&1; then
    echo "fuzz: $target: ok, $(final_stat "$target" number_of_executed_units) executions in $seconds s" \
      "($(final_stat "$target" average_exec_per_sec)/s, slowest input $(final_stat "$target" slowest_unit_time_sec) s)"
  else
    echo "fuzz: $target: FAILED (exit $?) after $(final_stat "$target" number_of_executed_units) runs; inputs in $findings"
    tail -n 60 "$scratch/$target.log" >&2
    return 1
  fi
}

# As many targets at a time as there are cores, each reported when it ends.
status=0 running=()
finish_oldest() {
  wait "${running[0]}" || status=1
  cat "$scratch/${running[1]}.out"
  running=("${running[@]:2}")
}
for target in "$@"; do
  run_one "$target" >"$scratch/$target.out" 2>&1 &
  running+=($! "$target")
  ((${#running[@]} / 2 < $(nproc))) || finish_oldest
done
while ((${#running[@]})); do finish_oldest; done
exit $status
