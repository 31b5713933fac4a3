#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UBSan, in build-asan/
#   scripts/test.sh --tsan       the threaded run's tests under ThreadSanitizer,
#                                in build-tsan/ (no windows)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ "${1:-}" = "--tsan" ]; then
  # The render pool and the build run are where threads meet; the rest of the
  # suite is single-threaded and gains nothing from a third full build.
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARENNA_TSAN=ON -DVARENNA_GUI=OFF \
    -DVARENNA_WERROR=ON >/dev/null
  cmake --build build-tsan --parallel "$(nproc)" --target core_thumbnail_run_tests
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  exec build-tsan/bin/core_thumbnail_run_tests
elif [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  bash scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DVARENNA_SANITIZE=ON -DVARENNA_WERROR=ON
else
  export BUILD_DIR=build
  bash scripts/build.sh -DVARENNA_WERROR=ON
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" --timeout 300
