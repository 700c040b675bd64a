#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   ./test.sh              the normal build, in build/
#   ./test.sh --sanitize   the whole suite once more, built with AddressSanitizer
#                          and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")"
SANITIZE=OFF
if [ "${1:-}" = "--sanitize" ]; then SANITIZE=ON; fi
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps; fi
if [ "$SANITIZE" = ON ]; then
  BUILD_DIR=${BUILD_DIR:-build-asan}
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:check_initialization_order=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/reliability/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRK_SANITIZE="$SANITIZE"
cmake --build "$BUILD_DIR" -j"$(nproc)"
mkdir -p "$BUILD_DIR/artifacts"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 900
