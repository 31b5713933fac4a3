#!/usr/bin/env bash
# Saves pictures of the main window with a filled list, the progress window,
# the About box and the settings dialog's Effects and Water Mark pages into docs/, taken from the real windows by tools/screenshots.cpp. Uses Xvfb when
# it is installed (real window decorations and fonts), else Qt's offscreen
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
ls -l "$out"/main_window.png "$out"/progress_window.png "$out"/about_box.png "$out"/settings_effects.png \
  "$out"/settings_watermark.png
