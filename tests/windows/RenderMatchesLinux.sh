#!/usr/bin/env bash
# skyrelle-render.exe under Wine writes the same bytes as the Linux build's skyrelle-render,
# for a table of pictures of every kind the decoders take.
#
#   RenderMatchesLinux.sh WINE_RUN WINE_PREFIX WINDOWS_RENDER LINUX_RENDER BMP_FOLDER
set -euo pipefail
wine_run=$1 prefix=$2 windows_render=$3 linux_render=$4 bmp_folder=$5

if [ ! -x "$linux_render" ]; then
  echo "no Linux build at $linux_render: build it first (make test builds both)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name and ImageMagick's recipe: wide, tall, narrow, grey, progressive, transparent, paletted.
pictures=(
  "wide.jpg|-size 900x260 gradient:gold-navy -quality 90"
  "grey.jpg|-size 500x300 gradient:white-black -colorspace Gray"
  "progressive.jpg|-size 700x240 pattern:checkerboard -interlace Plane"
  "subsampled.jpg|-size 640x210 gradient:red-green -sampling-factor 4:2:0"
  "wide.png|-size 900x260 gradient:teal-orange"
  "alpha.png|-size 600x220 gradient:blue-yellow -alpha set -channel A -evaluate set 40% +channel"
  "palette.png|-size 500x200 pattern:hexagons -colors 16 -type Palette"
  "tall.png|-size 400x700 gradient:purple-white"
  "narrow.png|-size 120x90 pattern:bricks"
)
for entry in "${pictures[@]}"; do
  # shellcheck disable=SC2086  # the recipe is a list of arguments
  convert ${entry#*|} "$work/${entry%%|*}"
done
cp "$bmp_folder"/*.bmp "$work/"

failures=0
count=0
for picture in "$work"/*.bmp "$work"/*.jpg "$work"/*.png; do
  for section in 1 4 8; do
    name=$(basename "$picture")-$section
    "$linux_render" "$picture" --screen 320x200 --section "$section" -o "$work/$name.linux.bmp"
    "$wine_run" "$prefix" "$windows_render" "Z:$picture" --screen 320x200 --section "$section" \
      -o "Z:$work/$name.windows.bmp"
    count=$((count + 1))
    if ! cmp -s "$work/$name.linux.bmp" "$work/$name.windows.bmp"; then
      echo "differs: $name"
      failures=$((failures + 1))
    fi
  done
done
echo "$((count - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
