#!/bin/bash
# usage: fuzz/run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]   (BUILD_DIR: -DWADSCOPE_FUZZ=ON; default: all)
# Each target for SECONDS on a scratch copy of its corpus (the committed one never grows). Nonzero on a
# missing binary or any finding: crash, sanitizer error, leak, hang, out-of-memory (BUILD_DIR/fuzz-findings/TARGET/).
set -uo pipefail
(($# >= 2)) || { echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2; exit 2; }
build_dir=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
(($#)) || set -- level_fuzzer font_fuzzer keys_fuzzer

# Longest inputs: a 16 KiB level after its settings, a font file of a few KiB, the 512 keys the keys target reads.
# A hang only far above the slowest real input (tens of ms), so that a busy machine reports none falsely.
declare -A max_len=([level_fuzzer]=16400 [font_fuzzer]=8192 [keys_fuzzer]=512)
declare -A timeout=([level_fuzzer]=30 [font_fuzzer]=30 [keys_fuzzer]=20)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
final_stat() { sed -n "s/^stat::$1: *//p" "$scratch/log" | tail -1 | grep . || echo '?'; }

status=0
for target in "$@"; do
  findings=$build_dir/fuzz-findings/$target
  mkdir -p "$findings" "$scratch/$target"
  cp "$(dirname "$0")/corpus/$target/"* "$scratch/$target/" 2>/dev/null
  if "$build_dir/fuzz/$target" "$scratch/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout="${timeout[$target]:-10}" -max_len="${max_len[$target]:-4096}" -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$scratch/log" 2>&1; then
    echo "fuzz: $target: ok, $(final_stat number_of_executed_units) executions in $seconds s" \
      "($(final_stat average_exec_per_sec)/s, slowest input $(final_stat slowest_unit_time_sec) s)"
  else
    echo "fuzz: $target: FAILED (exit $?) after $(final_stat number_of_executed_units) runs; inputs in $findings"
    tail -n 60 "$scratch/log" >&2
    status=1
  fi
done
exit $status
