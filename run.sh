#!/usr/bin/env bash
# Installs what is missing, builds, writes a demo SD card and opens it in the viewer.
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps; fi
# A folder of its own: ./test.sh builds build/ with the tests, and neither
# command rebuilds what the other built.
BUILD_DIR=${BUILD_DIR:-build-run}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRK_BUILD_TESTS=OFF -DTRK_BUILD_GUI=ON
cmake --build "$BUILD_DIR" -j"$(nproc)"
CARD=${CARD:-$PWD/demo-card}
if [ ! -d "$CARD" ]; then
  "$BUILD_DIR/bin/trk-synth" card "$CARD"
fi
if [ -x "$BUILD_DIR/bin/trk-viewer" ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}
  if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
  # The viewer keeps its settings file in the current directory.
  mkdir -p "$BUILD_DIR/run" && cd "$BUILD_DIR/run"
  exec "../bin/trk-viewer" "$CARD"
fi
exec "$BUILD_DIR/bin/trk-probe" --library "$CARD"
