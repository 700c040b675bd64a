#!/usr/bin/env bash
# check-install.sh BUILD SOURCE APP_ID VERSION
# Installs the build into a temporary DESTDIR and checks what a desktop and a
# user see: the programs (their --help, --version and the no-display line),
# the manual pages, the menu entry (desktop-file-validate), the AppStream file
# (appstreamcli), the icons in every size, and that no installed file names
# the build or source tree.
set -uo pipefail
build=$1 source=$2 id=$3 version=$4
dest=$(mktemp -d /tmp/trk-install-XXXXXX)
trap 'rm -rf "$dest"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR="$dest" cmake --install "$build" --prefix /usr --strip >/dev/null || fail "cmake --install"
root=$dest/usr

for f in bin/trk-viewer bin/trk-probe bin/trk-synth \
         share/man/man1/trk-viewer.1.gz share/man/man1/trk-probe.1.gz share/man/man1/trk-synth.1.gz \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/doc/trk-viewer/copyright share/doc/trk-viewer/changelog.gz; do
  [ -s "$root/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "icon $size: $(file -b "$icon")"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"

# The menu entry and the AppStream file: no error, no warning.
out=$(desktop-file-validate "$root/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
grep -qx 'Exec=trk-viewer %f' "$root/share/applications/$id.desktop" || fail "Exec line"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop" || fail "Icon line"
out=$(appstreamcli validate --no-net --no-color "$root/share/metainfo/$id.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $out"
if echo "$out" | grep -qE '^(E|W):'; then fail "appstreamcli says: $out"; fi

# Manual pages made by help2man from --help and --version.
for p in trk-viewer trk-probe trk-synth; do
  page=$(zcat "$root/share/man/man1/$p.1.gz")
  echo "$page" | grep -q "^\.TH \"\?${p^^}\"\? \"\?1\"\?.*$version" || fail "$p.1: no title line with $version"
  echo "$page" | grep -q 'help2man' || fail "$p.1 is not from help2man"
  echo "$page" | grep -qF -- '\-\-version' || fail "$p.1 lists no options"
done

# The installed programs answer without a display; the viewer says plainly
# that it needs one.
for p in trk-viewer trk-probe trk-synth; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$p" --version) || fail "$p --version failed"
  [ "$(echo "$out" | head -1)" = "$p $version" ] || fail "$p --version says: $(echo "$out" | head -1)"
  env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$p" --help | grep -qi '^usage:' || fail "$p --help"
done
for display in "" ":97"; do
  err=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$root/bin/trk-viewer" /tmp 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq 1 ] || fail "viewer without display (DISPLAY='$display'): exit status $status"
  [ "$(echo "$err" | wc -l)" -eq 1 ] && echo "$err" | grep -q 'xvfb-run' && echo "$err" | grep -q 'desktop session' ||
    fail "viewer without display (DISPLAY='$display') says: $err"
done

# Nothing installed refers back to the build or the source tree.
for tree in "$(realpath "$build")" "$(realpath "$source")"; do
  found=$(grep -rl --binary-files=text -F "$tree" "$dest")
  [ -z "$found" ] || fail "these name $tree: $found"
done

[ "$failures" -eq 0 ] && echo "install checks passed"
exit $((failures > 0))
