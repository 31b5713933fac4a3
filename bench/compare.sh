#!/usr/bin/env bash
# Makes 300-px-wide proportional JPEG q85 thumbnails of the distinct wallpaper
# JPEGs with varenna-batch and with other thumbnailers, and prints wall time,
# peak RSS and the ratios to varenna-batch and to the TurboJPEG decode floor.
#
#   bench/compare.sh [--help] [--progressive | --png | --tiff] [SOURCE_DIR (/usr/share/wallpapers)]
#
# --progressive rewrites every other input as a progressive JPEG without loss
# (jpegtran -progressive, libjpeg's standard script), as half of camera and
# web photos are; the pictures stay the same. --png gives every tool the
# same pictures as PNG files (vips copy, its default compression) and leaves
# out the JPEG decode floor; --tiff does the same with Deflate-compressed
# TIFF files in strips (vips tiffsave's layout).
#
# VARENNA_BATCH and ENGINE_BENCH override where the two programs are looked
# for (default build/bin/varenna-batch, then the first build*/bin/engine_bench).
# Every tool runs RUNS times (default 3); the fastest run counts.
# Run as root, missing peers are installed with apt-get; otherwise they are
# skipped. Peak RSS is GNU time's: for xargs -P runs that is the largest single
# process, not the sum over the workers.
set -u

if [[ "${1:-}" == "--help" || "${1:-}" == "-h" ]]; then
  echo "usage: bench/compare.sh [--progressive | --png | --tiff] [SOURCE_DIR (/usr/share/wallpapers)]  (env: VARENNA_BATCH, ENGINE_BENCH, RUNS)"
  exit 0
fi
progressive=0
ext=jpg
if [[ "${1:-}" == "--progressive" ]]; then
  progressive=1
  shift
elif [[ "${1:-}" == "--png" ]]; then
  ext=png
  shift
elif [[ "${1:-}" == "--tiff" ]]; then
  ext=tif
  shift
fi

