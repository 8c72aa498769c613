#!/usr/bin/env bash
# Times brumel-batch on a 6000 x 4000 JPEG, to JPEG and to PNG, against the same decode and
# encode without the correction, the two taking turns in the same run; reports the ratios of the
# best and of the median times, and the peak memory against one 24-bit copy of the picture; then
# a batch of six with --auto against the same with fixed settings, and with one job at a time.
# Usage: bench/batch_bench.sh [BUILD_FOLDER] [RUNS]
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

# Wall-clock seconds of one run of a command.
run_time() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# The smallest and the median of the numbers on stdin.
best_and_median() {
  sort -g | awk '{ t[NR] = $1 } END { printf "%s %s\n", t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2) }'
}

peak_kib() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}'
}

copy_mib=$(echo "6000 * 4000 * 3 / 1048576" | bc -l)
printf "one 24-bit copy of the picture: %.1f MiB\n" "$copy_mib"
# The two commands take turns, so that a busier spell of the machine falls on both alike.
for format in jpg png; do
  : >"$WORK/batch.times"
  : >"$WORK/reference.times"
  for ((i = 0; i < RUNS; i++)); do
    run_time "$BUILD/brumel-batch" -q -o "$WORK/out.$format" "$WORK/photo.jpg" >>"$WORK/batch.times"
    run_time "$BUILD/bench/codec_reference" "$WORK/photo.jpg" "$WORK/reference.$format" \
      >>"$WORK/reference.times"
  done
  read -r batch batchMedian < <(best_and_median <"$WORK/batch.times")
  read -r reference referenceMedian < <(best_and_median <"$WORK/reference.times")
  peak=$(peak_kib "$BUILD/brumel-batch" -q -o "$WORK/out.$format" "$WORK/photo.jpg")
  printf "JPEG to %s: brumel-batch %.3f s, decode+encode only %.3f s, ratio %.2f (medians %.3f s, %.3f s, ratio %.2f); peak %.1f MiB = %.2f copies\n" \
    "$format" "$batch" "$reference" "$(echo "$batch / $reference" | bc -l)" \
    "$batchMedian" "$referenceMedian" "$(echo "$batchMedian / $referenceMedian" | bc -l)" \
    "$(echo "$peak / 1024" | bc -l)" "$(echo "$peak / 1024 / $copy_mib" | bc -l)"
done

# --auto against fixed settings on a batch of six, taking turns, both with a job per core: the
# estimate must cost at most a tenth more. One job at a time (the large picture's correction on
# the second core alongside the decode) is timed too.
inputs=()
for ((i = 0; i < 6; i++)); do
  cp "$WORK/photo.jpg" "$WORK/photo$i.jpg"
  inputs+=("$WORK/photo$i.jpg")
done
: >"$WORK/fixed.times"
: >"$WORK/auto.times"
: >"$WORK/single.times"
for ((i = 0; i < RUNS; i++)); do
  run_time "$BUILD/brumel-batch" -q -o "$WORK/fixed.jpg" "${inputs[@]}" >>"$WORK/fixed.times"
  run_time "$BUILD/brumel-batch" -q --auto -o "$WORK/auto.jpg" "${inputs[@]}" >>"$WORK/auto.times"
  run_time "$BUILD/brumel-batch" -q --jobs 1 -o "$WORK/single.jpg" "${inputs[@]}" \
    >>"$WORK/single.times"
done
read -r fixed fixedMedian < <(best_and_median <"$WORK/fixed.times")
read -r auto autoMedian < <(best_and_median <"$WORK/auto.times")
read -r single singleMedian < <(best_and_median <"$WORK/single.times")
printf "6 JPEGs to jpg: --auto %.3f s, fixed settings %.3f s, ratio %.2f (medians %.3f s, %.3f s, ratio %.2f)\n" \
  "$auto" "$fixed" "$(echo "$auto / $fixed" | bc -l)" \
  "$autoMedian" "$fixedMedian" "$(echo "$autoMedian / $fixedMedian" | bc -l)"
printf "6 JPEGs to jpg, fixed settings: --jobs 1 %.3f s (median %.3f s), %.2f times the default jobs\n" \
  "$single" "$singleMedian" "$(echo "$singleMedian / $fixedMedian" | bc -l)"
