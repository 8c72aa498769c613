#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a bounded time, from its
# kept inputs, writing what it adds to a temporary folder. Fails on the first finding; the input
# that found it is left in build/fuzz/findings/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET [TARGET...]]   (60 s and every target by default)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/common.sh"

SECONDS_PER_TARGET="${1:-60}"
TARGETS=("${@:2}")
[[ ${#TARGETS[@]} -gt 0 ]] || TARGETS=(bmp tiff libtiff png jpeg version_file redirection_file metadata)
BUILD="$ROOT/build/fuzz"
# A declared picture is refused beyond 16 MiB in this build, so no input needs more than this.
LIMITS=(-rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10)

CC=clang CXX=clang++ brumel_build "$BUILD" -DBRUMEL_FUZZ=ON -DBRUMEL_GUI=OFF -DBRUMEL_TESTS=OFF \
  -DBRUMEL_BENCH=OFF

FINDINGS="$BUILD/findings"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$FINDINGS"

for target in "${TARGETS[@]}"; do
  fuzzer="$BUILD/fuzz/fuzz_$target"
  log="$WORK/$target.log"
  echo "== fuzzing $target for $SECONDS_PER_TARGET s"
  # The kept regressions first, each once, under the same limits.
  mapfile -t kept < <(find "$ROOT/fuzz/regressions/$target" -type f ! -name '*.expected' | sort)
  if ! "$fuzzer" "${LIMITS[@]}" "${kept[@]}" >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  mkdir -p "$WORK/$target"
  if ! "$fuzzer" "${LIMITS[@]}" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
    -artifact_prefix="$FINDINGS/$target-" "$WORK/$target" "$ROOT/fuzz/corpus/$target" \
    >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz_$target found a fault; the input is in $FINDINGS" >&2
    exit 1
  fi
  grep -E "^stat::(number_of_executed_units|new_units_added|peak_rss_mb)" "$log"
done
