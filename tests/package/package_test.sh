#!/bin/bash
# The packages of build/packages as a user gets them. The Debian package installs
# with apt (as root; removed again at the end), its programs answer with the
# project's version and find their font, its menu entry and manual pages pass
# Debian's checks, and its dependencies name every library the programs link.
# The Windows zip holds the 32-bit GUI program and its files; the 64-bit build
# of the same sources runs under Wine from the unpacked folder.
# usage: package_test.sh SOURCE_DIR WIN64_WADSCOPE_EXE
set -uo pipefail
source=$(realpath "$1") win64=$(realpath "$2")
source "$source/tools/require.sh"
require desktop-file-validate desktop-file-utils
require man man-db
require file file
require objdump binutils
require unzip unzip
require apt-get apt
version=$(sed -n 's/^project(Wadscope VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
deb=$source/build/packages/wadscope_${version}_amd64.deb zip=$source/build/packages/wadscope-$version-win32.zip
wad=/usr/share/games/doom/freedoom1.wad render=/usr/bin/wadscope-render

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }
work=$(mktemp -d) installed=''
cleanup() {
  [[ -n $installed ]] && apt-get remove -y -qq -o DPkg::Lock::Timeout=300 wadscope >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

[[ -n $version && -f $deb && -f $zip ]] || fail "no packages of version '$version' (run tools/package.sh)"
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get install $deb: $(tail -n 3 "$work/apt.log")"
pass "apt-get install $(basename "$deb")"

cd "$work" || fail "cannot enter $work"  # no level file, no font.bmp
for program in wadscope wadscope-render; do
  [[ $(/usr/bin/$program --version) == "$program $version" ]] || fail "$program --version: $(/usr/bin/$program --version)"
  /usr/bin/$program --help | grep -q -- --version || fail "$program --help"
done
pass "both programs answer --version with $version, and --help, with no level file"

# Without font.bmp here the installed copy is read: the same picture as with the font named, not the checkerboard's.
shot() { "$render" --wad "$wad" --size 320x200 "$@" >/dev/null 2>>render.log; }
shot found.png && shot --font "$source/assets/font.bmp" given.png && shot --font none.bmp checkerboard.png ||
  fail "wadscope-render: $(cat render.log)"
cmp -s found.png given.png && ! cmp -s found.png checkerboard.png || fail "the shot without font.bmp here is not drawn with the installed font"
pass "a shot from a folder without font.bmp equals one with the font given"

desktop=/usr/share/applications/wadscope.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
read -r program options < <(sed -n 's/^Exec=//p' "$desktop")
icon=/usr/share/icons/hicolor/128x128/apps/$(sed -n 's/^Icon=//p' "$desktop").png
[[ $program == wadscope && -f $icon ]] || fail "the menu entry starts '$program' with icon $icon"
# shellcheck disable=SC2086  # the entry's options, split as the desktop splits them
"$render" $options menu.png >/dev/null || fail "the menu entry's options '$options' do not open a level"
pass "desktop-file-validate; the menu entry's options open Freedoom; its icon is installed"

for page in wadscope wadscope-render; do
  text=$(MANWIDTH=80 man --warnings -l "/usr/share/man/man1/$page.1" 2>man.log)
  [[ $text == *"Wadscope $version"* && ! -s man.log ]] || fail "man $page: $(cat man.log)"
done
pass "both manual pages render without warnings"

depends=$(dpkg-query -W -f='${Depends}' wadscope)
names=" ${depends//,/ } "
ldd /usr/bin/wadscope /usr/bin/wadscope-render | grep "not found" && fail "libraries not found"
for library in $(objdump -p /usr/bin/wadscope /usr/bin/wadscope-render | awk '/NEEDED/ {print $2}' | sort -u); do
  owner=$(dpkg -S "*/x86_64-linux-gnu/$library" 2>/dev/null | head -n 1 | cut -d: -f1)
  [[ -n $owner && $names == *" $owner "* ]] || fail "$library ($owner) is not a dependency: $depends"
done
[[ $(dpkg-query -W -f='${Recommends}' wadscope) == freedoom ]] || fail "freedoom is not recommended: $depends"
pass "the dependencies name every library the programs need, and freedoom is recommended"

unzip -q "$zip" -d zip || fail "cannot unzip $zip"
folder=zip/wadscope-$version-win32
[[ $(cd "$folder" && LC_ALL=C ls | tr '\n' ' ') == "FONT-LICENSE.txt LICENSE README.txt font.bmp wadscope.exe " ]] ||
  fail "the zip holds $(cd zip && find . -type f)"
file -b "$folder/wadscope.exe" | grep -q "^PE32 executable (GUI) Intel 80386" || fail "$(file "$folder/wadscope.exe")"
cmp -s "$folder/font.bmp" "$source/assets/font.bmp" || fail "the zip's font.bmp is not assets/font.bmp"
pass "the zip holds a 32-bit GUI wadscope.exe, font.bmp, README.txt and the licences"
cp "$wad" "$folder/DOOM1.WAD" && cp "$win64" "$folder/wadscope.exe"
bash "$source/tests/e2e/wine_viewer_test.sh" "$folder/wadscope.exe" "$render" "$source" "$folder" ||
  fail "the 64-bit viewer in the unpacked zip under Wine"
# Started from a folder with no font.bmp, it reads the one beside it.
mkdir elsewhere && ln -s "$wad" elsewhere/DOOM1.WAD
bash "$source/tests/e2e/wine_viewer_test.sh" "$folder/wadscope.exe" "$render" "$source" elsewhere ||
  fail "the 64-bit viewer from the unpacked zip, started elsewhere, under Wine"
