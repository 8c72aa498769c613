#!/usr/bin/env bash
# Times brumel-batch turning a 6000 x 4000 TIFF into a Deflate TIFF (read, correct, compress on
# every core) against libtiff's tiffcp -c zip of the same file (read and compress alone), taking
# turns in the same run; prints the best and median of RUNS and their ratio.
# Usage: bench/tiff_bench.sh [BUILD_FOLDER] [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/bench}"
RUNS="${2:-3}"
if [[ ! -x "$BUILD/brumel-batch" || ! -x "$BUILD/make_faded_sample" ]]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBRUMEL_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$(nproc)" --target brumel-batch make_faded_sample
fi
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

"$BUILD/make_faded_sample" "$WORK/large.jpg" 6000 4000
"$BUILD/brumel-batch" -q --levels 0:255:1,0:255:1,0:255:1 --corner 100 --centre 100 \
  -o "$WORK/large.tif" "$WORK/large.jpg"
INPUT="$WORK/large0.TIF"

brumel() { "$BUILD/brumel-batch" -q --compress deflate -o "$WORK/out.tif" "$INPUT"; }
tiffcp_zip() { tiffcp -c zip "$INPUT" "$WORK/tiffcp.tif"; }

: >"$WORK/brumel.times"
: >"$WORK/tiffcp_zip.times"
for ((round = 0; round < RUNS; round++)); do
  for name in brumel tiffcp_zip; do
    start=$EPOCHREALTIME
    "$name"
    awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }' >>"$WORK/$name.times"
  done
done

stats() {
  sort -g "$WORK/$1.times" |
    awk '{ t[NR] = $1 } END { print t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2) }'
}
read -r best median < <(stats brumel)
read -r refBest refMedian < <(stats tiffcp_zip)
printf "6000 x 4000 TIFF to Deflate TIFF, best / median of %d runs:\n" "$RUNS"
printf "  brumel-batch --compress deflate  %7.3f s %7.3f s\n" "$best" "$median"
printf "  tiffcp -c zip                    %7.3f s %7.3f s\n" "$refBest" "$refMedian"
printf "  ratio                            x %.2f / %.2f\n" "$(awk "BEGIN { print $best / $refBest }")" \
  "$(awk "BEGIN { print $median / $refMedian }")"
printf "  sizes: brumel %s bytes, tiffcp %s bytes\n" "$(stat -c %s "$WORK/out0.TIF")" \
  "$(stat -c %s "$WORK/tiffcp.tif")"
