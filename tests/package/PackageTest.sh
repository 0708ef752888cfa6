#!/usr/bin/env bash
# Builds the Debian package and the portable tarball into a scratch folder, unpacks both and
# checks what a user gets: the commands, launcher, icons, metainfo and manual pages, stripped
# programs, and no complaint from lintian, appstreamcli or desktop-file-validate.
set -euo pipefail
build=$1 app_id=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/skyrelle_"$version"_*.deb) || fail "no package named skyrelle_${version}_<arch>.deb"
dpkg -x "$deb" "$work/root"

for path in usr/bin/Skyrelle usr/bin/skyrelle-reg usr/bin/skyrelle-render usr/bin/skyrelle-publish \
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
  usr/share/icons/hicolor/48x48/apps/skyrelle.png usr/share/icons/hicolor/scalable/apps/skyrelle.svg \
  usr/share/man/man1/Skyrelle.1.gz usr/share/man/man1/skyrelle-reg.1.gz \
  usr/share/man/man1/skyrelle-render.1.gz usr/share/man/man1/skyrelle-publish.1.gz \
  usr/share/doc/skyrelle/copyright; do
  [ -f "$work/root/$path" ] || fail "the package lacks /$path"
done
for program in "$work"/root/usr/bin/*; do
  file "$program" | grep -q ', stripped' || fail "$program is not stripped"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends was not worked out from the binaries"

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli"
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate"
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  man -l "$page" 2>&1 >/dev/null | grep . && fail "$page has roff errors"
done

cmake --build . --target portable >"$work/portable.log" 2>&1 || { cat "$work/portable.log"; fail "portable"; }
tarball=Skyrelle-$version-linux-$(uname -m).tar.gz
mkdir "$work/portable"
tar -xzf "$tarball" -C "$work/portable"
folder=$work/portable/Skyrelle-$version-linux-$(uname -m)
for name in Skyrelle skyrelle-reg skyrelle-render skyrelle-publish; do
  [ -x "$folder/$name" ] || fail "the tarball lacks $name"
done
"$folder/skyrelle-render" --help | grep -q '^Usage: skyrelle-render' ||
  fail "the unpacked skyrelle-render does not run"
echo "package and tarball as expected"
