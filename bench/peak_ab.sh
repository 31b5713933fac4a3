#!/usr/bin/env bash
# Peak RSS and wall time of 300-px-wide JPEG q85 thumbnails of SOURCE (a file
# or a folder) made by two varenna-batch builds, alternately, and by
# vipsthumbnail (one process) in the same run: the fastest of RUNS runs
# (default 3) and the largest peak, each by GNU time.
#
#   bench/peak_ab.sh BASE_BATCH SOURCE [JOBS (1)]
#   (env: VARENNA_BATCH, this build's, default build/bin/varenna-batch; RUNS)
set -euo pipefail
base=${1:?usage: bench/peak_ab.sh BASE_BATCH SOURCE [JOBS]}
src=${2:?usage: bench/peak_ab.sh BASE_BATCH SOURCE [JOBS]}
jobs=${3:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
batch=${VARENNA_BATCH:-$root/build/bin/varenna-batch}
runs=${RUNS:-3}
work=$(mktemp -d /tmp/varenna-peak.XXXXXX)
trap 'rm -rf "$work"' EXIT
: >"$work/empty.reg"
declare -A best peak
measure() {
  local name=$1
  shift
  rm -rf "$work/out"
  mkdir -p "$work/out"
  /usr/bin/time -f "%M %e" -o "$work/time" "$@" >/dev/null 2>&1
  local k e
  read -r k e <"$work/time"
  if [[ -z "${best[$name]:-}" ]] || awk -v e="$e" -v b="${best[$name]}" 'BEGIN{exit !(e < b)}'; then
    best[$name]=$e
  fi
  ((k > ${peak[$name]:-0})) && peak[$name]=$k
  return 0
}
inputs=("$src")
vips_inputs=("$src")
[[ -d "$src" ]] && vips_inputs=("$src"/*)
for ((r = 0; r < runs; r++)); do
  for name in before now; do
    bin=$batch
    [[ $name == before ]] && bin=$base
    measure "$name" "$bin" --settings "$work/empty.reg" --set OUTformat=1 --set OUTnoprop=0 --set OUTpropw=-1 \
      --set OUTproph=0 --set OUToriginal=0 --set OUTwidth=300 --set JPEGquality=85 --set "OUTfolder=$work/out" \
      --set WMFile= --jobs "$jobs" "${inputs[@]}"
  done
  measure vipsthumbnail /usr/bin/vipsthumbnail --size 300x -o "$work/out/%s.jpg[Q=85]" "${vips_inputs[@]}"
done
for name in before now vipsthumbnail; do
  awk -v n="$name" -v e="${best[$name]}" -v k="${peak[$name]}" \
    'BEGIN{printf "%-14s fastest %6.2f s  peak %7.1f MiB\n", n, e, k / 1024}'
done