src=${1:-/usr/share/wallpapers}
runs=${RUNS:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
cores=$(nproc)
batch=${VARENNA_BATCH:-$root/build/bin/varenna-batch}
engine_bench=${ENGINE_BENCH:-}
if [[ -z "$engine_bench" ]]; then
  for b in "$root"/build/bin/engine_bench "$root"/build*/bin/engine_bench; do
    [[ -x "$b" ]] && { engine_bench=$b; break; }
  done
fi
pillow_python=/usr/bin/python3  # Debian's python3-pil lives there, not in a private interpreter

# Peers: install what is missing when we may, as package -> program.
if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
  missing=()
  [[ -x /usr/bin/vipsthumbnail ]] || missing+=(libvips-tools)
  [[ -x /usr/bin/mogrify ]] || missing+=(imagemagick)
  [[ -x /usr/bin/gm ]] || missing+=(graphicsmagick)
  [[ -x /usr/bin/time ]] || missing+=(time)
  ((progressive)) && ! [[ -x /usr/bin/jpegtran ]] && missing+=(libjpeg-turbo-progs)
  "$pillow_python" -c "import PIL" 2>/dev/null || missing+=(python3-pil)
  if ((${#missing[@]})); then
    echo "installing ${missing[*]}" >&2
    apt-get update -qq >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
fi
if [[ ! -x /usr/bin/time ]]; then
  echo "GNU time (/usr/bin/time) is needed; install the package 'time'" >&2
  exit 1
fi
if ((progressive)) && [[ ! -x /usr/bin/jpegtran ]]; then
  echo "--progressive needs jpegtran; install the package 'libjpeg-turbo-progs'" >&2
  exit 1
fi

work=$(mktemp -d /tmp/varenna-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"

# Distinct files only: the wallpaper package repeats one picture under many names.
n=0
while read -r _ path; do
  n=$((n + 1))
  target="$work/in/$(printf '%03d' "$n").$ext"
  if ((progressive && n % 2 == 0)); then
    /usr/bin/jpegtran -copy all -progressive -outfile "$target" "$path"
  elif [[ $ext != jpg ]]; then
    suffix=""
    [[ $ext == tif ]] && suffix="[compression=deflate]"
    /usr/bin/vips copy "$path" "$target$suffix" 2>/dev/null || {
      echo "--$ext needs vips (libvips-tools) to make the inputs" >&2
      exit 1
    }
  else
    cp "$path" "$target"
  fi
done < <(find -L "$src" -type f -iname '*.jpg' -print0 | xargs -0 sha256sum | sort | awk '!seen[$1]++')
if ((n == 0)); then
  echo "no JPEG files under $src" >&2
  exit 1
fi
bytes=$(du -sb "$work/in" | cut -f1)
kind=""
((progressive)) && kind=", every other one progressive"
[[ $ext == png ]] && kind=", as PNG files"
[[ $ext == tif ]] && kind=", as Deflate TIFF files"
echo "$n distinct JPEGs ($((bytes / 1048576)) MiB) from $src$kind, $cores cores"

declare -A wall rss
order=()

# run [--writes-nothing] NAME COMMAND...: times the command $runs times
# (output folder $work/out/NAME, made empty first) and records the fastest
# wall seconds and the largest peak MiB, or the reason it did not run. Unless
# it writes nothing, every run must leave one thumbnail per input.
run() {
  local check=1
  if [[ "$1" == "--writes-nothing" ]]; then
    check=0
    shift
  fi
  local name=$1
  shift
  order+=("$name")
  local best="" peak=0 made w k
  for ((r = 0; r < runs; r++)); do
    rm -rf "$work/out/$name"
    mkdir -p "$work/out/$name"
    sync
    local t0 t1
    t0=$(date +%s%N)
    if ! /usr/bin/time -f "%M" -o "$work/time" "$@" >"$work/log" 2>&1; then
      wall[$name]="failed: $(tail -n 1 "$work/log" | cut -c1-60)"
      return
    fi
    made=$(find "$work/out/$name" -name '*.jpg' | wc -l)
    if ((check && made != n)); then
      wall[$name]="made $made of $n"
      return
    fi
    t1=$(date +%s%N)
    w=$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.3f", (b - a) / 1e9}')  # GNU time's %e has only 2 decimals
    read -r k <"$work/time"
    if [[ -z "$best" ]] || awk -v w="$w" -v b="$best" 'BEGIN{exit !(w < b)}'; then best=$w; fi
    ((k > peak)) && peak=$k
  done
  wall[$name]=$best
  rss[$name]=$(awk -v k="$peak" 'BEGIN{printf "%.1f", k / 1024}')
}
skip() {
  order+=("$1")
  wall[$1]=$2
}
chunk=$(((n + cores - 1) / cores))

# varenna-batch: every setting it does not get below stays at its default.
# Its folder scan takes BMP, JPEG and PNG files; TIFF files are named.
batch_inputs=("$work/in")
[[ $ext == tif ]] && batch_inputs=("$work"/in/*.tif)
if [[ -x "$batch" ]]; then
  for jobs in 1 "$cores"; do
    name="varenna-batch --jobs $jobs"
    : >"$work/empty.reg"
    run "$name" "$batch" --settings "$work/empty.reg" --set OUTformat=1 --set OUTnoprop=0 --set OUTpropw=-1 \
      --set OUTproph=0 --set OUToriginal=0 --set OUTwidth=300 --set JPEGquality=85 --set "OUTfolder=$work/out/$name" \
      --set WMFile= --jobs "$jobs" "${batch_inputs[@]}"
  done
else
  skip "varenna-batch --jobs 1" "not built"
  skip "varenna-batch --jobs $cores" "not built"
fi

if [[ -x /usr/bin/vipsthumbnail ]]; then
  run "vipsthumbnail, 1 process" /usr/bin/vipsthumbnail --size 300x -o "$work/out/vipsthumbnail, 1 process/%s.jpg[Q=85]" \
    "$work"/in/*.$ext
  out="$work/out/vipsthumbnail, $cores processes"
  # One single-threaded process per core (libvips would otherwise start a thread per core in each).
  run "vipsthumbnail, $cores processes" env VIPS_CONCURRENCY=1 sh -c 'ls "$1"/*."$5" | xargs -P "$2" -n "$3" /usr/bin/vipsthumbnail --size 300x -o "$4/%s.jpg[Q=85]"' \
    sh "$work/in" "$cores" "$chunk" "$out" "$ext"
else
  skip "vipsthumbnail" "not installed (libvips-tools)"
fi

if [[ -x /usr/bin/mogrify ]]; then
  run "ImageMagick mogrify" /usr/bin/mogrify -path "$work/out/ImageMagick mogrify" -define jpeg:size=600x \
    -thumbnail 300x -quality 85 -format jpg "$work"/in/*.$ext
else
  skip "ImageMagick mogrify" "not installed (imagemagick)"
fi

if [[ -x /usr/bin/gm ]]; then
  # gm appends the input's path to -output-directory: hand it bare names.
  run "GraphicsMagick mogrify" sh -c 'cd "$1" && /usr/bin/gm mogrify -output-directory "$2" -size 600x \
    -thumbnail 300x -quality 85 -format jpg *."$3"' sh "$work/in" "$work/out/GraphicsMagick mogrify" "$ext"
else
  skip "GraphicsMagick mogrify" "not installed (graphicsmagick)"
fi

if "$pillow_python" -c "import PIL" 2>/dev/null; then
  cat >"$work/pillow.py" <<'EOF'
import os, sys
from PIL import Image
out = sys.argv[1]
for path in sys.argv[2:]:
    with Image.open(path) as im:
        w, h = im.size
        th = max(1, round(300 * h / w))
        im.draft("RGB", (600, 2 * th))  # DCT shrink leaving at least 2x for the filter
        thumb = im.convert("RGB").resize((300, th), Image.LANCZOS, reducing_gap=2.0)
        name = os.path.splitext(os.path.basename(path))[0] + ".jpg"
        thumb.save(os.path.join(out, name), quality=85)
EOF
  run "Pillow" "$pillow_python" "$work/pillow.py" "$work/out/Pillow" "$work"/in/*.$ext
else
  skip "Pillow" "not installed (python3-pil)"
fi

# The floors: the decode alone, warm on one core inside engine_bench (median
# of 3 rounds), and as a one-shot program on every core, timed as a whole
# process like the tools above: read, header and scaled decode of each file,
# nothing written.
floor1=""
floorn=""
floor_name="TurboJPEG floor, $cores threads"
if [[ -n "$engine_bench" && $ext == jpg ]]; then
  floor1=$("$engine_bench" --floor -n 3 "$work/in" | awk '/^floor_seconds/{print $2}')
  run --writes-nothing "$floor_name" "$engine_bench" --cold-floor --threads "$cores" "$work/in"
  floorn=${wall[$floor_name]}
  [[ "$floorn" =~ ^[0-9.]+$ ]] || floorn=""
fi

base=${wall["varenna-batch --jobs $cores"]:-}

echo
printf '%-32s %8s %9s %10s %10s %10s\n' tool "wall s" "peak MiB" "/batch-$cores" "/floor-1" "/floor-$cores"
for name in "${order[@]}"; do
  w=${wall[$name]}
  if [[ "$w" =~ ^[0-9.]+$ ]]; then
    awk -v n="$name" -v w="$w" -v m="${rss[$name]}" -v b="$base" -v f1="$floor1" -v fn="$floorn" 'BEGIN{
      rb = (b ~ /^[0-9.]+$/ && b > 0) ? sprintf("%.2f", w / b) : "-";
      r1 = (f1 != "") ? sprintf("%.2f", w / f1) : "-";
      rn = (fn != "") ? sprintf("%.2f", w / fn) : "-";
      printf "%-32s %8.3f %9s %10s %10s %10s\n", n, w, m, rb, r1, rn }'
  else
    printf '%-32s %s\n' "$name" "$w"
  fi
done
if [[ -n "$floor1" ]]; then
  printf '%-32s %8.2f %9s   (warm, in process, median of 3 rounds)\n' "TurboJPEG floor, 1 core" "$floor1" "-"
elif [[ $ext != jpg ]]; then
  echo "(no decode floor for $ext inputs)"
else
  echo "TurboJPEG floor: engine_bench not built (ninja -C build-<name> engine_bench, or set ENGINE_BENCH)"
fi
echo "(every tool: the fastest of $runs runs, and the largest peak)"
