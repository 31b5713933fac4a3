#!/usr/bin/env bash
# Makes large photo-like inputs for the streaming benchmarks with ImageMagick
# (/usr/bin/convert): ten 4800x3200 JPEGs (a swirled gradient overlaid with
# Gaussian grain, a caption and a disc, quality 90) in OUT_DIR/photos, and
# one 8000x5333 16-bit PNG made the same way as OUT_DIR/big16/big16.png.
#
#   bench/make_photos.sh OUT_DIR
set -euo pipefail
out=${1:?usage: bench/make_photos.sh OUT_DIR}
convert=/usr/bin/convert
mkdir -p "$out/photos" "$out/big16"
for i in $(seq 1 10); do
  c1=$(printf '#%02x%02x%02x' $((i * 23 % 256)) $((i * 71 % 256)) $((i * 131 % 256)))
  c2=$(printf '#%02x%02x%02x' $((255 - i * 37 % 256)) $((i * 53 % 256)) $((200 - i * 11)))
  "$convert" -size 4800x3200 "gradient:$c1-$c2" -swirl $((i * 20)) \
    \( -size 4800x3200 xc:gray50 -attenuate 0.25 +noise Gaussian \) -compose overlay -composite \
    -fill white -pointsize 260 -annotate +300+900 "Photo $i" \
    -fill black -draw "circle $((i * 400)),1600 $((i * 400 + 500)),1600" -quality 90 "$out/photos/photo$i.jpg"
done
"$convert" -size 8000x5333 gradient:'#203040-#e0c090' -swirl 60 \
  \( -size 8000x5333 xc:gray50 -attenuate 0.08 +noise Gaussian \) -compose overlay -composite \
  -fill white -pointsize 400 -annotate +600+1500 "Sixteen bits" -depth 16 "$out/big16/big16.png"
