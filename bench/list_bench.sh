#!/usr/bin/env bash
# Adds folders of 10,000 and 100,000 files to the main window and times it
# against find(1) on the same folders; see list_bench --help.
#   bench/list_bench.sh [--extra] [COUNT...]
# LIST_BENCH chooses the binary (default build/bin/list_bench).
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${LIST_BENCH:-build/bin/list_bench}"
[ -x "$bin" ] || { echo "no $bin: ninja -C build list_bench" >&2; exit 2; }
echo "$(nproc) cores, $(uname -r), $(date -u +%FT%TZ)"
QT_QPA_PLATFORM=offscreen exec "$bin" "$@"
