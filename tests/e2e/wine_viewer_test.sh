#!/bin/bash
# The Windows viewer under Wine on a display of its own, as a person uses it: the shared
# scenario (keys, Escape twice, Alt+F4, file mode); every picture equals wadscope-render's.
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
click() { xdotool mousemove --window "$window" --sync "${1%,*}" "${1#*,}" click 1; }
client_size() { probe_until 'true' && echo "$client"; }
# After each Escape: at 0,0 and topmost; borderless around the same client area, or overlapped again.
expect_style() {
  if [[ $1 == borderless ]]; then
    probe_until '(( (style & 0x00C00000) == 0 && (exstyle & 8) )) && [[ $place == 0,0 && $outer == "$first_client" ]]'
  else
    window=$(xdotool search --name '^Wadscope3D$' | head -1)  # a new X window for the new style
    probe_until '(( (style & 0x00CF0000) == 0x00CF0000 && (exstyle & 8) )) && [[ $place == 0,0 && $outer == "$first_outer" ]]'
  fi
  pass "Escape: $1, topmost, at 0,0, the same client area"
}
after_start() {
  probe_until '[[ $title == Wadscope3D ]] && (( (style & 0x00CF0000) == 0x00CF0000 ))'
  first_client=$client first_outer=$outer
  pass "class and title Wadscope3D, an overlapped window, client area $client"
}
after_keys() { :; }
quit() { send alt+F4; }  # WM_CLOSE through DefWindowProc

if [[ -z $run ]]; then
  run=$work/run
  mkdir "$run" && ln -s "$wad" "$run/DOOM1.WAD" && cp "$font" "$run/font.bmp"
fi
cd "$run" || fail "cannot enter $run"
play_scenario wine "$exe"
