#!/usr/bin/env bash
# Times brumel-batch turning a 6000 x 4000 TIFF into a Deflate TIFF (read, correct, compress on
# every core, metadata and record) against libtiff's tiffcp -c zip of the same file (read and
# compress alone), taking turns in the same run; prints the best and median of RUNS and their
# ratio. DEPTH 16 times a 16-bit TIFF to a 16-bit Deflate TIFF (brumel-batch --depth 16); its
# input is the 8-bit picture at 16 bits blurred a little by ImageMagick, so that the low byte of
# each sample carries tones between the 8-bit ones, as a scan's does, instead of repeating the
# high byte as a widened picture's does.
# Usage: bench/tiff_bench.sh [BUILD_FOLDER] [RUNS] [DEPTH]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/bench}"
RUNS="${2:-3}"
DEPTH="${3:-8}"
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
if [[ "$DEPTH" == 16 ]]; then
  convert "$INPUT" -depth 16 -blur 0x0.8 "$WORK/large16.tif"
  INPUT="$WORK/large16.tif"
fi

brumel() { "$BUILD/brumel-batch" -q --depth "$DEPTH" --compress deflate -o "$WORK/out.tif" "$INPUT"; }
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
printf "6000 x 4000 %d-bit TIFF to Deflate TIFF, best / median of %d runs (load %s):\n" "$DEPTH" \
  "$RUNS" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf "  brumel-batch --depth %-2s --compress deflate  %7.3f s %7.3f s\n" "$DEPTH" "$best" "$median"
printf "  tiffcp -c zip                               %7.3f s %7.3f s\n" "$refBest" "$refMedian"
printf "  ratio                                       x %.2f / %.2f\n" "$(awk "BEGIN { print $best / $refBest }")" \
  "$(awk "BEGIN { print $median / $refMedian }")"
printf "  sizes: brumel %s bytes, tiffcp %s bytes\n" "$(stat -c %s "$WORK/out0.TIF")" \
  "$(stat -c %s "$WORK/tiffcp.tif")"
