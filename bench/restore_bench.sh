#!/usr/bin/env bash
# Scores automatic restoration on ../shared/restoration in one run, as the mean CIEDE2000
# difference per picture and medians, then checks the targets (PASS or FAIL):
#   1. the faded pairs: the faded picture as it is, --auto, a blind per-channel stretch
#      (ImageMagick, 0.05 % clipped), harm (--auto on the original, against the original) and
#      the second pass (--auto on --auto's output, against that output: a restored picture must
#      stay), each against the original but the last;
#   2. the same pairs saved as JPEGs of quality 85, as most scans reach the program, still scored
#      against the PNG originals;
#   3. kinds/, faded other ways and scanned as PNG or JPEG: per kind of fading;
#   4. good pictures, which --auto must leave nearly as they are: the originals, the originals
#      saved as JPEGs of quality 90 (scored against the JPEG), and pictures made from the
#      originals that are good but look like fading to a careless estimate: a grey haze, a
#      lifted high key whose shadows no longer reach black, a low key whose highlights no
#      longer reach white, a haze at dusk (a haze darkened to a low key), a copy veiled by
#      flare and a good print's scan (its black a print's, no camera's), a toned monochrome
#      print whose tone must stay;
#   5. the second pass over the faded pictures' outputs;
#   6. one dye lost, the other two kept, and a magenta cast (cyan and yellow lost, magenta kept):
#      made from the originals, whose blacks stay as deep as the camera made them, as a print
#      copied with its black point set at its black.
# Usage, after a build: bench/restore_bench.sh [BUILD_FOLDER] [DATA_FOLDER]
# Needs ImageMagick's convert and the scorer's python3-skimage and python3-pil.
set -euo pipefail
shopt -s nullglob
START=$EPOCHREALTIME
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[[ $# -le 2 ]] || { echo "usage: restore_bench.sh [BUILD_FOLDER] [DATA_FOLDER]" >&2; exit 2; }
BUILD="${1:-$ROOT/build/run}"
DATA="${2:-$ROOT/../shared/restoration}"
BATCH="$BUILD/brumel-batch"
SCORE="$DATA/score"
[[ -x "$BATCH" ]] || { echo "restore_bench: no $BATCH; build first" >&2; exit 2; }
[[ -x "$SCORE" ]] || { echo "restore_bench: no scorer in $DATA" >&2; exit 2; }
command -v convert >/dev/null || { echo "restore_bench: no convert; apt-get install imagemagick" >&2; exit 2; }
/usr/bin/python3 -c 'import skimage, PIL' 2>/dev/null ||
  { echo "restore_bench: the scorer needs apt-get install python3-skimage python3-pil" >&2; exit 2; }
NAMES=()
for faded in "$DATA"/*-faded.png; do
  name="$(basename "$faded" -faded.png)"
  [[ -f "$DATA/$name-original.png" ]] && NAMES+=("$name")
done
[[ ${#NAMES[@]} -gt 0 ]] || { echo "restore_bench: no pairs in $DATA" >&2; exit 2; }
KINDS=("$DATA"/kinds/*-*.[jp][pn]g)
[[ ${#KINDS[@]} -gt 0 ]] || { echo "restore_bench: no pictures in $DATA/kinds" >&2; exit 2; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
# One build for the whole run, even when the build folder is rebuilt meanwhile.
cp "$BATCH" "$WORK/brumel-batch"
BATCH="$WORK/brumel-batch"

# The good pictures made from the originals, each original once: NAME, what it becomes, and the
# change in linear light, out = GAIN * in + OFFSET (% of white). A haze of strength h over a light
# grey (0.75) is GAIN 1 - h, OFFSET 75 h, with h from 0.25 to 0.4; a high key is lifted 1.6 to 2.2
# times and clipped; a low key darkened 0.25 to 0.4 times; a haze at dusk is a haze of 0.25 to 0.4
# darkened 0.3 to 0.6 times; a flare takes 0.85 of the light and adds 3 %, a good print's scan
# 0.85 and 0.5 % (a black of density 2.3). Each kind gets dark and light, colourful and nearly
# grey scenes; the high keys are pictures that reached black, the low keys white; the dusks are
# colourful scenes, whose shadows the haze leaves tinted.
MADE=(
  "kite haze 0.75 18.75"           "coldripple haze 0.72 21"
  "darkesthour haze 0.69 23.25"    "fallenleaf haze 0.66 25.5"
  "volna haze 0.63 27.75"          "colorfulcups haze 0.6 30"
  "path highkey 1.6 0"             "onestandsout highkey 1.72 0"
  "eveningglow highkey 1.84 0"     "scenetext03 highkey 1.96 0"
  "plant highkey 2.08 0"           "bythewater highkey 2.2 0"
  "smarties lowkey 0.25 0"         "grey lowkey 0.28 0"
  "graf1 lowkey 0.31 0"            "scenetext01 lowkey 0.34 0"
  "rubberwhale1 lowkey 0.37 0"     "summer_1am lowkey 0.4 0"
  "bythewater dusk 0.225 5.625"    "kite dusk 0.2592 7.56"
  "onestandsout dusk 0.2898 9.765" "rubberwhale1 dusk 0.3168 12.24"
  "fallenleaf dusk 0.3402 14.985"  "volna dusk 0.36 18"
  "coldripple flare 0.85 3"        "colorfulcups flare 0.85 3"
  "fallenleaf flare 0.85 3"        "grey flare 0.85 3"
  "kite flare 0.85 3"              "scenetext03 flare 0.85 3"
  "bythewater print 0.85 0.5"      "darkesthour print 0.85 0.5"
  "eveningglow print 0.85 0.5"     "path print 0.85 0.5"
  "rubberwhale1 print 0.85 0.5"    "smarties print 0.85 0.5"
)
# Toned monochrome prints made from the originals, whose tone --auto must keep: ImageMagick's
# sepia toning, and a grey picture tinted brown in its middle tones as a toner does.
TONED=(
  "kite -sepia-tone 80%"           "path -sepia-tone 80%"
  "graf1 -sepia-tone 80%"          "coldripple -colorspace Gray -fill #704214 -tint 100"
  "scenetext01 -colorspace Gray -fill #704214 -tint 100"
  "plant -colorspace Gray -fill #704214 -tint 100"
)

# One dye lost, the others kept, made from each original: the dye (in turn cyan, magenta,
# yellow: the channel red, green, blue) keeps 50, 60 or 70 % of its density, a power in linear
# light.
LONE_DYES=(cyan magenta yellow)
LONE_CHANNELS=(R G B)
LONE_KEPT=(0.5 0.6 0.7)
# The magenta cast, made from every other original: cyan keeps 55 % and yellow 60 %.
CAST=(-channel R -evaluate pow 0.55 -channel B -evaluate pow 0.6 +channel)

# Every picture --auto runs on: its set, its group within the set, the name it is listed by,
# the file, and the picture it is scored against.
sets=() groups=() names=() inputs=() references=()
picture() { sets+=("$1") groups+=("$2") names+=("$3") inputs+=("$4") references+=("$5"); }
for name in "${NAMES[@]}"; do
  original="$DATA/$name-original.png"
  picture pairs pairs "$name" "$DATA/$name-faded.png" "$original"
  convert "$DATA/$name-faded.png" -quality 85 "$WORK/$name-faded.jpg"
  picture jpeg85 jpeg85 "$name" "$WORK/$name-faded.jpg" "$original"
  picture good "originals PNG" "$name-original.png" "$original" "$original"
  convert "$original" -quality 90 "$WORK/$name-original.jpg"
  picture good "originals JPEG q90" "$name-original.jpg" "$WORK/$name-original.jpg" \
    "$WORK/$name-original.jpg"
done
for faded in "${KINDS[@]}"; do
  file="$(basename "$faded")"
  stem="${file%.*}"
  picture kinds "${stem##*-}" "$file" "$faded" "$DATA/${stem%-*}-original.png"
done
for made in "${MADE[@]}"; do
  read -r name kind gain offset <<<"$made"
  convert "$DATA/$name-original.png" -colorspace RGB -evaluate multiply "$gain" \
    -evaluate add "$offset%" -colorspace sRGB "$WORK/$name-$kind.png"
  picture good "$kind" "$name-$kind.png" "$WORK/$name-$kind.png" "$WORK/$name-$kind.png"
done
for toned in "${TONED[@]}"; do
  read -r -a toning <<<"$toned"
  name="${toning[0]}"
  toning=("${toning[@]:1}")
  convert "$DATA/$name-original.png" "${toning[@]}" "$WORK/$name-toned.png"
  picture good toned "$name-toned.png" "$WORK/$name-toned.png" "$WORK/$name-toned.png"
done
lone=0
for name in "${NAMES[@]}"; do
  dye=$((lone % 3))
  kept=${LONE_KEPT[lone / 3 % 3]}
  made="$WORK/$name-${LONE_DYES[dye]}.png"
  convert "$DATA/$name-original.png" -colorspace RGB -channel "${LONE_CHANNELS[dye]}" \
    -evaluate pow "$kept" +channel -colorspace sRGB "$made"
  picture lone "${LONE_DYES[dye]}" "$name-${LONE_DYES[dye]}.png" "$made" "$DATA/$name-original.png"
  if ((lone % 2)); then
    made="$WORK/$name-magenta-cast.png"
    convert "$DATA/$name-original.png" -colorspace RGB "${CAST[@]}" -colorspace sRGB "$made"
    picture lone "cyan yellow" "$name-magenta-cast.png" "$made" "$DATA/$name-original.png"
  fi
  ((++lone))
done
COUNT=${#inputs[@]}

# The blind stretch of every faded picture, to $WORK/stretch-i.png, in the background: it keeps
# one core busy, --auto as many as it gets.
stretch_faded() {
  local i
  for ((i = 0; i < COUNT; ++i)); do
    [[ ${sets[i]} == good ]] ||
      convert "${inputs[i]}" -separate -contrast-stretch 0.05%x0.05% -combine "$WORK/stretch-$i.png"
  done
}
stretch_faded &
stretching=$!
# --auto on everything in one batch, and again on its outputs; the i-th picture's land in
# $WORK/auto/i.png and $WORK/second/i.png.
"$BATCH" -q --auto -o "$WORK/auto/{index}.png" "${inputs[@]}"
outputs=()
for ((i = 0; i < COUNT; ++i)); do outputs+=("$WORK/auto/$i.png"); done
"$BATCH" -q --auto -o "$WORK/second/{index}.png" "${outputs[@]}"
wait "$stretching"

# What to score: the i-th picture's measure M is RESTORED against REFERENCE. The measures go a
# line each to $WORK/measures, the scorer's arguments to scored, in the same order.
scored=()
measure() { # I M RESTORED REFERENCE
  printf '%s\t%s\t%s\t%s\n' "${sets[$1]}" "${groups[$1]}" "${names[$1]}" "$2" >>"$WORK/measures"
  scored+=("$3" "$4")
}
for ((i = 0; i < COUNT; ++i)); do
  if [[ ${sets[i]} == good ]]; then
    measure "$i" harm "${outputs[i]}" "${references[i]}"
  else
    measure "$i" faded "${inputs[i]}" "${references[i]}"
    measure "$i" auto "${outputs[i]}" "${references[i]}"
    measure "$i" stretch "$WORK/stretch-$i.png" "${references[i]}"
  fi
  measure "$i" second "$WORK/second/$i.png" "${outputs[i]}"
done
# Two scorers, one a core, each on half of the pairs; each prints a score a line, then a median.
half=$((${#scored[@]} / 4 * 2))
"$SCORE" "${scored[@]:0:half}" >"$WORK/scores-1" &
first=$!
"$SCORE" "${scored[@]:half}" >"$WORK/scores-2"
wait "$first"
{ sed '$d' "$WORK/scores-1"; sed '$d' "$WORK/scores-2"; } | awk '{ print $1 }' |
  paste "$WORK/measures" - >"$WORK/scores"

seconds="$(awk -v s="$START" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.0f", e - s }')"
awk -F '\t' -v seconds="$seconds" '
  {
    if (!(($1, $3) in group)) { group[$1, $3] = $2; names[$1, ++count[$1]] = $3 }
    score[$1, $3, $4] = $5
    # The pairs table shows the harm to each original beside its faded picture.
    if ($2 == "originals PNG" && $4 == "harm")
      score["pairs", substr($3, 1, length($3) - length("-original.png")), "harm"] = $5
  }

  # Measure m over the pictures of the given sets (space-separated) that are in group g, or all
  # when g is empty: returns the median, and leaves their number in n, their mean in mean, the
  # largest in top and its picture in topName.
  function stats(sets, g, m,   s, ns, k, i, j, name, v, x, total) {
    n = 0
    top = -1
    ns = split(sets, s, " ")
    for (k = 1; k <= ns; ++k)
      for (i = 1; i <= count[s[k]]; ++i) {
        name = names[s[k], i]
        if (g != "" && group[s[k], name] != g) continue
        v[++n] = score[s[k], name, m]
        total += v[n]
        if (v[n] > top) { top = v[n]; topName = name }
      }
    for (i = 2; i <= n; ++i)
      for (j = i; j > 1 && v[j - 1] > v[j]; --j) { x = v[j]; v[j] = v[j - 1]; v[j - 1] = x }
    mean = n ? total / n : 0
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  # How many of the pictures of the set in group g (all when empty) --auto restores better than the
  # stretch; their number is left in n.
  function better(set, g,   i, name, b) {
    n = 0
    for (i = 1; i <= count[set]; ++i) {
      name = names[set, i]
      if (g != "" && group[set, name] != g) continue
      ++n
      if (score[set, name, "auto"] < score[set, name, "stretch"]) ++b
    }
    return b + 0
  }
  # A table of the set, a picture a row, with its group when given a heading for it, the
  # measures as columns under the given headings, and their medians and means (a change that
  # mends pictures away from the middle moves the mean, not the median).
  function table(set, heading, groupHeading, measures, headings,
                 grouped, m, h, k, i, j, name, row, means) {
    grouped = groupHeading != ""
    k = split(measures, m, " ")
    split(headings, h, "|")
    row = "| " heading (grouped ? " | " groupHeading : "")
    for (i = 1; i <= k; ++i) row = row " | " h[i]
    print row " |"
    row = "|---" (grouped ? "|---" : "")
    for (i = 1; i <= k; ++i) row = row "|---"
    print row "|"
    for (i = 1; i <= count[set]; ++i) {
      name = names[set, i]
      row = "| " name (grouped ? " | " group[set, name] : "")
      for (j = 1; j <= k; ++j) row = row sprintf(" | %.2f", score[set, name, m[j]])
      print row " |"
    }
    row = "| median" (grouped ? " | " : "")
    means = "| mean" (grouped ? " | " : "")
    for (j = 1; j <= k; ++j) {
      row = row sprintf(" | %.2f", stats(set, "", m[j]))
      means = means sprintf(" | %.2f", mean)
    }
    print row " |"
    print means " |\n"
  }
  # A row of the medians over the pictures of the set in group g ("all": every group), faded,
  # --auto and stretch, and how many --auto restores better than the stretch; returns the --auto median.
  function medians(set, g,   key, auto, b) {
    key = g == "all" ? "" : g
    auto = stats(set, key, "auto")
    b = better(set, key)
    printf "| %s | %d | %.2f | %.2f | %.2f | %d of %d |\n", g, n, stats(set, key, "faded"), auto,
      stats(set, key, "stretch"), b, n
    return auto
  }
  # A target line: what it asks, what was measured, and whether it holds.
  function target(asked, measured, holds) {
    printf "| %s | %s | %s |\n", asked, measured, holds ? "PASS" : "FAIL"
  }
  # Values are compared as printed, to two decimals.
  function shown(x) { return sprintf("%.2f", x) + 0 }

  END {
    print "# Automatic restoration: mean CIEDE2000 per picture, lower is better\n"
    pairs = count["pairs"]
    print "## 1. The faded pairs (PNG)\n"
    table("pairs", "pair", "", "faded auto stretch harm second",
      "faded|--auto|stretch|harm (--auto on the original)|second pass")
    pairsBetter = better("pairs", "")
    printf "--auto better than the stretch on %d of %d pairs\n\n", pairsBetter, n

    print "## 2. The pairs saved as JPEG quality 85, scored against the PNG originals\n"
    table("jpeg85", "pair", "", "faded auto stretch", "JPEG q85|--auto|stretch")
    printf "--auto better than the stretch on %d of %d pairs\n\n", better("jpeg85", ""), n

    print "## 3. Other kinds of fading (kinds/), scored against the originals\n"
    table("kinds", "picture", "kind", "faded auto stretch", "unrestored|--auto|stretch")
    print "| median per kind | pictures | unrestored | --auto | stretch | --auto better |"
    print "|---|---|---|---|---|---|"
    split("darkprint slide lightprint yellowed", kinds, " ")
    kindsHold = 1
    for (k = 1; k <= 4; ++k) {
      auto = medians("kinds", kinds[k])
      kindsHold = kindsHold && shown(auto) <= 4.0
      kindMedians = kindMedians sprintf("%s%s %.2f", k > 1 ? ", " : "", kinds[k], auto)
    }
    medians("kinds", "all")
    kindsBetter = better("kinds", "")
    kindsCount = n
    print ""

    print "## 4. Good pictures: what --auto changes in them (harm), and a second pass on that\n"
    table("good", "picture", "group", "harm second", "harm|second pass")
    print "| harm | pictures | median | max | worst |"
    print "|---|---|---|---|---|"
    split("originals PNG|originals JPEG q90|haze|highkey|lowkey|dusk|flare|print|toned", goods, "|")
    for (k = 1; k in goods; ++k) {
      harm = stats("good", goods[k], "harm")
      printf "| %s | %d | %.2f | %.2f | %s |\n", goods[k], n, harm, top, topName
    }
    harm = stats("good", "", "harm")
    printf "| all | %d | %.2f | %.2f | %s |\n", n, harm, top, topName
    print "\nharm above 3.0:"
    spoiled = 0
    for (i = 1; i <= count["good"]; ++i) {
      name = names["good", i]
      if (shown(score["good", name, "harm"]) <= 3.0) continue
      allowed = name ~ /^summer_1am-original\./
      if (!allowed) ++spoiled
      printf "  %s %.2f%s\n", name, score["good", name, "harm"],
        allowed ? " (summer_1am\047s original: allowed)" : ""
    }
    print ""

    print "## 5. --auto on its own outputs: the second pass, against the first output\n"
    print "| outputs of | pictures | median change | max | worst |"
    print "|---|---|---|---|---|"
    split("pairs|jpeg85|kinds|lone|pairs kinds", restored, "|")
    split("faded pairs|pairs as JPEG q85|kinds|made: dyes lost|faded pairs and kinds", restoredNames,
      "|")
    for (k = 1; k <= 5; ++k) {
      second = stats(restored[k], "", "second")
      printf "| %s | %d | %.2f | %.2f | %s |\n", restoredNames[k], n, second, top, topName
    }

    print "\n## 6. Dyes lost beside kept ones (made from the originals)\n"
    table("lone", "picture", "dyes lost", "faded auto stretch", "unrestored|--auto|stretch")
    print "| median per dyes lost | pictures | unrestored | --auto | stretch | --auto better |"
    print "|---|---|---|---|---|---|"
    split("cyan|magenta|yellow|cyan yellow", dyes, "|")
    for (k = 1; k <= 4; ++k) medians("lone", dyes[k])

    print "\n## Targets\n"
    print "| target | measured | result |"
    print "|---|---|---|"
    target("kinds: median --auto ≤ 4.0 in each kind", kindMedians, kindsHold)
    target("kinds: --auto better than the stretch on ≥ 30 of 36",
      kindsBetter " of " kindsCount, kindsBetter >= 30)
    auto = stats("pairs", "", "auto")
    target("pairs: median --auto ≤ 3.5", sprintf("%.2f", auto), shown(auto) <= 3.5)
    target("pairs: --auto better than the stretch on ≥ 15 of 18", pairsBetter " of " pairs,
      pairsBetter >= 15)
    auto = stats("jpeg85", "", "auto")
    target("pairs as JPEG q85: median --auto ≤ 4.5", sprintf("%.2f", auto), shown(auto) <= 4.5)
    target("good pictures: median harm ≤ 0.5", sprintf("%.2f", harm), shown(harm) <= 0.5)
    target("good pictures: no harm above 3.0 but summer_1am\047s original",
      spoiled " others", spoiled == 0)
    second = stats("pairs kinds", "", "second")
    target("--auto on its own outputs: median change ≤ 0.5", sprintf("%.2f", second),
      shown(second) <= 0.5)
    printf "\nrun time: %d s\n", seconds
  }' "$WORK/scores"
