#!/usr/bin/env bash
# Times brumel-batch on a 6000 x 4000 JPEG, to JPEG and to PNG, against the same decode and
# encode without the correction, in the same run; reports the ratios and the peak memory
# against one 24-bit copy of the picture. Usage: bench/batch_bench.sh [BUILD_FOLDER] [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/bench}"
RUNS="${2:-3}"
if [[ ! -x "$BUILD/brumel-batch" ]]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBRUMEL_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$(nproc)" --target brumel-batch codec_reference make_faded_sample
fi
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
"$BUILD/make_faded_sample" "$WORK/photo.jpg" 6000 4000

# The best of RUNS wall-clock times of a command, in seconds.
best_time() {
  local best="" t
  for ((i = 0; i < RUNS; i++)); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [[ -z "$best" ]] || (($(echo "$t < $best" | bc -l))); then best=$t; fi
  done
  echo "$best"
}

peak_kib() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}'
}

copy_mib=$(echo "6000 * 4000 * 3 / 1048576" | bc -l)
printf "one 24-bit copy of the picture: %.1f MiB\n" "$copy_mib"
for format in jpg png; do
  batch=$(best_time "$BUILD/brumel-batch" -q -o "$WORK/out.$format" "$WORK/photo.jpg")
  reference=$(best_time "$BUILD/bench/codec_reference" "$WORK/photo.jpg" "$WORK/reference.$format")
  peak=$(peak_kib "$BUILD/brumel-batch" -q -o "$WORK/out.$format" "$WORK/photo.jpg")
  printf "JPEG to %s: brumel-batch %.3f s, decode+encode only %.3f s, ratio %.2f; peak %.1f MiB = %.2f copies\n" \
    "$format" "$batch" "$reference" "$(echo "$batch / $reference" | bc -l)" \
    "$(echo "$peak / 1024" | bc -l)" "$(echo "$peak / 1024 / $copy_mib" | bc -l)"
done
