#!/usr/bin/env bash
# The tray program's idle footprint: Skyrelle on a virtual screen with a picture folder set,
# measured once the wallpaper is set and the program has settled. Prints resident and private
# memory from /proc/PID/smaps_rollup and the wake-ups over a quiet period.
# Usage: IdleFootprint.sh BUILD_DIR [SETTLE_SECONDS]   (or: cmake --build build --target skyrelle-idle-bench)
#
# Measured on 1920x1080 with trayer, the window shown, settle 5-20 s:
#   before: resident 64.9 MiB, private 35.9 MiB, anonymous 32.2 MiB; a wake-up every 2 s
#   after:  resident 36.8-37.3 MiB, private 7.8-8.2 MiB, anonymous 4.0 MiB; 1 wake-up in 20 s
# The difference: the program icon's 15 renderings were decoded three times over (11.6 MiB,
# now read per size when drawn, sizes past 256 not offered to the desktop), freed picture
# buffers stayed in the heap (now trimmed after start-up and after each wallpaper), and the
# tray was polled every 2 s even while present.
set -euo pipefail
build=$(cd "$1" && pwd)
settle=${2:-10}
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

work=$(mktemp -d "${TMPDIR:-/tmp}/skyrelle-idle.XXXXXX")
trap 'stop_virtual_session; rm -rf "$work"' EXIT
unset DISPLAY
isolate_session "$work"
start_virtual_display "$work"
start_tray_host "$work"
make_sample_panoramas "$work/pictures"
seed_store "$build" "$work/pictures"

start_child "$build/src/app/Skyrelle" >"$work/skyrelle.log" 2>&1
pid=${VIRTUAL_PIDS[-1]}
wait_for 120 wallpaper_set "$build" || die "no wallpaper after start"
sleep "$settle"

field() { awk -v name="$1:" '$1 == name { print $2 }' "/proc/$pid/smaps_rollup"; }
switches() { awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { n += $2 } END { print n }' "/proc/$pid/status"; }
rss=$(field Rss)
private=$(( $(field Private_Clean) + $(field Private_Dirty) ))
anonymous=$(field Anonymous)
before=$(switches)
sleep "$settle"
after=$(switches)
printf 'idle Skyrelle: resident %d KiB (%.1f MiB), private %d KiB (%.1f MiB), anonymous %d KiB\n' \
  "$rss" "$(echo "$rss / 1024" | bc -l)" "$private" "$(echo "$private / 1024" | bc -l)" "$anonymous"
printf 'context switches in %d s of idling: %d\n' "$settle" "$((after - before))"
