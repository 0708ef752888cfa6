#!/usr/bin/env bash
# The real program on a virtual screen with a tray: start-up on a seeded store, the wallpaper
# on the root window, the stored state, the main window, the usage event to a local collector,
# the donation dialog at the 50th launch, hiding the window, a second start, the tray menu's
# "Next image", "About" and "Quit", and a restart.
# Usage: EndToEnd.sh BUILD_DIR CLOSE_WINDOW_TOOL
set -euo pipefail
build=$(cd "$1" && pwd)
close_window=$2
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

program=$build/src/app/Skyrelle
render=$build/tools/render/skyrelle-render
reg=$build/tools/reg/skyrelle-reg
collector=$(dirname "$0")/Collector.py
work=$(mktemp -d "${TMPDIR:-/tmp}/skyrelle-e2e.XXXXXX")
trap 'stop_virtual_session; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  local log
  for log in skyrelle trayer xvfb collector; do
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
about_window() {
  xwininfo -root -children | awk '/"About": \("Skyrelle" "Skyrelle"\)/ {print $1; exit}' | grep .
}
window_gone() { ! xwininfo -id "$1" >/dev/null 2>&1 || ! window_viewable "$1"; }
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

# A value of another key of the store, as the query prints it.
key_value() {
  "$reg" query "$1" /v "$2" | sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
launch_key='HKCU\Software\Halvorn\Skyrelle'
analytics_key='HKCU\Software\Halvorn\Analytics'

# The requests that reached the collector, and a part of the Nth (see Collector.py).
events_received() { [ "$(cat "$work/events" 2>/dev/null | wc -l)" -ge "$1" ]; }
event() { python3 "$collector" field "$work/events" "$1" "$2"; }

donation_dialog() {
  xdotool search --onlyvisible --name '^Thanks for using this application!$' 2>/dev/null | head -n1 |
    grep .
}
window_gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# The part of the screen that no window covers, compared with the same part of a bitmap.
root_shows() {
  import -window root -crop 640x320+0+0 +repage "$work/root.png"
  convert "$1" -crop 640x320+0+0 +repage "$work/expected.png"
  [ "$(compare -metric AE "$work/root.png" "$work/expected.png" null: 2>&1)" = 0 ]
}

unset DISPLAY
isolate_session "$work"
# Nothing listens there: the About window's descriptor check fails at once, off the network.
export SKYRELLE_SITE_URL=http://127.0.0.1:9
start_virtual_display "$work"
start_tray_host "$work"
make_sample_panoramas "$work/pictures"
seed_store "$build" "$work/pictures"
# The usage event goes to a collector of our own; the launch counter stands one short of a
# milestone.
start_child python3 "$collector" "$work/events" "$work/collector-port" >"$work/collector.log" 2>&1
wait_for 30 test -s "$work/collector-port" || fail "the collector did not start"
export SKYRELLE_ANALYTICS_URL=http://127.0.0.1:$(cat "$work/collector-port")
unset DO_NOT_TRACK
"$reg" add "$launch_key" /v LaunchCount /t REG_DWORD /d 49 /f >/dev/null

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

wait_for 60 events_received 1 || fail "no usage event arrived"
client_id=$(key_value "$analytics_key" ClientId)
[[ "$client_id" =~ ^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$ ]] || fail "client id '$client_id'"
[ "$(event 1 method)" = POST ] || fail "the event is not a POST"
[ "$(event 1 target)" = "/mp/collect?measurement_id=G-K4W8QT2RZX&api_secret=Qw7kTz4uGs9YbNc2VfH8jD" ] ||
  fail "the event went to $(event 1 target)"
[ "$(event 1 content_type)" = application/json ] || fail "the event's type: $(event 1 content_type)"
[ "$(event 1 body.client_id)" = "$client_id" ] || fail "the event's client id is not the stored one"
[ "$(event 1 body.events.0.name)" = app_open ] || fail "the event's name"
[ "$(event 1 body.events.0.params.app_name)" = Skyrelle ] || fail "the event's app name"
[[ "$(event 1 body.events.0.params.app_version)" =~ ^[0-9]+(\.[0-9]+){3}$ ]] ||
  fail "the event's version: $(event 1 body.events.0.params.app_version)"
[ "$(event 1 body.events.0.params.build_config)" = Release ] || fail "the event's build config"
[ -n "$(event 1 body.events.0.params.os)" ] || fail "the event names no system"
passed "the start sends an app-open event with the client id it stored"

# The first tick, a minute after the window was made.
wait_for 150 donation_dialog >/dev/null || fail "no donation dialog at the 50th launch"
dialog=$(donation_dialog)
xwininfo -id "$dialog" | grep -q 'Width: 420$' && xwininfo -id "$dialog" | grep -q 'Height: 190$' ||
  fail "the dialog is not 420 x 190: $(xwininfo -id "$dialog")"
[ "$(key_value "$launch_key" LaunchCount)" = 0x32 ] || fail "the store does not hold 50 launches"
passed "the first tick counts the 50th launch and shows the donation dialog"
xdotool windowfocus "$dialog" key Escape
wait_for 30 window_gone "$dialog" || fail "Esc did not close the donation dialog"
passed "Esc closes the donation dialog"

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

choose_from_tray_menu 5
wait_for 60 about_window >/dev/null || fail "About opened no window"
about=$(about_window)
"$close_window" "$about"
wait_for 60 window_gone "$about" || fail "closing the About window left it open"
passed "the tray menu's About opens the About window, and its close box closes it"

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

wait_for 60 events_received 2 || fail "the restart sent no usage event"
[ "$(event 2 body.client_id)" = "$client_id" ] || fail "the restart sent another client id"
[ "$(cat "$work/events" | wc -l)" = 2 ] || fail "more than one event per start: $(cat "$work/events")"
passed "each start sends one event, with the same client id"
