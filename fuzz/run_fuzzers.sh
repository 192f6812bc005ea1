#!/bin/bash
# Runs each fuzzer for SECONDS on a scratch copy of its committed corpus (the
# committed corpus never grows here), one after the other. Exits nonzero when
# any fuzzer reports a crash, sanitizer error, leak, timeout or out-of-memory,
# or does not run at all; the input that caused it is kept under
# BUILD_DIR/fuzz-findings/<target>/.
#
# usage: fuzz/run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]
#   BUILD_DIR: a build configured with -DWADSCOPE_FUZZ=ON (clang)
#   TARGET:    level_fuzzer, font_fuzzer, keys_fuzzer (default: all three)
set -uo pipefail

if (($# < 2)); then
  echo "usage: $0 BUILD_DIR SECONDS [TARGET...]" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
targets=("$@")
((${#targets[@]})) || targets=(level_fuzzer font_fuzzer keys_fuzzer)
fuzz_dir=$(cd "$(dirname "$0")" && pwd)

# Longest input per target: a level of up to 16 KiB after its settings, a font
# file of a few KiB, and as many keys as the keys fuzzer reads.
declare -A max_len=([level_fuzzer]=16400 [font_fuzzer]=8192 [keys_fuzzer]=512)
# One input may take this long (seconds of wall-clock time) before it counts as
# a hang: far above the slowest real input (tens of milliseconds), so that a
# loaded machine or a run at low priority does not report a hang falsely.
declare -A timeout=([level_fuzzer]=30 [font_fuzzer]=30 [keys_fuzzer]=20)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wadscope-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
summary=()
for target in "${targets[@]}"; do
  binary="$build_dir/fuzz/$target"
  if [[ ! -x "$binary" ]]; then
    summary+=("$target: FAILED (no binary at $binary)")
    status=1
    continue
  fi
  corpus="$scratch/$target"
  mkdir -p "$corpus"
  cp "$fuzz_dir/corpus/$target/"* "$corpus/" 2>/dev/null || true
  findings="$build_dir/fuzz-findings/$target"
  mkdir -p "$findings"
  log="$scratch/$target.log"
  "$binary" "$corpus" -max_total_time="$seconds" -timeout="${timeout[$target]:-10}" \
    -max_len="${max_len[$target]:-4096}" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  slowest=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$log" | tail -1)
  if ((rc == 0)); then
    summary+=("$target: ok, ${runs:-?} executions in ${seconds} s (${rate:-?}/s, slowest input ${slowest:-?} s)")
  else
    status=1
    summary+=("$target: FAILED (exit $rc) after ${runs:-?} executions; inputs in $findings")
    echo "---- $target: last lines of its log ----" >&2
    tail -n 60 "$log" >&2
  fi
done

for line in "${summary[@]}"; do echo "fuzz: $line"; done
exit $status
