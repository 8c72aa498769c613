#!/usr/bin/env bash
# Scores automatic restoration on every pair of ../shared/restoration, as the mean CIEDE2000
# difference per picture and the median over the pairs:
#   faded      the faded picture against its original (nothing done)
#   auto       brumel-batch --auto on the faded picture, against the original
#   stretch    a blind per-channel stretch (ImageMagick, 0.05 % clipped), against the original
#   harm       --auto on the original, against the original: what it spoils in a good picture
#   second     --auto on --auto's output, against that output: a restored picture must stay
# then counts the pairs on which --auto beats the stretch and names the worst harm.
# With a JPEG quality (1..100) every picture is first saved as a JPEG of that quality, as most
# scans reach the program: --auto, the stretch and the second pass then start from the JPEGs,
# faded and --auto are still scored against the PNG original, and harm against the JPEG of it.
# Run by hand after a build: bench/restore_bench.sh [BUILD_FOLDER] [DATA_FOLDER] [JPEG_QUALITY]
# Needs ImageMagick's convert and the scorer's python3-skimage and python3-pil.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/run}"
DATA="${2:-$ROOT/../shared/restoration}"
QUALITY="${3:-}"
BATCH="$BUILD/brumel-batch"
SCORE="$DATA/score"
[[ -x "$BATCH" ]] || { echo "restore_bench: no $BATCH; build first" >&2; exit 2; }
[[ -x "$SCORE" ]] || { echo "restore_bench: no scorer in $DATA" >&2; exit 2; }
[[ -z "$QUALITY" || "$QUALITY" =~ ^([1-9][0-9]?|100)$ ]] ||
  { echo "restore_bench: the JPEG quality must be 1..100, not '$QUALITY'" >&2; exit 2; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
NAMES=()
for faded in "$DATA"/*-faded.png; do
  name="$(basename "$faded" -faded.png)"
  [[ -f "$DATA/$name-original.png" ]] && NAMES+=("$name")
done
[[ ${#NAMES[@]} -gt 0 ]] || { echo "restore_bench: no pairs in $DATA" >&2; exit 2; }

# --auto on the given pictures in one batch; the i-th lands in $WORK/PREFIX-i.png.
auto() {
  local prefix="$1" i
  shift
  "$BATCH" -q --auto -o "$WORK/$prefix.png" "$@"
  for ((i = 0; i < $#; ++i)); do mv "$WORK/$prefix$i.png" "$WORK/$prefix-$i.png"; done
}

# The inputs as they are, or as JPEGs of the given quality; the originals to score against.
faded=() inputs=() originals=() references=()
for name in "${NAMES[@]}"; do
  originals+=("$DATA/$name-original.png")
  if [[ -n "$QUALITY" ]]; then
    convert "$DATA/$name-faded.png" -quality "$QUALITY" "$WORK/$name-faded.jpg"
    convert "$DATA/$name-original.png" -quality "$QUALITY" "$WORK/$name-original.jpg"
    convert "$WORK/$name-original.jpg" "$WORK/$name-original-decoded.png"
    faded+=("$WORK/$name-faded.jpg")
    inputs+=("$WORK/$name-original.jpg")
    references+=("$WORK/$name-original-decoded.png")
  else
    faded+=("$DATA/$name-faded.png")
    inputs+=("$DATA/$name-original.png")
    references+=("$DATA/$name-original.png")
  fi
done
auto auto "${faded[@]}"
auto harm "${inputs[@]}"
again=()
for ((i = 0; i < ${#NAMES[@]}; ++i)); do again+=("$WORK/auto-$i.png"); done
auto second "${again[@]}"
for ((i = 0; i < ${#NAMES[@]}; ++i)); do
  convert "${faded[i]}" -separate -contrast-stretch 0.05%x0.05% -combine "$WORK/stretch-$i.png"
done

# One column: each pair's score, one a line, then the median.
column() {
  local restored="$1" reference="$2" args=() i
  for ((i = 0; i < ${#NAMES[@]}; ++i)); do
    args+=("$(eval "echo $restored")" "$(eval "echo $reference")")
  done
  "$SCORE" "${args[@]}" | awk '{ print $1 }' >"$WORK/column-$3"
}
column '${faded[i]}' '${originals[i]}' faded
column '$WORK/auto-$i.png' '${originals[i]}' auto
column '$WORK/stretch-$i.png' '${originals[i]}' stretch
column '$WORK/harm-$i.png' '${references[i]}' harm
column '$WORK/second-$i.png' '$WORK/auto-$i.png' second

printf '%s\n' "${NAMES[@]}" median >"$WORK/names"
paste "$WORK/names" "$WORK/column-faded" "$WORK/column-auto" "$WORK/column-stretch" \
  "$WORK/column-harm" "$WORK/column-second" | awk -v pairs="${#NAMES[@]}" '
  BEGIN {
    print "| mean ΔE00 | faded | --auto | stretch | harm (--auto on the original) | second pass |"
    print "|---|---|---|---|---|---|"
  }
  {
    printf "| %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", $1, $2, $3, $4, $5, $6
    if ($1 == "median") next
    if ($3 < $4) ++better
    if ($5 > worst) { worst = $5; worstName = $1 }
    if ($5 > 3) ++spoiled
  }
  END {
    printf "\n--auto better than the stretch on %d of %d pairs\n", better, pairs
    printf "worst harm: %.2f (%s); originals changed by more than 3: %d\n", worst, worstName, spoiled
  }'
