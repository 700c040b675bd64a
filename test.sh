#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   ./test.sh              the normal build, in build/
#   ./test.sh --sanitize   the whole suite once more, built with AddressSanitizer
#                          and UndefinedBehaviorSanitizer, in build-asan/
# Every folder is configured with the options its tests need, whatever an
# earlier configure left in its cache (./run.sh builds in build-run/ without
# the tests), and a suite that finds no test fails.
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
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTRK_BUILD_TESTS=ON -DTRK_BUILD_GUI=ON -DTRK_SANITIZE="$SANITIZE"
cmake --build "$BUILD_DIR" -j"$(nproc)"
mkdir -p "$BUILD_DIR/artifacts"
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j"$(nproc)" --timeout 900

# Every run also checks the GUI-free core (readers, library, file operations,
# settings, track and KML, media engine) once more under AddressSanitizer and
# UndefinedBehaviorSanitizer; --sanitize above covers the windows as well.
if [ "$SANITIZE" = OFF ] && [ -z "${TRK_SKIP_CORE_SANITIZE:-}" ]; then
  CORE_DIR=${CORE_BUILD_DIR:-build-core-asan}
  cmake -S . -B "$CORE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRK_BUILD_TESTS=ON -DTRK_BUILD_GUI=OFF -DTRK_SANITIZE=ON
  cmake --build "$CORE_DIR" -j"$(nproc)"
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/reliability/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  # The fuzz targets have a sanitizer build of their own.
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$CORE_DIR" --output-on-failure --no-tests=error -j"$(nproc)" \
    --timeout 900 -E 'reliability_fuzz|playback_engine'
  # libvlc's plug-ins leak what they allocate and are unloaded before the leak
  # report, so the engine runs with the address checks but without leak checks.
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir "$CORE_DIR" --output-on-failure --no-tests=error --timeout 900 -R 'playback_engine'
fi
