#!/usr/bin/env bash
# Times brumel-batch against libjpeg-turbo's djpeg and cjpeg doing the same files, and against
# its peers (vips, GraphicsMagick, ImageMagick) where they are installed: one 6000 x 4000 JPEG,
# a folder of twelve 4000 x 3000 JPEGs, one picture to PNG against the same decode and encode
# without the correction, and six large JPEGs with --auto and with --jobs 1 against fixed
# settings and the default jobs. The commands compared take turns in the same run, so that a
# busier spell of the machine falls on all of them; each figure is the best / the median of RUNS.
# Usage: bench/batch_bench.sh [BUILD_FOLDER] [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/bench}"
RUNS="${2:-3}"
# The reference and the memory measure are not optional; say what to install before any timing.
for tool in djpeg:libjpeg-turbo-progs cjpeg:libjpeg-turbo-progs /usr/bin/time:time; do
  command -v "${tool%%:*}" >/dev/null ||
    { echo "batch_bench: no ${tool%%:*}; apt-get install ${tool#*:}" >&2; exit 2; }
done
if [[ ! -x "$BUILD/brumel-batch" || ! -x "$BUILD/bench/codec_reference" ||
  ! -x "$BUILD/make_faded_sample" ]]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBRUMEL_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$(nproc)" --target brumel-batch codec_reference make_faded_sample
fi
BATCH="$BUILD/brumel-batch"
QUALITY=90
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# Runs the named contenders in turn, RUNS rounds, appending each one's wall-clock seconds to
# $WORK/NAME.times. A contender is a shell function; a function setup_NAME, when there is one,
# runs untimed before it (the mogrify peers change their folder in place). Called after ||, a
# contender runs without set -e, so one of several commands returns at its first failure itself.
take_turns() {
  local round name start
  for name; do : >"$WORK/$name.times"; done
  for ((round = 0; round < RUNS; round++)); do
    for name; do
      if declare -F "setup_$name" >/dev/null; then "setup_$name"; fi
      start=$EPOCHREALTIME
      "$name" >/dev/null || { echo "failed: $name" >&2; exit 1; }
      awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }' >>"$WORK/$name.times"
    done
  done
}

# "BEST MEDIAN" of a contender's times.
best_median() {
  sort -g "$WORK/$1.times" |
    awk '{ t[NR] = $1 } END { print t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2) }'
}

