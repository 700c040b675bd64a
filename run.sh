#!/usr/bin/env bash
# Installs what is missing, builds, writes a demo SD card and opens it in the viewer.
set -euo pipefail
cd "$(dirname "$0")"
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps; fi
# The folder ./test.sh builds and tests in, configured the same way, so that
# ./test.sh afterwards compiles only the tests; only the programs are built
# here.
BUILD_DIR=${BUILD_DIR:-build}
cmake --preset run -B "$BUILD_DIR"
cmake --build "$BUILD_DIR" -j"$(nproc)" --target trk-viewer trk-probe trk-synth
CARD=${CARD:-$PWD/demo-card}
if [ ! -d "$CARD" ]; then
  "$BUILD_DIR/bin/trk-synth" card "$CARD"
fi
if [ -x "$BUILD_DIR/bin/trk-viewer" ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}
  if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
  # The viewer keeps its settings in ~/.config/trk-viewer/, or in the current
  # folder when a KTR-XM_DireV.ini is there (as earlier runs left one here).
  mkdir -p "$BUILD_DIR/run"
  status=0
  (cd "$BUILD_DIR/run" && exec "../bin/trk-viewer" "$CARD") || status=$?
  # 1: no display to show the window on (the viewer said so): the card's
  # listing instead.
  [ "$status" -eq 1 ] || exit "$status"
fi
exec "$BUILD_DIR/bin/trk-probe" --library "$CARD"
