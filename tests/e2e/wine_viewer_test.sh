#!/bin/bash
# The Windows viewer under Wine on a display of its own, as a person uses it: keys,
# Escape twice, Alt+F4, and another file and map; every picture equals wadscope-render's.
# usage: wine_viewer_test.sh WADSCOPE_EXE WADSCOPE_RENDER SOURCE_DIR [RUN_FOLDER]
# RUN_FOLDER: the viewer runs there (it holds DOOM1.WAD and font.bmp) instead of a fresh folder.
#
# On a bare Xvfb Wine makes the window an X window that covers exactly the Win32 client
# area (the frame is left to a window manager that is not there), so a shot of it is the
# client area. Wine gives X the class "wadscope.exe", so a probe asks Wine for the
# window of class "Wadscope3D": its title, client size, place and style.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
require wine wine
require wineboot wine
require wineserver wine
require x86_64-w64-mingw32-gcc-win32 gcc-mingw-w64-x86-64-win32
require xdotool xdotool
exe=$(realpath "$1") render=$(realpath "$2") source=$(realpath "$3") run=${4:+$(realpath "$4")}
wad=/usr/share/games/doom/freedoom1.wad font=$source/assets/font.bmp
before_cleanup() { WINEPREFIX=$work/prefix wineserver -k 2>/dev/null; }
start_display

# A fresh 64-bit prefix; no Mono or Gecko installers.
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot -i: exit code $? (124: still running after 180 s)"
timeout 120 wineserver -w || fail "the wineserver still runs 120 s after wineboot -i"
cat >"$work/probe.c" <<'C'
#include <stdio.h>
#include <windows.h>
int main(void) {
    HWND window = FindWindowA("Wadscope3D", NULL);
    char title[64] = "";
    RECT client, outer;
    if (!window || !GetWindowTextA(window, title, sizeof title)) return 1;
    GetClientRect(window, &client), GetWindowRect(window, &outer);
    printf("%s|%ldx%ld %ldx%ld %ld,%ld %lu %lu\n", title, client.right, client.bottom, outer.right - outer.left,
           outer.bottom - outer.top, outer.left, outer.top, (unsigned long)GetWindowLongA(window, GWL_STYLE),
           (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
    return 0;
}
C
x86_64-w64-mingw32-gcc-win32 -O1 -o "$work/probe.exe" "$work/probe.c" || fail "cannot build the probe"
# Sets title, client (WxH), outer (WxH), place (X,Y), style and exstyle once the probe finds the window and TEST holds.
probe_until() {  # TEST
  local line
  for _ in {1..25}; do
    line=$(wine "$work/probe.exe" 2>/dev/null | tr -d '\r')
    title=${line%%|*}
    read -r client outer place style exstyle <<<"${line#*|}"
    [[ -n $line ]] && eval "$1" && return 0
    sleep 0.2
  done
  fail "the window of class Wadscope3D: '$line' does not pass $1"
}
send() { xdotool windowfocus --sync "$window" 2>/dev/null; xdotool key --window "$window" "$@"; }

if [[ -z $run ]]; then
  run=$work/run
  mkdir "$run" && ln -s "$wad" "$run/DOOM1.WAD" && cp "$font" "$run/font.bmp"
fi
cd "$run" || fail "cannot enter $run"
start_viewer Wadscope3D wine "$exe"
probe_until '[[ $title == Wadscope3D ]] && (( (style & 0x00CF0000) == 0x00CF0000 ))'
first_client=$client first_outer=$outer
pass "class and title Wadscope3D, an overlapped window, client area $client"
same_picture start "$window" "$client" --wad "$wad" --font "$font"
keys="Right Up*3 Space Ctrl F1 KeypadPlus"
send Right Up Up Up space Control_L F1 KP_Add
same_picture keys "$window" "$client" --wad "$wad" --font "$font" --keys "$keys"
send Escape
probe_until '(( (style & 0x00C00000) == 0 && (exstyle & 8) )) && [[ $place == 0,0 && $outer == "$first_client" ]]'
pass "the first Escape: borderless, topmost, at 0,0, the same client area"
send Escape Left
window=$(xdotool search --name '^Wadscope3D$' | head -1)  # a new X window for the new style
same_picture escape "$window" "$client" --wad "$wad" --font "$font" --keys "$keys Escape Escape Left"
probe_until '(( (style & 0x00CF0000) == 0x00CF0000 && (exstyle & 8) )) && [[ $place == 0,0 && $outer == "$first_outer" ]]'
pass "the second Escape: overlapped again around the same client area, topmost, at 0,0"
send alt+F4  # WM_CLOSE through DefWindowProc
expect_exit 0 "Alt+F4"

# Another file and map: file mode, the map and the file in the title.
start_viewer "Wadscope3D - MAP03 - freedm.wad" wine "$exe" --wad /usr/share/games/doom/freedm.wad --map map03
probe_until '[[ $title == "Wadscope3D - MAP03 - freedm.wad" ]]'
same_picture file-mode "$window" "$client" --wad /usr/share/games/doom/freedm.wad --map map03 --font "$font"
send alt+F4
expect_exit 0 "Alt+F4 in file mode"
