#!/bin/bash
# The packages of build/packages as a user gets them: the .deb through apt (as root; removed again
# at the end), and the zip unpacked beside a level file, its viewer's 64-bit build run under Wine.
# usage: package_test.sh SOURCE_DIR WIN64_WADSCOPE_EXE
set -uo pipefail
source=$(realpath "$1") win64=$(realpath "$2")
source "$source/tests/e2e/lib.sh"  # the scratch folder, fail and pass
require desktop-file-validate desktop-file-utils
require man man-db
require file file
require objdump binutils
require unzip unzip
require apt-get apt
version=$(sed -n 's/^project(Wadscope VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
deb=$source/build/packages/wadscope_${version}_amd64.deb zip=$source/build/packages/wadscope-$version-win32.zip
wad=/usr/share/games/doom/freedoom1.wad render=/usr/bin/wadscope-render
[[ -n $version && -f $deb && -f $zip ]] || fail "no packages of version '$version' (run tools/package.sh)"

before_cleanup() { apt-get remove -y -qq -o DPkg::Lock::Timeout=300 wadscope >/dev/null 2>&1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get install $deb: $(tail -n 3 "$work/apt.log")"

cd "$work" || fail "cannot enter $work"  # no level file, no font.bmp
for program in wadscope wadscope-render wadscope-check; do
  [[ $(/usr/bin/$program --version) == "$program $version" ]] || fail "$program --version: $(/usr/bin/$program --version)"
  /usr/bin/$program --help | grep -q -- --version || fail "$program --help"
done
/usr/bin/wadscope-check --wad "$wad" --map E1M1 | grep -qx "  ok" || fail "wadscope-check on Freedoom's E1M1"
pass "installed with apt; the three programs answer --version with $version, and --help, with no level file; E1M1 checks ok"

shot() { "$render" --wad "$wad" --size 320x200 "$@" >/dev/null 2>>render.log; }
shot found.png && shot --font "$source/assets/font.bmp" given.png && shot --font none.bmp checkerboard.png ||
  fail "wadscope-render: $(cat render.log)"
cmp -s found.png given.png && ! cmp -s found.png checkerboard.png || fail "the shot without font.bmp here is not drawn with the installed font"
: >font.bmp  # the working directory's font.bmp comes before the installed one, even when it holds nothing
shot here.png && cmp -s here.png checkerboard.png || fail "the shot with an empty font.bmp here is not drawn over the checkerboard"
pass "a shot from a folder without font.bmp equals one with the font given; font.bmp here comes first"

desktop=/usr/share/applications/wadscope.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
read -ra entry < <(sed -n 's/^Exec=//p' "$desktop")  # split as the desktop splits it
icon=/usr/share/icons/hicolor/128x128/apps/$(sed -n 's/^Icon=//p' "$desktop").png
[[ ${entry[0]} == wadscope && -f $icon ]] || fail "the menu entry starts '${entry[*]}' with icon $icon"
"$render" "${entry[@]:1}" menu.png >/dev/null || fail "the menu entry's options do not open a level: ${entry[*]}"
pass "desktop-file-validate; the menu entry's options open Freedoom; its icon is installed"

for page in wadscope wadscope-render wadscope-check; do
  text=$(MANWIDTH=80 man --warnings -l "/usr/share/man/man1/$page.1" 2>man.log)
  [[ $text == *"Wadscope $version"* && ! -s man.log ]] || fail "man $page: $(cat man.log)"
done
pass "the three manual pages render without warnings"

depends=" $(dpkg-query -W -f='${Depends}' wadscope | tr , ' ') "
for library in $(objdump -p /usr/bin/wadscope /usr/bin/wadscope-render /usr/bin/wadscope-check | awk '/NEEDED/ {print $2}' | sort -u); do
  owner=$(dpkg -S "*/x86_64-linux-gnu/$library" 2>/dev/null | head -n 1 | cut -d: -f1)
  [[ -n $owner && $depends == *" $owner "* ]] || fail "$library (of ${owner:-no package}) is not a dependency:$depends"
done
[[ $(dpkg-query -W -f='${Recommends}' wadscope) == freedoom ]] || fail "freedoom is not recommended"
pass "the dependencies name every library the programs need, and freedoom is recommended"

unzip -q "$zip" -d zip || fail "cannot unzip $zip"
folder=zip/wadscope-$version-win32
[[ $(LC_ALL=C ls "$folder" | tr '\n' ' ') == "FONT-LICENSE.txt LICENSE README.txt font.bmp wadscope-check.exe wadscope.exe " ]] ||
  fail "the zip holds $(cd zip && find . -type f)"
file -b "$folder/wadscope.exe" | grep -q "^PE32 executable (GUI) Intel 80386" || fail "$(file "$folder/wadscope.exe")"
file -b "$folder/wadscope-check.exe" | grep -q "^PE32 executable (console) Intel 80386" || fail "$(file "$folder/wadscope-check.exe")"
pass "the zip holds a 32-bit GUI wadscope.exe, a console wadscope-check.exe, font.bmp, README.txt and the licences"
# 64-bit Wine runs the 64-bit build in the 32-bit one's place; from elsewhere it reads the font beside it.
cp "$wad" "$folder/DOOM1.WAD" && cp "$win64" "$folder/wadscope.exe"
mkdir elsewhere && ln -s "$wad" elsewhere/DOOM1.WAD
for run in "$folder" elsewhere; do
  bash "$source/tests/e2e/wine_viewer_test.sh" "$folder/wadscope.exe" "$render" "$source" "$run" ||
    fail "the 64-bit viewer in the unpacked zip, started in $run, under Wine"
done
