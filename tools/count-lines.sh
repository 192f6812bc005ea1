#!/bin/bash
# Non-blank lines of source and scripts (C++, CMake, shell, Python, JavaScript; not the
# fuzz corpora, pictures or docs): everything under tests/ and fuzz/ against the rest.
# Prints one line; the aim is tests at most 40 % of the code.
cd "$(dirname "$0")/.." || exit 2
source tools/require.sh
require git git
lines() { [[ $# -eq 0 ]] && echo 0 || cat "$@" | grep -cv '^[[:space:]]*$'; }
mapfile -t files < <(git ls-files | grep -E '\.(cpp|h|h\.in|cmake|sh|py|js)$|(^|/)CMakeLists\.txt$|^\.ci/run$' | grep -v '^fuzz/corpus/')
mapfile -t tests < <(printf '%s\n' "${files[@]}" | grep -E '^(tests|fuzz)/')
mapfile -t code < <(printf '%s\n' "${files[@]}" | grep -vE '^(tests|fuzz)/')
test_lines=$(lines "${tests[@]}") code_lines=$(lines "${code[@]}")
echo "test lines: $test_lines, code lines: $code_lines, tests $((100 * test_lines / code_lines)) % of the code (the aim: at most 40 %)"
