#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for a while.
#
#   fuzz/run-fuzzers.sh [options] [TARGET...]
#     --seconds N      fuzzing time per target (default 30)
#     --timeout S      limit per input in seconds; a slower input is a failure (default 10)
#     --build-dir DIR  where to build and keep corpora and logs (default build-fuzz)
#     --nice           run the fuzzers at the lowest priority (idle CPU only)
#     --no-build       use the binaries (and seeds) already in the build folder
#   TARGET: avi mov_walk mov_scan samples settings (default: all)
#
# Every target first replays fuzz/regressions/TARGET/* (inputs that once
# crashed or hung) and its seeds, then fuzzes. Crashes, timeouts and leaks are
# saved as BUILD/artifacts/TARGET-*; the script then exits 1. It exits 77 when
# no clang++ is installed (a test runner counts that as skipped).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)

SECONDS_PER_TARGET=30
PER_INPUT_TIMEOUT=10
BUILD="$ROOT/build-fuzz"
NICE=()
BUILD_FIRST=1
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_PER_TARGET=$2; shift 2 ;;
    --timeout) PER_INPUT_TIMEOUT=$2; shift 2 ;;
    --build-dir) BUILD=$2; shift 2 ;;
    --nice) NICE=(nice -n 19); shift ;;
    --no-build) BUILD_FIRST=0; shift ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    -*) echo "run-fuzzers: unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(avi mov_walk mov_scan samples settings)
mkdir -p "$BUILD"
BUILD=$(cd "$BUILD" && pwd)

if ! command -v clang++ >/dev/null; then
  echo "run-fuzzers: clang++ is not installed; skipping" >&2
  exit 77
fi

if [ "$BUILD_FIRST" -eq 1 ]; then
  cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >"$BUILD/configure.log" 2>&1 ||
    { cat "$BUILD/configure.log" >&2; exit 1; }
  # Two jobs at most: the machine's cores are shared.
  cmake --build "$BUILD" -j2 >"$BUILD/build.log" 2>&1 || { tail -n 60 "$BUILD/build.log" >&2; exit 1; }
fi

# Fresh seeds with every build; runs without a build (for example several
# targets fuzzing side by side) share the seeds already there.
if [ "$BUILD_FIRST" -eq 1 ] || [ ! -d "$BUILD/seeds" ]; then
  rm -rf "$BUILD/seeds.new"
  "$BUILD/bin/trk-fuzz-seeds" "$BUILD/seeds.new"
  rm -rf "$BUILD/seeds"
  mv "$BUILD/seeds.new" "$BUILD/seeds"
fi
mkdir -p "$BUILD/artifacts" "$BUILD/logs"

max_len_of() {
  case "$1" in
    settings) echo 4096 ;;
    samples) echo 8192 ;;
    *) echo 32768 ;;
  esac
}
dict_of() {
  case "$1" in
    settings) echo "$ROOT/fuzz/settings.dict" ;;
    *) echo "$ROOT/fuzz/containers.dict" ;;
  esac
}

failed=0
printf '%-9s %8s %8s %10s %7s %7s %7s  %s\n' target wall_s cpu_s executions cov ft corpus result
for t in "${TARGETS[@]}"; do
  bin="$BUILD/bin/fuzz_$t"
  [ -x "$bin" ] || { echo "run-fuzzers: no target $t" >&2; exit 2; }
  corpus="$BUILD/corpus/$t"
  mkdir -p "$corpus"
  log="$BUILD/logs/$t.log"
  times="$BUILD/logs/$t.time"
  result=ok

  # Replay: every stored reproducer and seed once.
  replay=()
  if [ -d "$ROOT/fuzz/regressions/$t" ]; then
    while IFS= read -r -d '' f; do replay+=("$f"); done < <(find "$ROOT/fuzz/regressions/$t" -type f -print0)
  fi
  while IFS= read -r -d '' f; do replay+=("$f"); done < <(find "$BUILD/seeds/$t" -type f -print0)
  if ! timeout -k 10 600 "$bin" -timeout="$PER_INPUT_TIMEOUT" -rss_limit_mb=2048 \
      -artifact_prefix="$BUILD/artifacts/$t-" "${replay[@]}" >"$BUILD/logs/$t.replay.log" 2>&1; then
    result="REPLAY-FAILED(see logs/$t.replay.log)"
    failed=1
  fi

  # Fuzzing, with a wall-clock guard well above the requested time.
  status=0
  timeout -k 30 $((SECONDS_PER_TARGET + 300)) "${NICE[@]}" /usr/bin/time -f '%e %U %S' -o "$times" \
    "$bin" -max_total_time="$SECONDS_PER_TARGET" -timeout="$PER_INPUT_TIMEOUT" -rss_limit_mb=2048 \
    -max_len="$(max_len_of "$t")" -dict="$(dict_of "$t")" -use_value_profile=1 -print_final_stats=1 \
    -artifact_prefix="$BUILD/artifacts/$t-" "$corpus" "$BUILD/seeds/$t" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    result="FAILED(exit $status, see logs/$t.log)"
    failed=1
  fi
  read -r wall user sys <"$times" 2>/dev/null || { wall=0; user=0; sys=0; }
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.1f", u + s }')
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  size=$(find "$corpus" -type f | wc -l)
  printf '%-9s %8s %8s %10s %7s %7s %7s  %s\n' "$t" "$wall" "$cpu" "${execs:-0}" "${cov:-?}" "${ft:-?}" "$size" "$result"
done

if [ "$failed" -ne 0 ]; then
  echo "run-fuzzers: failures; reproducers in $BUILD/artifacts" >&2
  ls -l "$BUILD/artifacts" >&2 || true
  exit 1
fi
