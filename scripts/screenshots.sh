#!/usr/bin/env bash
# Saves pictures of the main window with a filled list (at its classic size
# and resized), the progress window, the About box and the settings dialog's
# Effects and Water Mark pages (which must have one size) into docs/, taken
# from the real windows by tools/screenshots.cpp. Uses Xvfb when it is
# installed (real window decorations and fonts), else Qt's offscreen
# platform. The program must be built: BUILD_DIR (default build) holds it.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
program="$build_dir/bin/varenna-screenshots"
out=${1:-docs}
if [[ ! -x "$program" ]]; then
  echo "No program at $program; build first (scripts/build.sh)" >&2
  exit 1
fi
mkdir -p "$out"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$out"
else
  QT_QPA_PLATFORM=offscreen "$program" "$out"
fi
ls -l "$out"/main_window.png "$out"/main_window_resized.png "$out"/progress_window.png "$out"/about_box.png \
  "$out"/settings_effects.png "$out"/settings_watermark.png
# The settings dialog holds still: both pages were taken at one size.
png_size() { od -An -tu1 -j16 -N8 "$1" | tr -s ' '; }
if [[ "$(png_size "$out"/settings_effects.png)" != "$(png_size "$out"/settings_watermark.png)" ]]; then
  echo "The settings pages were taken at different sizes" >&2
  exit 1
fi
