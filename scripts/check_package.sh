#!/usr/bin/env bash
# Checks a built package as a user would meet it (CI runs this as root):
#   scripts/check_package.sh build-package/varenna_VERSION_ARCH.deb
# lintian with no errors; the desktop entry and the AppStream metadata
# valid; installed with apt-get; varenna-batch run by a non-root user with an
# empty home (its JPEGs land in that user's pictures folder at quality 85);
# the installed program's main window up on a virtual display; the manual
# page listing the options; then removed again, leaving none of its files.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
bash scripts/setup.sh --packaging
step() { echo "== $*"; }

step "lintian"
lintian --fail-on error --info "$deb" 2>&1 | { grep -v '^running with root privileges' || true; }

unpacked=$(mktemp -d)
user_home=$(mktemp -d)
trap 'rm -rf "$unpacked" "$user_home"' EXIT
dpkg-deb -x "$deb" "$unpacked"
step "desktop entry and AppStream metadata"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

step "install"
package=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed_files=$(dpkg -L "$package")
[ "$(varenna-batch --version)" = "varenna-batch $version" ]
[ "$(QT_QPA_PLATFORM=offscreen varenna --version)" = "varenna $version" ]
man -P cat varenna-batch 2>/dev/null | grep -q -- '--show-settings'

step "varenna-batch as a user with an empty home"
user=varenna-check
id "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir /nonexistent --shell /bin/sh "$user"
chown "$user" "$user_home"
# The AVIF file is read through the newer formats' module, found where it was installed.
cp tests/data/pngsuite/basn2c08.png tests/data/pngsuite/basn6a08.png tests/data/bmpsuite/g/rgb24.bmp \
  tests/fuzz/seeds/avif/avif-plain-48x32.avif "$user_home"/
chown "$user" "$user_home"/*
as_user() { runuser -u "$user" -- env -i HOME="$user_home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
as_user varenna-batch --set OUTformat=1 "$user_home"/basn2c08.png "$user_home"/basn6a08.png "$user_home"/rgb24.bmp \
  "$user_home"/avif-plain-48x32.avif
made=$(find "$user_home/Pictures/Thumbnails" -name '*.jpg' | wc -l)
[ "$made" -eq 4 ] || { echo "expected 4 thumbnails in ~/Pictures/Thumbnails, found $made"; exit 1; }
# The first entry of the first quantisation table: 5 at quality 85 (16 scaled
# by 30%), 255 at quality 0.
first=$(find "$user_home/Pictures/Thumbnails" -name '*.jpg' | head -n 1)
dqt=$(LC_ALL=C grep -obUaP '\xff\xdb' "$first" | head -n 1 | cut -d: -f1)
quant=$(od -An -tu1 -j $((dqt + 5)) -N1 "$first" | tr -d ' ')
[ "$quant" -eq 5 ] || { echo "the thumbnail was not written at quality 85 (first quantiser $quant)"; exit 1; }
echo "4 thumbnails in ~/Pictures/Thumbnails at quality 85"

step "the installed program shows its main window"
windows=$(as_user xvfb-run -a -s '-screen 0 1024x768x24' sh -c \
  'QT_QPA_PLATFORM=xcb varenna & pid=$!; sleep 7; xwininfo -root -tree; kill $pid')
grep -q '"Varenna Pro"' <<<"$windows" || { echo "no main window"; exit 1; }
echo "main window up"

step "remove"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null
left=$(while IFS= read -r path; do [ -f "$path" ] && echo "$path"; done <<<"$installed_files" || true)
[ -z "$left" ] || { echo "left after removal:"; echo "$left"; exit 1; }
echo "package check passed"
