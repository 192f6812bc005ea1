#!/bin/bash
# Runs the Windows viewer under Wine on a virtual display as a person would:
# keys, Escape twice, Alt+F4; every picture must equal wadscope-render's.
# usage: wine_viewer_test.sh WADSCOPE_EXE WADSCOPE_RENDER SOURCE_DIR [RUN_FOLDER]
# RUN_FOLDER: the viewer runs there (it holds DOOM1.WAD and font.bmp) instead of a fresh folder.
#
# What Wine does on a bare Xvfb (no window manager): the viewer's window is a
# "managed" X window that covers exactly the Win32 client area (Wine leaves the
# frame to a window manager that is not there), so `import -window` returns
# the client area with no cropping; after the first Escape the borderless
# window's X window is the whole window, at 0,0. Wine gives X the class
# "wadscope.exe", not the Win32 class, so a small probe program asks Wine for
# the window of class "Wadscope3D" and its title, client size, place and style.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/require.sh"
require Xvfb xvfb
require wine wine
require wineboot wine
require wineserver wine
require x86_64-w64-mingw32-gcc-win32 gcc-mingw-w64-x86-64-win32
require xdotool xdotool
require xwininfo x11-utils
require import imagemagick
require compare imagemagick

exe=$(realpath "$1") render=$(realpath "$2") source=$(realpath "$3") run=${4:+$(realpath "$4")}
wad=/usr/share/games/doom/freedoom1.wad
font=$source/assets/font.bmp

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }

for file in "$exe" "$render" "$wad" "$font"; do
  [[ -f $file ]] || fail "missing $file"
done

