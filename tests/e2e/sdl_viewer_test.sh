#!/bin/bash
# The SDL2 viewer in real windows on a display of its own: the shared scenario (keys, Escape
# twice, a quit request, file mode) and a resize, each window exactly wadscope-render's picture;
# a missing level file is named in a message box.
# usage: sdl_viewer_test.sh WADSCOPE WADSCOPE_RENDER SOURCE_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
require xdotool xdotool
require xprop x11-utils
require xwininfo x11-utils
viewer=$(realpath "$1") render=$(realpath "$2") source=$3
wad=/usr/share/games/doom/freedoom1.wad font=font.bmp
ln -s "$wad" "$work/DOOM1.WAD"
cp "$source/assets/font.bmp" "$work/font.bmp"
cd "$work" || exit 1
start_display
export SDL_VIDEODRIVER=x11
# SDL writes the Motif decoration hints only once the atom exists, as under any window manager.
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

send() { xdotool key --delay 30 "$@"; }
click() { xdotool mousemove --window "$window" --sync "${1%,*}" "${1#*,}" click 1; }
client_size() { xwininfo -id "$window" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}'; }
place() { xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {print x "," $NF}'; }
# The decorations field of the window's Motif hints: 0x0 borderless, 0x1 with a border.
decorations() { xprop -id "$window" _MOTIF_WM_HINTS | awk -F'[=,] *' 'NF >= 4 {print $4; exit}'; }
expect_style() {  # bordered|borderless, at the top left after an Escape
  local want=0x1
  [[ $1 == borderless ]] && want=0x0
  for _ in {1..20}; do
    [[ $(decorations) == "$want" && $(place) == 0,0 ]] && { pass "Escape: $1 at the top left"; return; }
    sleep 0.1
  done
  fail "Escape: decorations $(decorations) at $(place), not $1"
}
after_start() { [[ $(decorations) == 0x1 ]] || fail "the window does not start with a border"; }
after_keys() {
  xdotool windowsize --sync "$window" 701 413
  same_picture resize --keys "$scenario_keys"
}
quit() { kill -TERM "$viewer_pid"; }  # SDL turns it into the quit event that a close request gives

play_scenario "$viewer"

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