# One line: LABEL, the contender's best and median, and their ratios to REFERENCE's when given.
row() {
  local label=$1 best median refBest refMedian
  read -r best median < <(best_median "$2")
  printf "  %-34s %7.3f s %7.3f s" "$label" "$best" "$median"
  if [[ $# -gt 2 ]]; then
    read -r refBest refMedian < <(best_median "$3")
    printf "   x %.2f / %.2f" "$(awk "BEGIN { print $best / $refBest }")" \
      "$(awk "BEGIN { print $median / $refMedian }")"
  fi
  printf "%s\n" "${4:+   ($4)}"
}

# Peak resident memory of a command, in pictures of W x H at 3 bytes a pixel.
peak_pictures() {
  local w=$1 h=$2
  shift 2
  /usr/bin/time -v "$@" 2>&1 >/dev/null |
    awk -F: -v bytes=$((w * h * 3)) \
      '/Maximum resident set size/ { printf "%.2f", $2 * 1024 / bytes }'
}

# The codec alone: decode to a PPM, then encode it, one program after the other.
codec_sequential() {
  local input
  for input; do
    djpeg -outfile "$WORK/codec.ppm" "$input" || return
    cjpeg -quality "$QUALITY" -outfile "$WORK/codec.jpg" "$WORK/codec.ppm" || return
  done
}

model=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)
echo "Machine: $(nproc) cores, ${model:-unknown CPU}; $RUNS runs of each, taking turns"
printf "  %-34s %9s %9s   %s\n" "" "best" "median" "x reference (best / median)"

"$BUILD/make_faded_sample" "$WORK/large.jpg" 6000 4000
batch_one() { "$BATCH" -q -o "$WORK/one.jpg" "$WORK/large.jpg"; }
codec_one() { codec_sequential "$WORK/large.jpg"; }
codec_pipe() { djpeg "$WORK/large.jpg" | cjpeg -quality "$QUALITY" >"$WORK/pipe.jpg"; }
take_turns batch_one codec_one codec_pipe
echo "One 6000 x 4000 JPEG to JPEG:"
row "djpeg then cjpeg -quality $QUALITY" codec_one
row "djpeg | cjpeg (two cores)" codec_pipe
row "brumel-batch" batch_one codec_one "goal at most 1.0"
row "brumel-batch against the pipe" batch_one codec_pipe
echo "  brumel-batch peak memory: $(peak_pictures 6000 4000 "$BATCH" -q -o "$WORK/one.jpg" \
  "$WORK/large.jpg") pictures of 6000 x 4000 x 3 bytes"

mkdir "$WORK/folder" "$WORK/out"
"$BUILD/make_faded_sample" "$WORK/folder/photo00.jpg" 4000 3000
for ((i = 1; i < 12; i++)); do
  cp "$WORK/folder/photo00.jpg" "$(printf "%s/folder/photo%02d.jpg" "$WORK" $i)"
done
folder=("$WORK"/folder/*.jpg)
batch_folder() { "$BATCH" -q -o "$WORK/out/out.jpg" "${folder[@]}"; }
codec_folder() { codec_sequential "${folder[@]}"; }
vips_folder() {
  local input
  for input in "${folder[@]}"; do
    vips gamma "$input" "$WORK/out/vips.jpg[Q=$QUALITY]" || return
  done
}
setup_gm_folder() { rm -rf "$WORK/copy" && cp -r "$WORK/folder" "$WORK/copy"; }
gm_folder() { gm mogrify -gamma 1.2 -quality "$QUALITY" "$WORK"/copy/*.jpg; }
setup_im_folder() { setup_gm_folder; }
im_folder() { mogrify -gamma 1.2 -quality "$QUALITY" "$WORK"/copy/*.jpg; }
contenders=(batch_folder codec_folder)
peers=("vips_folder vips vips gamma, one file at a time"
  "gm_folder gm GraphicsMagick mogrify -gamma"
  "im_folder mogrify ImageMagick mogrify -gamma")
for peer in "${peers[@]}"; do
  read -r name program _ <<<"$peer"
  if command -v "$program" >/dev/null; then contenders+=("$name"); fi
done
take_turns "${contenders[@]}"
echo "Twelve 4000 x 3000 JPEGs to JPEG:"
row "djpeg then cjpeg, file after file" codec_folder
row "brumel-batch (default jobs)" batch_folder codec_folder "goal at most 0.6"
echo "  brumel-batch peak memory: $(peak_pictures 4000 3000 "$BATCH" -q -o "$WORK/out/out.jpg" \
  "${folder[@]}") pictures of 4000 x 3000 x 3 bytes   (goal at most 3)"
for peer in "${peers[@]}"; do
  read -r name program label <<<"$peer"
  if command -v "$program" >/dev/null; then
    row "$label" "$name" codec_folder
  else
    printf "  %-34s not installed\n" "$label"
  fi
done

batch_png() { "$BATCH" -q -o "$WORK/one.png" "$WORK/large.jpg"; }
reference_png() { "$BUILD/bench/codec_reference" "$WORK/large.jpg" "$WORK/reference.png"; }
take_turns batch_png reference_png
echo "One 6000 x 4000 JPEG to PNG:"
row "brumel's decode and encode alone" reference_png
row "brumel-batch" batch_png reference_png

# The estimate behind --auto must cost at most a tenth more than fixed settings.
six=()
for ((i = 0; i < 6; i++)); do
  cp "$WORK/large.jpg" "$WORK/six$i.jpg"
  six+=("$WORK/six$i.jpg")
done
six_fixed() { "$BATCH" -q -o "$WORK/fixed.jpg" "${six[@]}"; }
six_auto() { "$BATCH" -q --auto -o "$WORK/auto.jpg" "${six[@]}"; }
six_single() { "$BATCH" -q --jobs 1 -o "$WORK/single.jpg" "${six[@]}"; }
take_turns six_fixed six_auto six_single
echo "Six 6000 x 4000 JPEGs to JPEG:"
row "fixed settings, default jobs" six_fixed
row "--auto" six_auto six_fixed "goal at most 1.1"
row "--jobs 1" six_single six_fixed
