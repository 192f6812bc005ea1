#!/bin/bash
# The SDL2 viewer in real windows on a display of its own: after keys, a resize and
# the Escape swap, on another file and map, each window shows exactly wadscope-render's
# picture; a quit request ends it with 0; a missing level file is named in a message box.
# usage: sdl_viewer_test.sh WADSCOPE WADSCOPE_RENDER SOURCE_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
require xdotool xdotool
require xprop x11-utils
require xwininfo x11-utils
viewer=$(realpath "$1") render=$(realpath "$2") source=$3
ln -s /usr/share/games/doom/freedoom1.wad "$work/DOOM1.WAD"
cp "$source/assets/font.bmp" "$work/font.bmp"
cd "$work" || exit 1
start_display
export SDL_VIDEODRIVER=x11
# SDL writes the Motif decoration hints only once the atom exists, as under any window manager.
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

size() { xwininfo -id "$window" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}'; }
place() { xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {print x "," $NF}'; }
# The decorations field of the window's Motif hints.
decorations() { xprop -id "$window" _MOTIF_WM_HINTS | awk -F'[=,] *' 'NF >= 4 {print $4; exit}'; }
expect_style() {  # DECORATIONS WHAT: borderless (0x0) or not (0x1), at the top left
  for _ in {1..20}; do
    [[ $(decorations) == "$1" && $(place) == 0,0 ]] && return
    sleep 0.1
  done
  fail "$2: decorations $(decorations) at $(place)"
}

start_viewer Wadscope3D "$viewer"
same_picture start "$window" "$(size)" --font font.bmp
[[ $(decorations) == 0x1 ]] || fail "the window does not start with a border"
keys="Right Right Up Up Up Space Ctrl F1 KeypadPlus PageDown"
xdotool key --delay 30 Right Right Up Up Up space Control_L F1 KP_Add Next
same_picture keys "$window" "$(size)" --font font.bmp --keys "$keys"
xdotool windowsize --sync "$window" 701 413
same_picture resize "$window" "$(size)" --font font.bmp --keys "$keys"
xdotool key Escape
expect_style 0x0 "the first Escape: borderless at the top left"
xdotool key Escape Left
expect_style 0x1 "the second Escape: the border back"
same_picture escape "$window" "$(size)" --font font.bmp --keys "$keys Escape Escape Left"
kill -TERM "$viewer_pid"  # SDL turns it into the quit event that a close request gives
expect_exit 0 "a quit request"

# Another file and map: file mode, the map and the file in the title, fitted views.
options=(--wad /usr/share/games/doom/freedm.wad --map map03)
start_viewer "Wadscope3D - MAP03 - freedm.wad" "$viewer" "${options[@]}"
same_picture file-mode "$window" "$(size)" --font font.bmp "${options[@]}"
xdotool key --delay 30 KP_Add Up Up
timeout 5 xdotool search --sync --name '^Wadscope3D - MAP04 - freedm.wad$' >/dev/null || fail "no MAP04 in the title"
same_picture file-mode-keys "$window" "$(size)" --font font.bmp "${options[@]}" --keys "KeypadPlus Up Up"
kill "$viewer_pid"
wait "$viewer_pid" 2>/dev/null

# A missing level file, as for the menu entry without Freedoom: the problem with what to
# install, on standard error and in a message box (which has no class to search by).
"$viewer" --wad "$work/no/freedoom1.wad" --fit >viewer.log 2>&1 &
viewer_pid=$!
for _ in {1..50}; do
  box=$(xwininfo -name Wadscope3D 2>/dev/null | awk '/Window id:/ {print $4}')
  [[ -n $box ]] && break
  sleep 0.2
done
[[ -n $box ]] || fail "no message box for a missing level file"
xdotool key --window "$box" Return
expect_exit 1 "a missing level file"
grep -q "freedoom1.wad: install Debian's freedoom package" viewer.log || fail "the package is not named"
