#!/usr/bin/env bash
# The real program updating itself on a virtual screen, from a site made by skyrelle-publish:
# the first start ends with 0 before any window, the script puts the new file in place and
# starts it, the new version shows its window and does not update again; in copy mode and in
# move mode.
# Usage: UpdateEndToEnd.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

publish=$build/tools/publish/skyrelle-publish
work=$(mktemp -d "${TMPDIR:-/tmp}/skyrelle-update-e2e.XXXXXX")
# A name of its own, so that no other test's Skyrelle makes the script wait.
name=SkyrelleUpdateTest
folder="$work/program's folder"
program=$folder/$name
restarted=()

stop_restarted() {
  local pid
  for pid in "${restarted[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${restarted[@]}"; do wait_for 10 ended "$pid" || kill -KILL "$pid" 2>/dev/null || true; done
  restarted=()
}
trap 'stop_restarted; stop_virtual_session; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  local log
  for log in site program xvfb; do
    echo "--- $log output:" >&2
    cat "$work/$log.log" >&2 || true
  done
  exit 1
}
passed() { echo "ok - $*"; }

# The process running the program file, other than the one given; the script starts it.
other_instance() {
  local exe pid
  for exe in /proc/[0-9]*/exe; do
    pid=${exe#/proc/}
    pid=${pid%/exe}
    [ "$pid" != "${1:-}" ] && [ "$(readlink "$exe" 2>/dev/null)" = "$program" ] && running "$pid" &&
      { echo "$pid"; return 0; }
  done
  return 1
}
window_of() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }
requests_for() { grep -c "\"GET /files/[^ ]*/$1 " "$work/site.log" || true; }
update_files_gone() {
  [ ! -e "$XDG_RUNTIME_DIR/hvnTempUpdatePrgm" ] && [ ! -e "$XDG_RUNTIME_DIR/hvnportal_update.sh" ]
}
site_port() { sed -n 's/^Serving HTTP on [^ ]* port \([0-9]*\).*/\1/p' "$work/site.log"; }
site_ready() { [ -n "$(site_port)" ]; }

# Publishes the build's program under Version into the site (extra options follow), and keeps
# a bare copy of what was published to compare with.
publish_release() {
  local version=$1
  shift
  "$publish" "$work/build/$name" "$work/site" --set-version "$version" "$@" >/dev/null
  "$publish" "$work/build/$name" "$work/expected" --set-version "$version" --move >/dev/null
  mv "$work/expected/files/"*/"$name" "$work/expected/$version"
}

# Starts the program from its folder, which must end at once with 0 and no window; the
# restarted program is then the new version with its window on the screen.
updates_and_restarts() {
  local version=$1 first status=0 new
  start_child "$program" >>"$work/program.log" 2>&1
  first=${VIRTUAL_PIDS[-1]}
  # A start that goes on to the window never ends by itself.
  wait_for 120 ended "$first" || fail "the start that found $version did not end"
  wait "$first" || status=$?
  forget_child "$first"
  [ "$status" = 0 ] || fail "the start that found $version ended with $status"
  wait_for 60 other_instance "$first" >/dev/null || fail "$version was not started"
  new=$(other_instance "$first")
  restarted+=("$new")
  wait_for 60 window_of "$new" || fail "$version shows no window"
  cmp -s "$program" "$work/expected/$version" || fail "the program file is not $version"
  wait_for 30 update_files_gone || fail "the update folder or the script was left"
}
forget_child() {
  local pid kept=()
  for pid in "${VIRTUAL_PIDS[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  VIRTUAL_PIDS=("${kept[@]}")
}

unset DISPLAY
isolate_session "$work"
start_virtual_display "$work"
mkdir -p "$folder" "$work/site" "$work/expected" "$work/build"
cp "$build/src/app/Skyrelle" "$work/build/$name"
cp "$work/build/$name" "$program"
start_child python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" \
  >"$work/site.log" 2>&1
wait_for 30 site_ready || fail "the site did not start"
export SKYRELLE_SITE_URL=http://127.0.0.1:$(site_port)

publish_release 9.8.7.6 --unconditional
updates_and_restarts 9.8.7.6
[ "$(requests_for "$name.INF")" = 1 ] || fail "the restarted program asked for the descriptor"
passed "copy mode: the first start ends with 0, the script installs and starts 9.8.7.6"

stop_restarted
start_child "$program" >>"$work/program.log" 2>&1
again=${VIRTUAL_PIDS[-1]}
wait_for 60 window_of "$again" || fail "the next start shows no window"
[ "$(requests_for "$name.CAB")" = 2 ] || fail "the next start did not fetch the package"
cmp -s "$program" "$work/expected/9.8.7.6" || fail "the next start changed the program"
passed "with unconditional set, a start that finds its own program starts normally"

kill "$again"
wait_for 30 ended "$again" || fail "the program did not end"
publish_release 9.8.7.7 --move
updates_and_restarts 9.8.7.7
[ "$(requests_for "$name")" = 1 ] || fail "the bare program was not fetched once"
passed "move mode: the script puts the downloaded program in place and starts 9.8.7.7"
