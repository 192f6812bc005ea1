#!/bin/bash
# Every program that a script of ours calls must come from a package that
# tools/install-deps.sh installs for it, or from an Essential or required
# package that every Debian system has. Checks each `require PROGRAM PACKAGE`
# line (tools/require.sh) against dpkg, and finds calls of programs from other
# packages that have no such line.
# usage: requirements_test.sh [SOURCE_DIR]; run it after tools/install-deps.sh test.
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The package that owns the file PATH or, when no package owns it (an
# alternative, say), the first link on its way to the real file that one does.
# With merged /usr, dpkg may know /usr/bin/x as /bin/x.
owner() {
  local path=$1 hop candidate owners target
  for hop in 1 2 3 4 5 6; do
    for candidate in "$path" "${path/#\/usr\//\/}"; do
      owners=$(dpkg -S "$candidate" 2>/dev/null | grep -v '^diversion by') || continue
      owners=${owners%%$'\n'*}
      owners=${owners%%: *}
      owners=${owners%%, *}
      echo "${owners%%:*}"
      return 0
    done
    [[ -L $path ]] || return 1
    target=$(readlink "$path")
    [[ $target == /* ]] || target=$(dirname "$path")/$target
    path=$(realpath -s "$target")
  done
  return 1
}
declare -A owner_of=()  # PATH -> its package ('' for none), each looked up once
remember_owner() { [[ -v owner_of[$1] ]] || owner_of[$1]=$(owner "$1"); }

# Essential and required packages, and the programs in them: every Debian system has them.
required_packages=" $(dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' |
  awk '$2 == "yes" || $3 == "required" {printf "%s ", $1}') "
essential() { [[ $required_packages == *" $1 "* ]]; }
declare -A everywhere=()
for file in $(dpkg-query -L $required_packages 2>/dev/null | grep -E '/s?bin/[^/]+$'); do everywhere[${file##*/}]=1; done
installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]; }
# The package itself and the packages it depends on directly (metapackages, python3).
package_and_dependencies() {
  echo "$1"
  dpkg-query -W -f='${Depends}, ${Pre-Depends}' "$1" 2>/dev/null | tr ',|' '\n\n' | sed 's/^ *//; s/[ :(].*//'
}

# The first word of each command in a shell script, roughly: quoted text,
# comments, here-documents, array items and continued lines' starts left out,
# keywords, VAR=value and timeout's duration skipped. Only words that name a
# program matter below.
command_words() {
  awk '
    heredoc != "" { if ($0 ~ "^\t*" heredoc "$") heredoc = ""; next }
    {
      if (quote == "" && match($0, /(^|[^<])<<-?[ \t]*[\047"]?[A-Za-z_]+/)) {
        heredoc = substr($0, RSTART, RLENGTH); sub(/.*<<-?[ \t]*[\047"]?/, "", heredoc)
      }
      continues = continued; continued = ($0 ~ /\\$/)
      line = ""
      for (i = 1; i <= length($0); i++) {
        c = substr($0, i, 1)
        if (quote != "") {
          if (c == "\\" && quote == "\"") i++
          else if (c == quote) quote = ""
        } else if (c == "\047" || c == "\"") quote = c
        else if (c == "\\") i++
        else if (c == "#" && (i == 1 || substr($0, i - 1, 1) ~ /[ \t;|&(]/)) break
        else line = line c
      }
      if (array) { if (!sub(/^[^)]*\)/, "", line)) next; array = 0 }
      if (line ~ /=\([^)]*$/) array = 1
      gsub(/=\([^)]*\)?/, "=", line)
      sub(/^[ \t]*[^ \t()]+\)/, "", line)
      gsub(/\)/, " ", line)
      count = split(line, pieces, /[|&;({`]/)
      for (p = continues ? 2 : 1; p <= count; p++) {
        n = split(pieces[p], words, /[ \t]+/)
        for (w = 1; w <= n; w++) {
          word = words[w]
          if (word == "" || word ~ /^(!|if|then|else|elif|do|while|until|exec|time|timeout|[0-9.]+[smhd]?|[A-Za-z_][A-Za-z0-9_]*=.*)$/) continue
          if (word ~ /^(\/|[A-Za-z_])[A-Za-z0-9_.+\/-]*$/ && word !~ /^[^\/].*\//) print word
          break
        }
      }
    }' "$1" | sort -u
}

scripts=($(find tools tests fuzz -name '*.sh' | sort) .ci/run)
for script in "${scripts[@]}"; do
  group=$(grep -oE '^[[:space:]]*tools/install-deps\.sh [a-z-]+' "$script" | head -n 1 | awk '{print $2}')
  group=${group:-test}
  listed=" $(tools/install-deps.sh "$group" --list | tr '\n' ' ') "
  declare -A declared=()

  while read -r program package; do
    declared[$program]=1
    [[ $listed == *" $package "* ]] || essential "$package" ||
      { fail "$script: require $program $package: tools/install-deps.sh $group does not list $package"; continue; }
    if ! installed "$package"; then
      echo "not checked: $script: require $program $package ($package is not installed here)"
      continue
    fi
    path=$(type -P "$program") || { fail "$script: $package is installed but puts no $program on the PATH"; continue; }
    remember_owner "$path"
    from=${owner_of[$path]}
    [[ -n $from ]] || { fail "$script: $program ($path) comes from no Debian package"; continue; }
    [[ $'\n'$(package_and_dependencies "$package")$'\n' == *$'\n'"$from"$'\n'* ]] ||
      fail "$script: require $program $package: $path comes from $from"
  done < <(awk '$1 == "require" && NF >= 3 {print $2, $3}' "$script")

  functions=" $(grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*\(\)' "$script" | tr -d ' \t()' | tr '\n' ' ') "
  for word in $(command_words "$script"); do
    [[ -n ${declared[$word]:-} || -n ${everywhere[$word]:-} || $functions == *" $word "* ]] && continue
    [[ $(type -t "$word") == @(builtin|keyword) ]] && continue
    path=$(type -P "$word") || continue
    remember_owner "$path"
    from=${owner_of[$path]}
    [[ -n $from ]] && essential "$from" && continue
    fail "$script calls $word ($path, from ${from:-no package}) but has no 'require $word PACKAGE'"
  done
  unset declared
done

echo "requirements: ${#scripts[@]} scripts checked, $failures failures"
((failures == 0))