work=$(mktemp -d /tmp/wadscope-wine.XXXXXX)
xvfb_pid='' viewer_pid=''
cleanup() {
  [[ -n $viewer_pid ]] && kill "$viewer_pid" 2>/dev/null
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

# Our own display: Xvfb takes the first free number and writes it once it
# listens (lock files cannot tell in a chroot, whose /tmp is its own while X's
# abstract sockets are the machine's).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -s $work/display ]] || fail "no Xvfb display could be started"
export DISPLAY=:$(<"$work/display")

# A fresh 64-bit prefix; no Mono or Gecko installers.
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
timeout 180 wineboot -i >"$work/wineboot.log" 2>&1
boot_status=$?
if ((boot_status != 0)); then
  tail -n 20 "$work/wineboot.log" | sed 's/^/  wineboot: /'
  fail "wineboot -i ended with exit code $boot_status (124: still running after 180 s)"
fi
timeout 120 wineserver -w || fail "the wineserver still runs 120 s after wineboot -i"

cat >"$work/probe.c" <<'EOF'
#include <stdio.h>
#include <windows.h>
int main(void) {
    HWND window = FindWindowA("Wadscope3D", NULL);
    if (!window) return 1;
    char title[64] = "";
    RECT client, outer;
    GetWindowTextA(window, title, sizeof title);
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    printf("%s %ldx%ld %ldx%ld %ld %ld 0x%08lx 0x%08lx\n", title, client.right, client.bottom,
           outer.right - outer.left, outer.bottom - outer.top, outer.left, outer.top,
           (unsigned long)GetWindowLongA(window, GWL_STYLE),
           (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
    return 0;
}
EOF
x86_64-w64-mingw32-gcc-win32 -O1 -o "$work/probe.exe" "$work/probe.c" || fail "cannot build the probe"
# Prints: title, client WxH, outer WxH, left, top, style, exstyle of the window of class Wadscope3D.
probe() { wine "$work/probe.exe" 2>/dev/null | tr -d '\r'; }

if [[ -z $run ]]; then
  run=$work/run
  mkdir "$run"
  ln -s "$wad" "$run/DOOM1.WAD"
  cp "$font" "$run/font.bmp"
fi
cd "$run" || fail "cannot enter $run"
started=$SECONDS
wine "$exe" >"$work/viewer.log" 2>&1 &
viewer_pid=$!

window=$(timeout 60 xdotool search --sync --name '^Wadscope3D$' | head -1)
[[ -n $window ]] || fail "no window titled Wadscope3D appeared"
pass "window titled Wadscope3D after $((SECONDS - started)) s"

read -r title client outer left top style exstyle < <(probe)
[[ $title == Wadscope3D ]] || fail "no Win32 window of class Wadscope3D (probe: '$title')"
(( (style & 0x00CF0000) == 0x00CF0000 )) || fail "style $style is not an overlapped window"
x_size=$(xwininfo -id "$window" | awk '/-geometry/ { sub(/\+.*/, "", $2); print $2 }')
[[ $client == "$x_size" ]] || fail "client area $client but X window $x_size"
pass "class and title Wadscope3D, overlapped style $style, client area $client in $outer"

# The picture must become render's for these keys; a shot taken mid-paint is retried.
expect_picture() {  # name, key script
  "$render" --wad "$wad" --font "$font" --size "$client" --keys "$2" "$work/expected.png" \
    >/dev/null 2>&1 || fail "wadscope-render failed for '$2'"
  local differing=''
  for _ in $(seq 20); do
    sleep 0.2
    window=$(xdotool search --name '^Wadscope3D$' | head -1)
    import -window "$window" "$work/shot.png" 2>/dev/null || continue
    differing=$(compare -metric AE "$work/expected.png" "$work/shot.png" null: 2>&1)
    [[ $differing == 0 ]] && { pass "$1: window equals wadscope-render --keys \"$2\""; return; }
  done
  cp "$work/shot.png" "/tmp/wadscope-wine-$1.png" 2>/dev/null
  fail "$1: window differs from wadscope-render --keys \"$2\" ($differing pixels; shot in /tmp/wadscope-wine-$1.png)"
}

# Probes until the arithmetic test $1 on style, exstyle, left and top holds.
probe_until() {
  for _ in $(seq 10); do
    read -r title client_now outer_now left top style exstyle < <(probe)
    [[ $title == Wadscope3D ]] && (($1)) && return 0
    sleep 0.2
  done
  return 1
}

send() { xdotool windowfocus --sync "$window" 2>/dev/null; xdotool key --window "$window" "$@"; }

expect_picture start ""
keys="Right Up*3 Space Ctrl F1 KeypadPlus"
send Right Up Up Up space Control_L F1 KP_Add
expect_picture keys "$keys"

send Escape
probe_until '(style & 0x00C00000) == 0 && (exstyle & 0x8) && left == 0 && top == 0' ||
  fail "first Escape: style $style exstyle $exstyle at $left,$top, not borderless topmost at 0,0"
[[ $client_now == "$client" && $outer_now == "$client" ]] ||
  fail "first Escape: client area $client_now in $outer_now, was $client"
pass "first Escape: borderless ($style), topmost, at 0,0, client area $client_now"
send Escape Left
keys+=" Escape Escape Left"
expect_picture escape "$keys"
probe_until '(style & 0x00CF0000) == 0x00CF0000 && (exstyle & 0x8) && left == 0 && top == 0' ||
  fail "second Escape: style $style exstyle $exstyle at $left,$top, not overlapped topmost at 0,0"
# The frame comes back around the same client area, as before the first Escape.
[[ $client_now == "$client" && $outer_now == "$outer" ]] ||
  fail "second Escape: client area $client_now in $outer_now, was $client in $outer"
pass "second Escape: overlapped again ($style), topmost, at 0,0, client area $client_now in $outer_now"

# Alt+F4 goes through DefWindowProc as WM_CLOSE, as a person would close it.
send alt+F4
for _ in $(seq 100); do kill -0 "$viewer_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$viewer_pid" 2>/dev/null && fail "the viewer still runs 20 s after Alt+F4"
wait "$viewer_pid"
status=$?
viewer_pid=''
((status == 0)) || fail "the viewer exited with $status after Alt+F4"
pass "Alt+F4 closed the viewer, exit code 0, after $((SECONDS - started)) s"
