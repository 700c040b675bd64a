#!/usr/bin/env bash
# The memory a user sees: runs the viewer on a card (it plays the first
# recording) and sums, once a second, the proportional set size (PSS: each
# shared page split among the processes that map it) and the resident set
# size of the viewer and every process below it (the web engine's zygotes,
# renderer and helpers). Prints each process at the end and the highest sums.
#
#   bench/viewer-memory/viewer-memory.sh VIEWER CARD [SECONDS]
#
# Without a display it runs under xvfb-run. QTWEBENGINE_CHROMIUM_FLAGS adds
# flags for a trial (they follow the viewer's own).
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 VIEWER CARD [SECONDS]" >&2
  exit 2
fi
viewer=$(realpath "$1")
card=$(realpath "$2")
seconds=${3:-30}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export QT_QPA_PLATFORM=xcb

run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
export XDG_CONFIG_HOME=$run/config XDG_CACHE_HOME=$run/cache
(cd "$run" && exec "$viewer" "$card") >"$run/viewer.log" 2>&1 &
pid=$!

# The viewer and its descendants.
tree() {
  ps -eo pid=,ppid= | awk -v root="$1" '
    { parent[$1] = $2 }
    END {
      member[root] = 1
      for (grew = 1; grew;) {
        grew = 0
        for (p in parent) if (!(p in member) && (parent[p] in member)) { member[p] = 1; grew = 1 }
      }
      for (p in member) printf "%s ", p
    }'
}

# "kB of PSS" "kB of RSS" of one process.
usage() {
  awk '/^Pss:/ { pss = $2 } /^Rss:/ { rss = $2 } END { print pss + 0, rss + 0 }' "/proc/$1/smaps_rollup" 2>/dev/null || echo "0 0"
}

max_pss=0
max_rss=0
for ((i = 0; i < seconds; i++)); do
  sleep 1
  kill -0 "$pid" 2>/dev/null || { echo "the viewer ended early:" >&2; cat "$run/viewer.log" >&2; exit 1; }
  pss=0 rss=0
  for p in $(tree "$pid"); do
    read -r a b < <(usage "$p")
    pss=$((pss + a)) rss=$((rss + b))
  done
  ((pss > max_pss)) && max_pss=$pss
  ((rss > max_rss)) && max_rss=$rss
done

echo "processes after ${seconds} s (PSS / RSS in MB):"
for p in $(tree "$pid"); do
  read -r a b < <(usage "$p")
  awk -v p="$p" -v a="$a" -v b="$b" -v c="$(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | cut -c1-90)" \
    'BEGIN { printf "  %7d %7.1f %7.1f  %s\n", p, a / 1024, b / 1024, c }'
done
awk -v s="$seconds" -v a="$max_pss" -v b="$max_rss" \
  'BEGIN { printf "highest total over %d s: PSS %.1f MB, RSS %.1f MB\n", s, a / 1024, b / 1024 }'
children=$(tree "$pid")
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
for p in $children; do kill "$p" 2>/dev/null || true; done
