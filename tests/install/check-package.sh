#!/usr/bin/env bash
# check-package.sh BUILD VERSION
# Builds the Debian package from the build with CPack, checks it with lintian
# (no error), reads its dependencies and contents, and lets apt resolve its
# installation (simulated).
set -uo pipefail
build=$1 version=$2
out=$(mktemp -d /tmp/trk-package-XXXXXX)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null) || { echo "FAIL: cpack"; exit 1; }
arch=$(dpkg --print-architecture)
deb=$out/trk-viewer_${version}_${arch}.deb
[ -f "$deb" ] || { echo "FAIL: no $deb: $(ls "$out")"; exit 1; }

lint=$(lintian --fail-on error "$deb" 2>&1) || fail "lintian: $lint"
echo "lintian:"
echo "$lint"

depends=$(dpkg-deb -f "$deb" Depends)
# From dpkg-shlibdeps (what the binaries link) and what is loaded at run time.
for dep in libc6 libqt6core6 libqt6webenginecore6 libvlc5 vlc-plugin-base vlc-plugin-video-output \
           qt6-qpa-plugins libqt6webenginecore6-bin libjs-leaflet \
           libavcodec59 libavformat59 libavutil57 libswscale6 libswresample4; do
  echo "$depends" | grep -qE "(^|, )$dep( |,|$)" || fail "Depends lacks $dep: $depends"
done
dpkg-deb -f "$deb" Recommends | grep -q fonts-noto-cjk || fail "the CJK fonts are not recommended"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/trk-viewer ./usr/share/applications/ ./usr/share/doc/trk-viewer/copyright; do
  echo "$contents" | grep -qF " $f" || fail "the package lacks $f"
done
if echo "$contents" | awk '{print $2}' | grep -qv '^root/root$'; then fail "files not owned by root"; fi

# apt takes the package as it is (a dry run: nothing is installed).
apt=$(apt-get install -s "$deb" 2>&1) || fail "apt-get install -s: $apt"

[ "$failures" -eq 0 ] && echo "package checks passed"
exit $((failures > 0))
