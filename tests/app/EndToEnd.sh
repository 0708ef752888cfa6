#!/usr/bin/env bash
# The real program on a virtual screen with a tray: start-up on a seeded store, the wallpaper
# on the root window, the stored state, the main window, hiding it, a second start, the tray
# menu's "Next image" and "Quit", and a restart.
# Usage: EndToEnd.sh BUILD_DIR CLOSE_WINDOW_TOOL
set -euo pipefail
build=$(cd "$1" && pwd)
close_window=$2
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

program=$build/src/app/Skyrelle
render=$build/tools/render/skyrelle-render
work=$(mktemp -d "${TMPDIR:-/tmp}/skyrelle-e2e.XXXXXX")
trap 'stop_virtual_session; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  local log
  for log in skyrelle trayer xvfb; do
    echo "--- $log output:" >&2
    cat "$work/$log.log" >&2 || true
  done
  exit 1
}
passed() { echo "ok - $*"; }

start_program() {
  start_child "$program"
  program_pid=${VIRTUAL_PIDS[-1]}
} >>"$work/skyrelle.log" 2>&1
# A child that has been waited for is no longer ours to stop.
forget_child() {
  local pid kept=()
  for pid in "${VIRTUAL_PIDS[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  VIRTUAL_PIDS=("${kept[@]}")
}

# The tray icon is a window of the program embedded in trayer's panel.
tray_icon() {
  xwininfo -root -tree | awk '
    /\("panel" "trayer"\)/ { panel = 1; next }
    /^     0x/ { panel = 0 }
    panel && /"Skyrelle": \("Skyrelle" "Skyrelle"\)/ { print $1; exit }'
}
tray_icon_shown() { [ -n "$(tray_icon)" ]; }
# The open menu is a top-level window of the program narrower than the main window.
tray_menu_open() {
  local id
  for id in $(xwininfo -root -children | awk '/"Skyrelle": \("Skyrelle" "Skyrelle"\)/ {print $1}'); do
    xwininfo -id "$id" | awk '/Width:/ {w = $2} /IsViewable/ {v = 1} END {exit !(v && w < 300)}' &&
      return 0
  done
  return 1
}
window_viewable() { xwininfo -id "$1" | grep -q 'IsViewable'; }
window_hidden() { ! window_viewable "$1"; }
# A value that cannot be read now (the store busy) has not changed.
store_changed() {
  local now
  now=$(stored_value "$build" "$1")
  [ -n "$now" ] && [ "$now" != "$2" ]
}

# Opens the tray icon's menu with the right button and picks the item at Position (1 = first).
# The pointer then leaves the menu so that no item is picked by hovering over it.
choose_from_tray_menu() {
  local position=$1 icon keys=() try
  for try in 1 2 3; do
    icon=$(tray_icon)
    [ -n "$icon" ] || fail "no tray icon"
    xdotool mousemove --window "$icon" 8 8 click 3
    wait_for 20 tray_menu_open && break
    [ "$try" -lt 3 ] || fail "the tray menu did not open"
  done
  xdotool mousemove 0 0
  for ((i = 0; i < position; i++)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
}

# The part of the screen that no window covers, compared with the same part of a bitmap.
root_shows() {
  import -window root -crop 640x320+0+0 +repage "$work/root.png"
  convert "$1" -crop 640x320+0+0 +repage "$work/expected.png"
  [ "$(compare -metric AE "$work/root.png" "$work/expected.png" null: 2>&1)" = 0 ]
}

unset DISPLAY
isolate_session "$work"
start_virtual_display "$work"
start_tray_host "$work"
make_sample_panoramas "$work/pictures"
seed_store "$build" "$work/pictures"

start_program
wait_for 120 wallpaper_set "$build" || fail "no wallpaper after start"
first=$(stored_value "$build" CurrentFile)
[[ "$first" == "$work/pictures/"* ]] || fail "no picture of the folder is current: '$first'"
"$render" "$first" --screen "$SCREEN_SIZE" --section 1 -o "$work/section1.bmp" >/dev/null
cmp -s "$(wallpaper_file)" "$work/section1.bmp" || fail "current.bmp is not section 1 of $first"
root_shows "$work/section1.bmp" || fail "the screen does not show section 1 of $first"
passed "start-up renders the first section of a picture of the folder onto the screen"

[ "$(stored_value "$build" SourceDirectory)" = "$work/pictures" ] || fail "folder not kept"
[ "$(stored_value "$build" CurrentIndex)" = 0x0 ] || fail "section index not stored"
[ "$(stored_value "$build" History)" = "$first" ] || fail "history is not the picture"
[ -n "$(stored_value "$build" LastChange)" ] || fail "no time of change stored"
passed "the store holds the new state"

wait_for 60 main_window >/dev/null || fail "no main window"
window=$(main_window)
[ "$(xdotool getwindowname "$window")" = Skyrelle ] || fail "window title"
passed "the window titled Skyrelle appears"

wait_for 60 tray_icon_shown || fail "no tray icon"
"$close_window" "$window"
wait_for 60 window_hidden "$window" || fail "closing did not hide the window"
# A program that was about to end would have done so by now.
sleep 2
running "$program_pid" || fail "closing ended the program"
passed "closing hides the window and the program keeps running"

status=0
timeout 60 "$program" >>"$work/skyrelle.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "a second start ended with exit code $status"
wait_for 60 window_viewable "$window" || fail "a second start did not show the running window"
running "$program_pid" || fail "a second start ended the running program"
"$close_window" "$window"
wait_for 60 window_hidden "$window" || fail "closing did not hide the window again"
passed "a second start shows the running program's window and ends with 0"

before=$(stored_value "$build" LastChange)
choose_from_tray_menu 2
wait_for 120 store_changed LastChange "$before" || fail "Next image changed nothing"
second=$(stored_value "$build" CurrentFile)
[ "$second" != "$first" ] || fail "Next image kept $first"
"$render" "$second" --screen "$SCREEN_SIZE" --section 1 -o "$work/next.bmp" >/dev/null
wait_for 60 root_shows "$work/next.bmp" || fail "the screen does not show $second"
passed "the tray menu's Next image changes the wallpaper while the window is hidden"

choose_from_tray_menu 4
wait_for 60 ended "$program_pid" || fail "Quit did not end the program"
status=0
wait "$program_pid" || status=$?
[ "$status" = 0 ] || fail "Quit ended with exit code $status"
forget_child "$program_pid"
passed "Quit ends the program with exit code 0"

before=$(stored_value "$build" LastChange)
start_program
wait_for 120 store_changed LastChange "$before" || fail "the restart rendered nothing"
third=$(stored_value "$build" CurrentFile)
[ "$third" != "$first" ] && [ "$third" != "$second" ] ||
  fail "the restart picked $third from the history ($first, $second)"
passed "a restart picks the one picture outside the history"
