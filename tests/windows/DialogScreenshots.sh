#!/usr/bin/env bash
# Screenshots of the About window and the donation dialog as Wine draws them on its virtual
# desktop, cut to each window:
#
#   DialogScreenshots.sh WINE_RUN WINE_PREFIX SHOW_DIALOG OUT_FOLDER
#
# (cmake --build build-windows --target dialog-screenshots refreshes doc/screenshots.)
# The About window reads a descriptor with a newer version and release notes from a site on
# 127.0.0.1. The X server takes display SKYRELLE_TEST_DISPLAY, or the first free one.
set -euo pipefail
wine_run=$1 prefix=$2 show_dialog=$3 out=$4
mkdir -p "$out"
# The virtual screen, background processes and waits of the Linux run script.
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

work=$(mktemp -d)
trap 'stop_virtual_session; rm -rf "$work"' EXIT

# Named as the program is, so that the title and the descriptor are the program's.
cp "$show_dialog" "$work/Skyrelle.exe"
mkdir -p "$work/site/files"
printf '%s\r\n' '[file1]' 'newversion=9.9.9.9' '[update]' \
  'descr=Version 9.9.9.9\n\n- Pictures taller than the screen are centred.\n- The tray menu shows the current picture.\n- Faster start with large folders.' \
  '[action]' 'runbefore=SkyrelleSetup.exe' >"$work/site/files/Skyrelle.INF"
start_child python3 -c '
import http.server, socketserver, sys, os
os.chdir(sys.argv[1])
server = socketserver.TCPServer(("127.0.0.1", 0), http.server.SimpleHTTPRequestHandler)
print(server.server_address[1], flush=True)
server.serve_forever()' "$work/site" >"$work/port" 2>/dev/null
wait_for 10 test -s "$work/port"
export SKYRELLE_SITE_URL="http://127.0.0.1:$(cat "$work/port")"

SCREEN_SIZE=1024x768 SKYRELLE_XVFB_DISPLAY=${SKYRELLE_TEST_DISPLAY:-} start_virtual_display "$work"

for dialog in about donation; do
  rect="$work/$dialog.rect"
  start_child "$wine_run" "$prefix" explorer /desktop=shot,1024x768 \
    "Z:${work//\//\\}\\Skyrelle.exe" "$dialog" "Z:${rect//\//\\}" >/dev/null 2>&1
  if ! wait_for 60 test -s "$rect"; then
    echo "the $dialog window did not show"
    exit 1
  fi
  sleep 1
  read -r left top width height <"$rect"
  # The window with its frame holds the client area of the design at 96 dpi.
  case $dialog in about) client="484 333" ;; donation) client="420 190" ;; esac
  read -r client_width client_height <<<"$client"
  if [ "$width" -lt "$client_width" ] || [ "$height" -lt "$client_height" ]; then
    echo "the $dialog window is only ${width}x${height}"
    exit 1
  fi
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${left}+${top}" +repage \
    "$out/windows-$dialog.png"
  echo "Screenshot: $out/windows-$dialog.png"
  wait "${VIRTUAL_PIDS[-1]}" || true
done
echo "2 passed, 0 failed"
