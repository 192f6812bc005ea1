#!/bin/bash
# Every program a script of ours calls comes from a package that tools/install-deps.sh
# installs for it, or from an Essential or required package that every Debian has:
# each `require PROGRAM PACKAGE` line (tools/require.sh) is checked against dpkg, and a
# call of a program from another package without such a line fails.
# usage: requirements_test.sh [SOURCE_DIR]; run it after tools/install-deps.sh test.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The package that owns a program's file, through links (alternatives) and merged /usr.
owner() {
  local path=$1 link
  for _ in 1 2 3 4 5 6; do
    for candidate in "$path" "${path#/usr}"; do
      dpkg -S "$candidate" 2>/dev/null | grep -v '^diversion' | sed -n '1s/[:,].*//p' | grep . && return
    done
    link=$(readlink "$path") || return 1
    [[ $link == /* ]] && path=$link || path=$(dirname "$path")/$link
  done
  return 1
}
required=" $(dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' | awk '$2 == "yes" || $3 == "required" {printf "%s ", $1}') "

# Roughly the first word of each command: here-documents, arrays, comments and quoted text left out.
command_words() {
  awk '
    heredoc != "" { if ($0 ~ "^[ \t]*" heredoc "$") heredoc = ""; next }
    quoted { if (!sub(/^[^\047]*\047/, "")) next; quoted = 0 }  # inside text quoted over several lines
    array { array = $0 !~ /\)/; next }
    /^[ \t]*#/ || /=\([^)]*$/ { array = $0 !~ /^[ \t]*#/; next }
    match($0, /<<-?[ \t]*[\047"]?[A-Za-z_]+/) { heredoc = substr($0, RSTART, RLENGTH); gsub(/[<\047" \t-]/, "", heredoc) }
    {
      line = $0
      sub(/[ \t]#.*/, "", line)
      gsub(/=\([^)]*\)/, "=", line)
      gsub(/\047[^\047]*\047|"[^"]*"/, "", line)
      if (sub(/\047.*/, "", line)) quoted = 1
      count = split(line, pieces, /\$\(|[|&;({`]/)
      for (p = 1; p <= count; p++) {
        n = split(pieces[p], words, /[ \t]+/)
        for (w = 1; w <= n; w++) {  # past keywords, VAR=value and timeout with its duration
          if (words[w] ~ /^(|!|if|then|else|elif|do|while|until|exec|time|timeout|[0-9.]+[smhd]?|[A-Za-z_][A-Za-z0-9_]*=.*)$/) continue
          if (words[w] ~ /^[A-Za-z0-9_.\/+-]+$/) print words[w]
          break
        }
      }
    }' "$1" | sort -u
}

for script in $(find tools tests fuzz -name '*.sh' | sort) .ci/run; do
  group=$(sed -n 's/^[[:space:]]*tools\/install-deps\.sh \([a-z-]*\).*/\1/p' "$script" | head -n 1)
  group=${group:-test}
  listed=" $(tools/install-deps.sh "$group" --list | tr '\n' ' ') "
  declared=" $(grep -oE '^[[:space:]]*[A-Za-z_]+\(\)' "$script" | tr -d ' \t()' | tr '\n' ' ') "  # its functions too
  while read -r program package; do
    declared+="$program "
    [[ $listed$required == *" $package "* ]] || fail "$script: $package (for $program) is not in install-deps.sh $group"
    from=$(owner "$(type -P "$program")") || { fail "$script: no package puts $program on the PATH"; continue; }
    [[ $from == "$package" || ", $(dpkg-query -W -f='${Depends}, ${Pre-Depends}' "$package"), " == *", $from"[\ ,]* ]] ||
      fail "$script: $program comes from $from, not from $package"
  done < <(awk '$1 == "require" {print $2, $3}' "$script")
  for word in $(command_words "$script"); do
    # Options, our own scripts (relative paths) and the script's functions are no programs to declare.
    [[ $word == -* || $word == [^/]*/* || $declared == *" $word "* || $(type -t "$word") != file ]] && continue
    from=$(owner "$(type -P "$word")") && [[ $required == *" $from "* ]] && continue
    fail "$script calls $word (from ${from:-no package}) but has no 'require $word PACKAGE'"
  done
done
echo "requirements: $failures failures"
((failures == 0))
