# Shared by the window tests: a scratch folder, a display of their own, and
# windows compared with wadscope-render's pictures. Source it, then set render and font.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/require.sh"
require Xvfb xvfb
require import imagemagick
require compare imagemagick
require xdotool xdotool
work=$(mktemp -d /tmp/wadscope-e2e.XXXXXX) xvfb_pid='' viewer_pid=''
fail() {
  echo "FAIL: $*"
  [[ -s $work/viewer.log ]] && sed 's/^/  viewer: /' "$work/viewer.log"
  exit 1
}
pass() { echo "PASS: $*"; }
before_cleanup() { :; }  # a test may redefine it
cleanup() {
  before_cleanup
  [[ -n $viewer_pid ]] && kill "$viewer_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

# Xvfb takes the first free display number and writes it to the pipe once it listens: lock
# files cannot tell in a chroot, whose /tmp is its own while X's abstract sockets are the machine's.
start_display() {
  local display=''
  read -r -t 5 display < <(exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>&1 >"$work/xvfb.log" 2>&1)
  xvfb_pid=$!
  [[ -n $display ]] || fail "cannot start Xvfb"
  export DISPLAY=":$display"
}

# start_viewer TITLE COMMAND...: starts the viewer and waits up to a minute for its window.
start_viewer() {
  local title=$1
  shift
  "$@" >"$work/viewer.log" 2>&1 &
  viewer_pid=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
  [[ -n $window ]] || fail "no window titled $title"
  xdotool windowfocus --sync "$window" 2>/dev/null
}

# same_picture LABEL RENDER_OPTIONS...: the window shows wadscope-render's picture with the font,
# looked at up to 20 times in case a look catches it in the middle of a paint.
same_picture() {
  local label=$1 size differing=''
  shift
  size=$(client_size)
  "$render" --size "$size" --font "$font" "$@" "$work/want.png" >/dev/null 2>&1 || fail "$label: wadscope-render $* failed"
  for _ in {1..20}; do
    sleep 0.2
    import -window "$window" "$work/shot.png" 2>/dev/null || continue
    differing=$(compare -metric AE "$work/want.png" "$work/shot.png" null: 2>&1)
    [[ $differing == 0 ]] && { pass "$label ($size)"; return; }
  done
  cp "$work/shot.png" "/tmp/wadscope-e2e-$label.png"
  fail "$label: the window ($size) differs from wadscope-render $* in $differing pixels; shot in /tmp/wadscope-e2e-$label.png"
}

# Waits up to 20 seconds for the viewer to end, and checks its exit code.
expect_exit() {  # EXIT_CODE WHAT
  timeout 20 tail --pid="$viewer_pid" -s 0.2 -f /dev/null || fail "$2: the viewer still runs"
  wait "$viewer_pid"
  local status=$?
  viewer_pid=''
  [[ $status == "$1" ]] || fail "$2: exit code $status"
  pass "$2: exit code $1"
}

# The scenario both window tests play, with one key script (wadscope-render's --keys) for both:
# keys, then the walk overlay with a click that moves the viewpoint, the tree overlay with a click
# that selects a subsector, and the overlay off again.
scenario_keys="Right Up*3 Space Ctrl F1 KeypadPlus PageDown"
overlay_keys="Tab Click:420,260 Tab Click:300,200 Tab"
file_mode=(--wad /usr/share/games/doom/freedm.wad --map map03)
x_keys() {  # the X key names of a key script, one for each press
  local -A x=([Right]=Right [Left]=Left [Up]=Up [Space]=space [Ctrl]=Control_L [F1]=F1 [KeypadPlus]=KP_Add [PageDown]=Next
    [Tab]=Tab)
  local step n
  for step in $1; do
    [[ $step == *\** ]] || step+='*1'
    for ((n = ${step#*\*}; n > 0; --n)); do printf '%s ' "${x[${step%\**}]}"; done
  done
}

# play_scenario COMMAND...: the viewer, started with COMMAND in a folder with DOOM1.WAD ($wad)
# and the font ($font), shows wadscope-render's pictures at the start, after the keys, after
# Escape twice, and in file mode; a quit ends it with 0. The test defines: send KEY... (X names),
# click X,Y (client pixels), client_size, expect_style bordered|borderless, quit, and what else it
# checks after the start and after the keys (after_start, after_keys).
play_scenario() {
  start_viewer Wadscope3D "$@"
  after_start
  same_picture start --wad "$wad"
  send $(x_keys "$scenario_keys")
  same_picture keys --wad "$wad" --keys "$scenario_keys"
  after_keys
  local shown="$scenario_keys" step
  for step in $overlay_keys; do  # a picture after each overlay step
    if [[ $step == Click:* ]]; then click "${step#Click:}"; else send $(x_keys "$step"); fi
    shown+=" $step"
    same_picture "overlay-${step//[:,]/-}" --wad "$wad" --keys "$shown"
  done
  send Escape
  expect_style borderless
  send Escape Left
  expect_style bordered
  same_picture escape --wad "$wad" --keys "$shown Escape Escape Left"
  quit
  expect_exit 0 "a quit"
  # Another file and map: file mode, the map and the file in the title, fitted views.
  start_viewer "Wadscope3D - MAP03 - freedm.wad" "$@" "${file_mode[@]}"
  same_picture file-mode "${file_mode[@]}"
  send KP_Add Up Up
  timeout 5 xdotool search --sync --name '^Wadscope3D - MAP04 - freedm.wad$' >/dev/null || fail "no MAP04 in the title"
  same_picture file-mode-keys "${file_mode[@]}" --keys "KeypadPlus Up Up"
  quit
  expect_exit 0 "a quit in file mode"
}
