# How a script declares the programs it calls; read this before you add a
# script, or a program to one. Near the top of the script, after its call of
# tools/install-deps.sh if it makes one, source this file and name each program
# from outside the project with the Debian package that puts it on the PATH:
#
#   source tools/require.sh    (or its path from the script's own folder)
#   require xdotool xdotool
#   require wineserver wine
#
# List that package in tools/install-deps.sh, in the group that the script
# installs (its line `tools/install-deps.sh GROUP`; test when it has none).
# Programs of Debian's Essential or required packages (coreutils, sed, grep,
# mawk, mount...) need no line. tests/requirements_test.sh (the CTest test
# script_requirements) checks each line against dpkg and install-deps.sh, and
# fails on calls of programs from other packages that have no line.

require() {  # require PROGRAM PACKAGE: stops the script at once when PROGRAM is missing
  command -v "$1" >/dev/null && return
  echo "$(basename "$0"): missing program '$1', from the Debian package '$2' (apt-get install $2)" >&2
  exit 127
}
