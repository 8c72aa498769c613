#!/usr/bin/env bash
# Scores automatic restoration on the faded photographs of ../shared/restoration: brumel-batch
# --auto against the start-up settings and ImageMagick's one-click corrections, as the median
# CIEDE2000 difference from the originals, and how much --auto changes the originals themselves.
# Run by hand after a build: bench/restore_bench.sh [BUILD_FOLDER] [DATA_FOLDER]
# Needs ImageMagick's convert and the scorer's python3-skimage and python3-pil.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/run}"
DATA="${2:-$ROOT/../shared/restoration}"
BATCH="$BUILD/brumel-batch"
SCORE="$DATA/score"
[[ -x "$BATCH" ]] || { echo "restore_bench: no $BATCH; build first" >&2; exit 2; }
[[ -x "$SCORE" ]] || { echo "restore_bench: no scorer in $DATA" >&2; exit 2; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
NAMES=(graf1 rubberwhale1 smarties plant scenetext01 scenetext03)

# Restores NAME-SUFFIX.png of every pair in the given way ("unrestored", "startup", "auto",
# "auto-level", "normalize" or "stretch") into $WORK/WAY-SUFFIX-NAME.png.
restore() {
  local way="$1" suffix="$2" name input output
  for name in "${NAMES[@]}"; do
    input="$DATA/$name-$suffix.png"
    output="$WORK/$way-$suffix-$name.png"
    case "$way" in
      unrestored) cp "$input" "$output" ;;
      startup) "$BATCH" -q -o "$WORK/batch.png" "$input" && mv "$WORK/batch0.png" "$output" ;;
      auto) "$BATCH" -q --auto -o "$WORK/batch.png" "$input" && mv "$WORK/batch0.png" "$output" ;;
      auto-level) convert "$input" -auto-level "$output" ;;
      normalize) convert "$input" -normalize "$output" ;;
      stretch) convert "$input" -separate -contrast-stretch 0.05%x0.05% -combine "$output" ;;
    esac
  done
}

# One row of the table: each picture's mean difference from its original, and the median.
row() {
  local label="$1" way="$2" suffix="$3" args=() name
  restore "$way" "$suffix"
  for name in "${NAMES[@]}"; do args+=("$WORK/$way-$suffix-$name.png" "$DATA/$name-original.png"); done
  "$SCORE" "${args[@]}" | awk -v label="$label" '
    /median/ { median = $1; next } { cells = cells sprintf(" %12.2f |", $1) }
    END { printf "| %-40s |%s %6.2f |\n", label, cells, median }'
}

printf "| %-40s |" "mean ΔE00 from the original"
for name in "${NAMES[@]}"; do printf " %12.12s |" "$name"; done
printf " median |\n"
row "unrestored" unrestored faded
row "brumel-batch, start-up settings" startup faded
row "ImageMagick -auto-level" auto-level faded
row "ImageMagick -normalize" normalize faded
row "per-channel stretch, 0.05 % clipped" stretch faded
row "brumel-batch --auto" auto faded
# The originals need nothing: what each one-click correction changes in them.
row "change made to the originals: --auto" auto original
row "change made to the originals: stretch" stretch original
