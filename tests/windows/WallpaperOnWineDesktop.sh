#!/usr/bin/env bash
# The wallpaper setter under Wine's virtual desktop on a private X server: the user's profile
# names the file, and the desktop shows the section that skyrelle-render.exe cut out.
#
#   WallpaperOnWineDesktop.sh WINE_RUN WINE_PREFIX SET_WALLPAPER RENDER
#
# Wine's desktop reads the wallpaper when it starts and does not hear of a change made by
# another program, so the desktop is started after the setter has run.
#
# SKYRELLE_TEST_DISPLAY names the X display number to take; without it Xvfb picks a free one.
set -euo pipefail
wine_run=$1 prefix=$2 set_wallpaper=$3 render=$4
# The virtual screen, background processes and waits of the Linux run script.
# shellcheck source=../../scripts/run-skyrelle
source "$(dirname "$0")/../../scripts/run-skyrelle"

work=$(mktemp -d)
trap 'stop_virtual_session; rm -rf "$work"' EXIT

# Four bands of 640 pixels, orange, blue, green and white: the last of eight sections on a
# 1280 pixel wide screen is the green and white half.
convert -size 640x800 xc:'#ff8800' xc:'#3366cc' xc:'#22aa44' xc:white +append "$work/wide.png"
picture="$work/section.bmp"
windows_path="Z:${picture//\//\\}"
"$wine_run" "$prefix" "$render" "Z:$work/wide.png" --screen 1280x800 --section 8 -o "$windows_path"

SCREEN_SIZE=1280x800 SKYRELLE_XVFB_DISPLAY=${SKYRELLE_TEST_DISPLAY:-} start_virtual_display "$work"

"$wine_run" "$prefix" "$set_wallpaper" "$windows_path"

stored=$("$wine_run" "$prefix" reg query 'HKCU\Control Panel\Desktop' /v Wallpaper | tr -d '\r')
if ! grep -qF "REG_SZ    $windows_path" <<<"$stored"; then
  echo "the profile does not name the file: $stored"
  exit 1
fi

start_child "$wine_run" "$prefix" explorer /desktop=skyrelle-test,1280x800 >/dev/null 2>&1

pixels() {
  import -display "$DISPLAY" -window root "$work/screen.png" 2>/dev/null &&
    convert "$work/screen.png" -format '%[pixel:p{100,100}] %[pixel:p{1000,700}]' info:
}
shows_the_wallpaper() { [ "$(pixels)" = "srgb(34,170,68) srgb(255,255,255)" ]; }
if ! wait_for 60 shows_the_wallpaper; then
  echo "the desktop shows $(pixels), not the wallpaper"
  exit 1
fi
echo "1 passed, 0 failed"
