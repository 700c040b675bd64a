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
#     --build-only     build and write the seeds, fuzz nothing (for runs with
#                      --no-build that fuzz the targets side by side)
#     --synth PATH     also seed with recordings trk-synth writes in every layout
#   TARGET: avi mov_walk mov_scan samples settings repair_avi repair_mov
#           (default: all)
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
BUILD_ONLY=0
SYNTH=
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_PER_TARGET=$2; shift 2 ;;
    --timeout) PER_INPUT_TIMEOUT=$2; shift 2 ;;
    --build-dir) BUILD=$2; shift 2 ;;
    --nice) NICE=(nice -n 19); shift ;;
    --no-build) BUILD_FIRST=0; shift ;;
    --build-only) BUILD_ONLY=1; shift ;;
    --synth) SYNTH=$2; shift 2 ;;
    -h|--help) sed -n '2,21p' "$0"; exit 0 ;;
    -*) echo "run-fuzzers: unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(avi mov_walk mov_scan samples settings repair_avi repair_mov)
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

# Tiny recordings (32x32, one frame) in the synthesizer's layouts: the
# camera's own, and each layout edge case it knows.
add_synth_seeds() {
  local out=$1 tmp=$1/synth n=0 f
  mkdir -p "$tmp"
  local common=(--size 32x32 --fps 1 --duration 2 --video-seconds 1)
  local avi=(
    ""
    "--idit none" "--idit invalid" "--idit 1899" "--idit empty"
    "--gps-rate 0 --gsensor-rate 0 --no-gps-clock"
    "--layout hdrl-nostrf,gpsa,gsea,gps0,gsen,movi,idx1"
    "--layout hdrl,gpsa,gsea,gps0,gsen,movi-truncated"
    "--layout hdrl,idit:64,gps0,gsen,gpsa,gsea,movi,idx1"
    "--layout hdrl,junk:13,gpsa,gsea,gps0:40,gsen:7,movi,idx1"
    "--layout hdrl,unknown:8,gpsa,gsea,gps0,gsen,movi,idx1"
  )
  local mov=(
    ""
    "--idit none" "--idit invalid --layout ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat"
    "--idit none --no-gps-clock --layout ftyp,datetext,gpsa,gsea,gps0,gsen,mdat,moov"
    "--layout ftyp,idit,gpsa,gsea,gps0,gsen,mdat64,moov"
    "--layout ftyp,size0:skip,gpsa,gsea,gps0,gsen,moov,mdat0"
    "--layout ftyp,skip:5,gpsa,gsea,gps0:40,gsen:7,mdat,moov"
    "--layout ftyp,unknown:8,idit,gpsa,gsea,gps0,gsen,mdat,moov"
  )
  for opts in "${avi[@]}"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    "$SYNTH" file "$tmp/S$n.AVI" "${common[@]}" $opts >/dev/null 2>&1 || echo "run-fuzzers: trk-synth could not write '$opts'" >&2
  done
  for opts in "${mov[@]}"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    "$SYNTH" file "$tmp/S$n.MOV" "${common[@]}" $opts >/dev/null 2>&1 || echo "run-fuzzers: trk-synth could not write '$opts'" >&2
  done
  for f in "$tmp"/*.AVI; do [ -f "$f" ] && cp "$f" "$out/avi/synth-$(basename "$f")"; done
  for f in "$tmp"/*.MOV; do
    [ -f "$f" ] || continue
    cp "$f" "$out/mov_walk/synth-$(basename "$f")"
    cp "$f" "$out/mov_scan/synth-$(basename "$f")"
  done
  for f in "$tmp"/*.AVI "$tmp"/*.MOV; do
    [ -f "$f" ] || continue
    # The sample target reads a 24-byte block header first: all zero here,
    # so the blocks come from the reader's summary.
    { head -c 24 /dev/zero; cat "$f"; } >"$out/samples/synth-$(basename "$f")"
  done
  add_repair_seeds "$out" "$tmp"
  rm -rf "$tmp"
}

# Cut recordings for the repair targets: trk-synth's (the camera's blocks
# before and after the media data) and ffmpeg's (sound in fixed and in
# variable chunks), each cut at 40 % and 90 %. A QuickTime input is the
# healthy reference's length (4 bytes, little-endian), the reference, then
# the cut file.
add_repair_seeds() {
  local out=$1 tmp=$2/repair n=0 f opts audio
  mkdir -p "$tmp" "$out/repair_avi" "$out/repair_mov"
  for opts in "" "--layout hdrl,gpsa,gsea,movi,gps0,gsen,idx1" "--layout ftyp,idit,gpsa,gsea,mdat,gps0,gsen,moov"; do
    for f in "$tmp/W.AVI" "$tmp/W.MOV"; do
      # shellcheck disable=SC2086
      "$SYNTH" file "$f" --size 32x32 --fps 5 --duration 3 --video-seconds 3 $opts >/dev/null 2>&1 && cut_seeds "$f" "$out"
    done
  done
  command -v ffmpeg >/dev/null || return 0
  for audio in pcm_s16le aac; do
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=32x32:rate=5:duration=2 -f lavfi -i sine=duration=2 -ar 8000 \
      -c:v libx264 -c:a $audio "$tmp/F.MOV" && cut_seeds "$tmp/F.MOV" "$out"
  done
}
cut_seeds() {
  local f=$1 out=$2 size at
  size=$(stat -c %s "$f")
  for at in 4 9; do
    n=$((n + 1))
    if [[ $f == *.AVI ]]; then head -c $((size * at / 10)) "$f" >"$out/repair_avi/cut-$n.AVI"; continue; fi
    # shellcheck disable=SC2059
    { printf "$(printf '\\%03o' $((size & 255)) $((size >> 8 & 255)) $((size >> 16 & 255)) $((size >> 24 & 255)))"
      cat "$f"; head -c $((size * at / 10)) "$f"; } >"$out/repair_mov/cut-$n"
  done
}

# Fresh seeds with every build; runs without a build (for example several
# targets fuzzing side by side) share the seeds already there.
if [ "$BUILD_FIRST" -eq 1 ] || [ ! -d "$BUILD/seeds" ]; then
  rm -rf "$BUILD/seeds.new"
  "$BUILD/bin/trk-fuzz-seeds" "$BUILD/seeds.new"
  if [ -n "$SYNTH" ] && [ -x "$SYNTH" ]; then
    add_synth_seeds "$BUILD/seeds.new"
  fi
  rm -rf "$BUILD/seeds"
  mv "$BUILD/seeds.new" "$BUILD/seeds"
fi
mkdir -p "$BUILD/artifacts" "$BUILD/logs"
[ "$BUILD_ONLY" -eq 0 ] || exit 0

max_len_of() {
  case "$1" in
    settings) echo 4096 ;;
    samples) echo 8192 ;;
    repair_*) echo 131072 ;;
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
