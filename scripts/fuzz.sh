#!/usr/bin/env bash
# Builds the decoders' libFuzzer targets with clang (AddressSanitizer and
# UBSan on) in build-fuzz/, then either replays the stored corpora through
# each of them once (the default, as CI does) or fuzzes each for a while:
#   scripts/fuzz.sh                 replay the corpora
#   scripts/fuzz.sh --fuzz SECONDS  fuzz each target, seeded from the corpora
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
corpus=tests/data
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARENNA_GUI=OFF -DVARENNA_WERROR=OFF -DVARENNA_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
targets=$(cd tests/fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')
cmake --build build-fuzz --parallel "$(nproc)" --target $targets
# Our own seeds (JPEGs of every colour type and subsampling, with and
# without EXIF, and every hostile file that once cost too much) beside the
# PngSuite and bmpsuite corpora in tests/data.
seeds=("$corpus/pngsuite" "$corpus/bmpsuite/g" "$corpus/bmpsuite/b" "$corpus/bmpsuite/q" tests/fuzz/seeds/*/)
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for target in $targets; do
  if [ "${1:-}" = "--fuzz" ]; then
    work="build-fuzz/corpus-$target"
    mkdir -p "$work"
    build-fuzz/bin/$target -max_total_time="${2:-60}" -rss_limit_mb=2048 -print_final_stats=1 "$work" "${seeds[@]}"
  else
    echo "== $target: replaying the corpora"
    build-fuzz/bin/$target -runs=0 -rss_limit_mb=2048 "${seeds[@]}" 2>&1 | tail -n 2
  fi
done
