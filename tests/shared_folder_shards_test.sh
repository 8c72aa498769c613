#!/usr/bin/env bash
# Three shards of one list, each a process of its own with two jobs, write into one shared
# folder while a whole run of the list writes into another, ROUNDS times (50): every round, every
# output of both has the bytes of the first round's, and nothing else is left in the folders.
# Nothing in a run may depend on the order or the timing of the others: not a name they share,
# not one's clean-up of the other's staged files, not a clash of threads within one of them.
# The pictures are small, so that the rounds take seconds; they are JPEG, PNG and TIFF files
# with EXIF and XMP (outputs of brumel-batch itself), so that the metadata is carried over too.
# Usage: tests/shared_folder_shards_test.sh BRUMEL_BATCH [ROUNDS]
set -euo pipefail
BATCH="$(realpath "${1:?usage: shared_folder_shards_test.sh BRUMEL_BATCH [ROUNDS]}")"
ROUNDS="${2:-50}"
# Every output is synced to its disk before it is put in place; in memory the rounds take
# seconds rather than a minute.
SCRATCH="$(mktemp -d -p /dev/shm 2> /dev/null || mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
cd "$SCRATCH"

# A 24-bit Windows bitmap of W x H whose every pixel differs from its neighbours, SEED apart.
bitmap() {
  perl -e '
    my ($w, $h, $s) = @ARGV;
    my $pad = "\0" x ((4 - 3 * $w % 4) % 4);
    my $pixels = "";
    for my $y (0 .. $h - 1) {
      for my $x (0 .. $w - 1) {
        $pixels .= pack("C3", ($x * 7 + $y * 3 + $s) % 256, ($x * 13 + $y * 29 + 2 * $s) % 256,
                        ($x * $y + 91 + 3 * $s) % 256);
      }
      $pixels .= $pad;
    }
    binmode STDOUT;
    print pack("a2 V v v V", "BM", 54 + length $pixels, 0, 0, 54),
          pack("V l l v v V V l l V V", 40, $w, $h, 1, 24, 0, length $pixels, 2835, 2835, 0, 0),
          $pixels;' "$@"
}

mkdir drawn scans
for i in 0 1 2 3 4 5; do bitmap $((33 + 5 * i)) $((21 + 3 * i)) "$i" > "drawn/p$i.bmp"; done
"$BATCH" -q -o 'scans/{name}.jpg' drawn/p0.bmp drawn/p1.bmp
"$BATCH" -q --blue 70 -o 'scans/{name}.png' drawn/p2.bmp drawn/p3.bmp
"$BATCH" -q --compress deflate -f tif -o 'scans/{name}{ext}' drawn/p4.bmp drawn/p5.bmp
for _ in 1 2; do printf '%s\n' "$PWD"/scans/*; done > list

# Where the system lets it, each shard runs as on a machine of its own: its own host name and
# its own process numbers, each shard the first process of its machine, as in a container.
machine=()
for form in "--uts --pid --fork" "--user --map-root-user --uts --pid --fork"; do
  # shellcheck disable=SC2086  # the options are words
  if unshare $form hostname brumel-probe 2> /dev/null; then
    read -r -a machine <<< "unshare $form sh -c"
    break
  fi
done
[[ ${#machine[@]} -ne 0 ]] || echo "unshare cannot make a host name here: the shards share this machine"

# Runs a shard K of N, on a machine of its own named shard-K where it can, with the rest given.
shard() {
  local k="$1"
  shift
  if [[ ${#machine[@]} -ne 0 ]]; then
    # shellcheck disable=SC2016  # the shell started expands them
    "${machine[@]}" 'hostname "$0" && exec "$@"' "shard-$k" "$BATCH" --shard "$k/3" "$@"
  else
    "$BATCH" --shard "$k/3" "$@"
  fi
}

# One round: the whole list into whole/ and its three shards into shared/, all at once; every
# process must succeed without a word.
round() {
  local format="$1" pids=() status=0
  rm -rf whole shared
  "$BATCH" -q -j 2 --auto --from list -o "whole/{index}-{name}.$format" 2> whole.err &
  pids+=($!)
  for k in 0 1 2; do
    shard "$k" -q -j 2 --auto --from list -o "shared/{index}-{name}.$format" 2> "shard$k.err" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=$?; done
  if [[ $status -ne 0 || -n "$(cat whole.err shard?.err)" ]]; then
    echo "FAILED: a run ended with status $status or said:"
    cat whole.err shard?.err
    return 1
  fi
}

failures=0
# Each output format in turn, each with its own writer and its own way with the metadata.
formats=(jpg png tif)
for ((n = 0; n < ROUNDS; ++n)); do
  format="${formats[n % 3]}"
  round "$format" || { failures=$((failures + 1)); continue; }
  [[ -d "first.$format" ]] || cp -r whole "first.$format"
  for folder in whole shared; do
    if ! diff -r "first.$format" "$folder" > diff.txt; then
      echo "FAILED: round $n ($format): $folder differs from the first whole run:"
      cat diff.txt
      failures=$((failures + 1))
    fi
  done
done
for format in "${formats[@]}"; do
  outputs=$(find "first.$format" -type f 2> /dev/null | wc -l)
  [[ $outputs -eq 12 ]] || { echo "FAILED: $outputs $format outputs, not 12"; failures=$((failures + 1)); }
done
echo "$ROUNDS rounds, $failures failures"
[[ $failures -eq 0 ]]
