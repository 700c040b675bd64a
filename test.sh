#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   ./test.sh                 the programs and every test in build/, the folder
#                             ./run.sh builds the programs in (what it built is
#                             not built again); the fuzz targets' short run
#                             checks the readers, the sample loader and the
#                             settings file under the sanitizers
#   ./test.sh --sanitize      the whole suite once more, built with
#                             AddressSanitizer and UndefinedBehaviorSanitizer,
#                             in build-asan/
#   ./test.sh --sanitize-core the GUI-free core's tests (readers, library, file
#                             operations, repair, settings, exports, media
#                             engine) built with the sanitizers, in
#                             build-core-asan/ (.ci/run adds it to ./test.sh)
# Every folder is configured by its preset in CMakePresets.json, whatever an
# earlier configure left in its cache, and a suite that finds no test fails.
set -euo pipefail
cd "$(dirname "$0")"
MODE=${1:-}
case "$MODE" in
  ""|--sanitize|--sanitize-core) ;;
  *) echo "test.sh: unknown option $MODE" >&2; exit 2 ;;
esac
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps; fi

sanitizer_options() {
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/reliability/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
}

if [ "$MODE" = --sanitize-core ]; then
  CORE_DIR=${CORE_BUILD_DIR:-build-core-asan}
  cmake --preset sanitize-core -B "$CORE_DIR"
  cmake --build "$CORE_DIR" -j"$(nproc)"
  sanitizer_options
  # The fuzz targets have a sanitizer build of their own.
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$CORE_DIR" --output-on-failure --no-tests=error -j"$(nproc)" \
    --timeout 900 -E 'reliability_fuzz|playback_engine'
  # libvlc's plug-ins leak what they allocate and are unloaded before the leak
  # report, so the engine runs with the address checks but without leak checks.
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "$CORE_DIR" --output-on-failure --no-tests=error --timeout 900 \
    -R 'playback_engine'
  exit 0
fi

PRESET=test
if [ "$MODE" = --sanitize ]; then
  PRESET=sanitize
  BUILD_DIR=${BUILD_DIR:-build-asan}
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:check_initialization_order=1}
  sanitizer_options
fi
BUILD_DIR=${BUILD_DIR:-build}
cmake --preset "$PRESET" -B "$BUILD_DIR"
cmake --build "$BUILD_DIR" -j"$(nproc)"
mkdir -p "$BUILD_DIR/artifacts"
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j"$(nproc)" --timeout 900
