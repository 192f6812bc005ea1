#!/bin/bash
# The SDL2 viewer in a real window on its own virtual display: after key presses,
# a resize and the Escape swap, the window must show exactly wadscope-render's frame.
# Usage: sdl_viewer_test.sh WADSCOPE WADSCOPE_RENDER SOURCE_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/require.sh"
require Xvfb xvfb
require xdotool xdotool
require xprop x11-utils
require xwininfo x11-utils
require import imagemagick
require compare imagemagick
require /usr/bin/python3 python3
viewer=$(realpath "$1") render=$(realpath "$2") source=$3

work=$(mktemp -d)
xvfb_pid='' viewer_pid=''
cleanup() {
  [[ -n $viewer_pid ]] && kill "$viewer_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [[ -s $work/viewer.log ]] && sed 's/^/  viewer: /' "$work/viewer.log"
  exit 1
}

[[ -f $source/assets/font.bmp ]] || fail "no $source/assets/font.bmp"
ln -s /usr/share/games/doom/freedoom1.wad "$work/DOOM1.WAD"
cp "$source/assets/font.bmp" "$work/font.bmp"
cd "$work" || exit 1

# A display of our own: Xvfb takes the first free number and writes it once it
# listens. Lock files cannot tell: in a chroot /tmp is its own, but X's abstract
# sockets are the machine's, so a client there may reach another root's server.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>display >xvfb.log 2>&1 &
xvfb_pid=$!
for _ in {1..50}; do
  [[ -s display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -s display ]] || fail "cannot start Xvfb"
export DISPLAY=":$(<display)"
export SDL_VIDEODRIVER=x11
# SDL writes the Motif decoration hints only once the atom exists, as it does
# under any window manager; -noreset keeps it between clients.
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

"$viewer" >viewer.log 2>&1 &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Wadscope3D$' | head -n 1)
[[ -n $window ]] || fail "no window titled Wadscope3D"
xdotool windowfocus --sync "$window"

geometry() {  # prints "X Y WIDTH HEIGHT" of the window's client area
  xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# The window must show wadscope-render's frame for the key script $2 at its size (and its options $3).
expect_frame() {
  local label=$1 script=$2 options=${3:---wad DOOM1.WAD} x y width height ae
  read -r x y width height < <(geometry)
  # shellcheck disable=SC2086
  "$render" $options --font font.bmp --size "${width}x${height}" --keys "$script" want.png || fail "$label: wadscope-render failed"
  # Up to ten looks, in case one catches the window in the middle of a paint.
  for _ in {1..10}; do
    sleep 0.2
    import -window "$window" png:shot.png 2>/dev/null || continue
    ae=$(compare -metric AE shot.png want.png null: 2>&1)
    [[ $ae == 0 ]] && { echo "PASS: $label (${width}x${height})"; return; }
  done
  cp shot.png "/tmp/sdl_viewer_e2e_$label.png" 2>/dev/null
  fail "$label: the window (${width}x${height}) differs from wadscope-render in $ae pixels; shot in /tmp/sdl_viewer_e2e_$label.png"
}

decorations() {  # the decorations field of the window's Motif hints, or "none"
  xprop -id "$window" _MOTIF_WM_HINTS | awk -F'[=,] *' 'NF >= 4 {print $4; exit} END {if (NF < 4) print "none"}'
}

expect_frame start ""
[[ $(decorations) == 0x1 ]] || fail "the window does not start with a border (decorations $(decorations))"

keys="Right Right Up Up Up Space Ctrl F1 KeypadPlus PageDown"
xdotool key --delay 30 Right Right Up Up Up space Control_L F1 KP_Add Next
expect_frame keys "$keys"

xdotool windowsize --sync "$window" 701 413
expect_frame resize "$keys"

# Escape: borderless at the top left, then the border back, and keys still arrive.
expect_style() {  # $1 decorations 0x0 or 0x1, $2 what it means
  local x y
  for _ in {1..20}; do
    read -r x y _ < <(geometry)
    [[ $(decorations) == "$1" && "$x $y" == "0 0" ]] && return
    sleep 0.1
  done
  fail "$2: decorations $(decorations), window at $x,$y (expected $1 at 0,0)"
}
xdotool key Escape
expect_style 0x0 "the first Escape should make the window borderless at the top left"
xdotool key Escape Left
expect_style 0x1 "the second Escape should bring the border back"
expect_frame escape "$keys Escape Escape Left"

# A close request as a window manager sends it (WM_DELETE_WINDOW); the viewer ends with 0.
/usr/bin/python3 - "$window" <<'EOF' || fail "cannot send the close request"
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):  # XClientMessageEvent, padded to the size of an XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("padding", ctypes.c_long * 12)]

display = x11.XOpenDisplay(None)
window = int(sys.argv[1])
event = ClientMessage(type=33, window=window, format=32,
                      message_type=x11.XInternAtom(display, b"WM_PROTOCOLS", 0))
event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
sent = x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x11.XFlush(display)
x11.XCloseDisplay(display)
sys.exit(0 if sent else 1)
EOF
for _ in {1..50}; do
  kill -0 "$viewer_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$viewer_pid" 2>/dev/null && fail "the viewer is still running 5 s after the close request"
wait "$viewer_pid"; status=$?
viewer_pid=''
[[ $status == 0 ]] || fail "the viewer ended with exit code $status after the close request"
echo "PASS: close request ends the viewer with exit code 0"

# Another file and map from the command line: file mode, the map and file in the title, fitted views.
options="--wad /usr/share/games/doom/freedm.wad --map map03"
# shellcheck disable=SC2086
"$viewer" $options >viewer.log 2>&1 &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Wadscope3D - MAP03 - freedm.wad$' | head -n 1)
[[ -n $window ]] || fail "no window titled Wadscope3D - MAP03 - freedm.wad"
xdotool windowfocus --sync "$window"
expect_frame file-mode "" "$options"
xdotool key --delay 30 KP_Add Up Up
timeout 5 xdotool search --sync --name '^Wadscope3D - MAP04 - freedm.wad$' >/dev/null || fail "keypad plus did not name MAP04 in the title"
expect_frame file-mode-keys "KeypadPlus Up Up" "$options"
kill "$viewer_pid"; wait "$viewer_pid" 2>/dev/null; viewer_pid=''

# A level file that is missing, as for the menu entry without Freedoom: the problem
# with what to install, on standard error and in a message box whose OK ends with 1.
"$viewer" --wad "$work/no/freedoom1.wad" --fit >viewer.log 2>&1 &
viewer_pid=$!
for _ in {1..50}; do  # SDL's box has no class xdotool could search by
  box=$(xwininfo -name Wadscope3D 2>/dev/null | awk '/Window id:/ {print $4}')
  [[ -n $box ]] && break
  sleep 0.2
done
[[ -n $box ]] || fail "no message box for a missing level file"
xdotool key --window "$box" Return
wait "$viewer_pid"; status=$?
viewer_pid=''
grep -q "freedoom1.wad: install Debian's freedoom package" viewer.log && [[ $status == 1 ]] ||
  fail "missing level file: exit code $status"
echo "PASS: a missing Freedoom file is named with its package, in a message box too"
echo "PASS: sdl_viewer_e2e"
