#!/usr/bin/env bash
# Times varenna-batch making JPEG q85 thumbnails of the distinct wallpaper
# JPEGs with "--size 300" (300 px wide), "--size 300x300^" (filled and
# cropped to 300x300) and, as the peer that decodes as much, "--size x300"
# (300 px high, which a landscape picture fills 300x300 from), in the same
# run, and prints the ratios to the first. Wall time and CPU time (user and
# system) of each; on a busy machine the CPU time is the steadier figure.
#
#   bench/size_modes.sh [--help] [SOURCE_DIR (/usr/share/wallpapers)]
#
# VARENNA_BATCH overrides the program (default build/bin/varenna-batch). The
# two runs alternate RUNS times (default 5); the fastest of each counts.
set -eu

if [[ "${1:-}" == "--help" || "${1:-}" == "-h" ]]; then
  echo "usage: bench/size_modes.sh [SOURCE_DIR (/usr/share/wallpapers)]  (env: VARENNA_BATCH, RUNS, JOBS)"
  exit 0
fi
src=${1:-/usr/share/wallpapers}
runs=${RUNS:-5}
jobs=${JOBS:-$(nproc)}
root=$(cd "$(dirname "$0")/.." && pwd)
batch=${VARENNA_BATCH:-$root/build/bin/varenna-batch}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One file per content: the package holds the same pictures under many names.
mkdir -p "$work/in"
n=0
while read -r _ path; do
  n=$((n + 1))
  cp "$path" "$work/in/$(printf '%03d' "$n").jpg"
done < <(find -L "$src" -type f -iname '*.jpg' -print0 | xargs -0 sha256sum | sort | awk '!seen[$1]++')
echo "$n distinct JPEGs from $src, --jobs $jobs, fastest of $runs runs"

: >"$work/settings.reg"
mkdir -p "$work/out"
measure() {  # size -> "wall cpu" seconds of one run
  local start end cpu
  rm -rf "$work/out"/*
  start=$(date +%s%N)
  /usr/bin/time -o "$work/time" -f "%U %S" "$batch" --settings "$work/settings.reg" \
    --set OUTfolder="$work/out" --set OUTformat=1 --set JPEGquality=85 --set OUTname=%o --jobs "$jobs" \
    --size "$1" "$work/in" >/dev/null 2>&1
  end=$(date +%s%N)
  cpu=$(tail -1 "$work/time")
  echo "$(echo "scale=3; ($end - $start) / 1000000000" | bc) $(echo "$cpu" | awk '{print $1 + $2}')"
}
sizes=(300 '300x300^' x300)
declare -A wall cpu
for size in "${sizes[@]}"; do wall[$size]=999999; cpu[$size]=999999; done
for ((i = 0; i < runs; i++)); do
  line="run $((i + 1)):"
  for size in "${sizes[@]}"; do
    read -r w c < <(measure "$size")
    (($(echo "$w < ${wall[$size]}" | bc))) && wall[$size]=$w
    (($(echo "$c < ${cpu[$size]}" | bc))) && cpu[$size]=$c
    line+="  $size ${w}s wall ${c}s cpu"
  done
  echo "$line"
done
for size in "${sizes[@]}"; do
  printf 'fastest --size %-9s %6.3fs wall (%.2fx)  %6.3fs cpu (%.2fx)\n' "$size" "${wall[$size]}" \
    "$(echo "scale=3; ${wall[$size]} / ${wall[300]}" | bc)" "${cpu[$size]}" \
    "$(echo "scale=3; ${cpu[$size]} / ${cpu[300]}" | bc)"
done
