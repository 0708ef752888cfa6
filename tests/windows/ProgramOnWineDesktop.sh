#!/usr/bin/env bash
# Skyrelle.exe on a Wine virtual desktop of its own on a private X server: with a picture
# folder in the registry it renders the first section of a picture of it into
# %APPDATA%\Skyrelle\current.bmp and the desktop shows it; its tray icon's menu changes the
# picture with "Next image", and "Quit" ends the program with exit code 0.
#
#   ProgramOnWineDesktop.sh WINE_RUN WINE_PREFIX SKYRELLE_EXE RENDER_EXE [SCREENSHOT_FOLDER]
#
# SKYRELLE_TEST_DISPLAY names the X display number to take; without it Xvfb picks a free one.
# With a screenshot folder, the main window and the tray menu are saved there.
set -euo pipefail
wine_run=$1 prefix=$2 program=$3 render=$4 shots=${5:-}
# The virtual screen, background processes and waits of the Linux run script.
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

screen=1024x768
width=${screen%x*} height=${screen#*x}
desktop=skyrelle-program-test
app_key='HKCU\Software\Wine\AppDefaults\Skyrelle.exe\Explorer'
store_key='HKCU\Software\Halvorn\hvnSkyrelle'

work=$(mktemp -d)
cleanup() {
  stop_virtual_session
  "$wine_run" "$prefix" reg delete "${app_key%\\Explorer}" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -z "$shots" ] || import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
passed() { echo "ok - $*"; }

windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
reg_run() { "$wine_run" "$prefix" reg "$@" >/dev/null 2>&1; }
stored() {
  "$wine_run" "$prefix" reg query "$store_key" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $1    REG_[A-Z_]*    //p"
}

# Three panoramas three screens wide, one per picture format; the first screen of each has a
# colour of its own, so that the desktop tells which one it shows.
mkdir -p "$work/pictures"
panorama() {
  convert -size "${width}x${height}" "xc:$1" -size "$((width * 2))x${height}" xc:'#404040' \
    +append -type TrueColor "$2"
}
panorama '#d03030' "$work/pictures/a.jpg"
panorama '#30a040' "$work/pictures/b.png"
panorama '#3050c0' "BMP3:$work/pictures/c.bmp"

# The store: the folder, nothing remembered, a launch count far from the donation prompt.
reg_run delete "$store_key" /f || true
reg_run add "$store_key" /v SourceDirectory /t REG_SZ /d "$(windows_path "$work/pictures")" /f
reg_run add 'HKCU\Software\Halvorn\Skyrelle' /v LaunchCount /t REG_DWORD /d 0 /f
output=$(echo "$prefix"/drive_c/users/*/AppData/Roaming)/Skyrelle/current.bmp
rm -f "$output"

# The program's own virtual desktop, on our X server.
SCREEN_SIZE=$screen SKYRELLE_XVFB_DISPLAY=${SKYRELLE_TEST_DISPLAY:-} start_virtual_display "$work"
reg_run add "$app_key" /v Desktop /d "$desktop" /f
reg_run add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /d "$screen" /f

# Nothing leaves the machine: the update check asks a local port that refuses, and no usage
# event is sent.
start_child env SKYRELLE_SITE_URL=http://127.0.0.1:9 DO_NOT_TRACK=1 \
  "$wine_run" "$prefix" "$program" >"$work/program.log" 2>&1
program_pid=${VIRTUAL_PIDS[-1]}

# The part of the screen that no window covers, against the same part of a bitmap.
screen_shows() {
  import -window root -crop 300x200+20+20 +repage "$work/screen.png" 2>/dev/null &&
    convert "$1" -crop 300x200+20+20 +repage "$work/expected.png" &&
    [ "$(compare -metric AE "$work/screen.png" "$work/expected.png" null: 2>&1)" = 0 ]
}
# Section 1 of the current picture, as the Windows renderer cuts it.
expected_section() {
  "$wine_run" "$prefix" "$render" "$(stored CurrentFile)" --screen "$screen" --section 1 \
    -o "$(windows_path "$1")" >/dev/null 2>&1
}
current_is() { [ "$(stored CurrentFile)" = "$1" ]; }

wait_for 60 test -s "$output" || fail "no current.bmp after the start"
first=$(stored CurrentFile)
[[ "$first" == "$(windows_path "$work/pictures")\\"* ]] || fail "the current picture is '$first'"
expected_section "$work/section1.bmp" || fail "the renderer failed on $first"
cmp -s "$output" "$work/section1.bmp" || fail "current.bmp is not section 1 of $first"
passed "the start renders the first section of a picture of the folder into current.bmp"
wait_for 30 screen_shows "$work/section1.bmp" || fail "the desktop does not show $first"
passed "the desktop shows it"
[ -z "$shots" ] || import -window root "$shots/main.png"

# The tray: its icon is the rightmost in the taskbar at the foot of the screen. Wine paints
# the new wallpaper over the icon, which stays there and answers.
# The menu opens above and left of the pointer, over the wallpaper in Wallpaper.
menu_open() {
  local area=120x110+$((width - 130))+$((height - 130))
  import -window root -crop "$area" +repage "$work/menu.png" 2>/dev/null &&
    convert "$1" -crop "$area" +repage "$work/under-menu.png" &&
    [ "$(compare -metric AE "$work/menu.png" "$work/under-menu.png" null: 2>&1)" != 0 ]
}
# Opens the menu with the right button over the wallpaper in $2 and picks the item at
# position $1 (1 = first).
choose_from_tray_menu() {
  local keys=() i
  xdotool mousemove $((width - 10)) $((height - 10)) click 3
  wait_for 20 menu_open "$2" || fail "the tray icon's menu did not open"
  [ -z "$shots" ] || [ -e "$shots/menu.png" ] || import -window root "$shots/menu.png"
  for ((i = 0; i < $1; i++)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
}

choose_from_tray_menu 2 "$work/section1.bmp"
wait_for 30 eval '! current_is "$first"' || fail "Next image kept $first"
second=$(stored CurrentFile)
expected_section "$work/section2.bmp" || fail "the renderer failed on $second"
wait_for 30 screen_shows "$work/section2.bmp" || fail "the desktop does not show $second"
passed "the tray menu's Next image shows another picture"

choose_from_tray_menu 4 "$work/section2.bmp"
status=0
wait_for 30 eval '! kill -0 "$program_pid" 2>/dev/null' || fail "Quit did not end the program"
wait "$program_pid" || status=$?
[ "$status" = 0 ] || fail "Quit ended the program with exit code $status"
passed "Quit ends the program with exit code 0"
