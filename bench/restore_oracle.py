#!/usr/bin/python3
"""How far the estimator's levels lie from the best levels reachable, per faded picture.

Usage: bench/restore_oracle.py BUILD_DIR FADED...
  e.g. bench/restore_oracle.py build/dev ../shared/restoration/kinds/*slide*

For each faded picture (NAME-faded.png beside NAME-original.png, or kinds/NAME-KIND.* with its
original one folder up) both pictures are reduced to 320 pixels on the longer side, the
estimate is taken on the reduced faded picture, and its nine levels values are searched by
coordinate descent (steps of 16, 8, 4 and 2 codes, and as many hundredths of gamma), the other
settings kept, for the least mean CIEDE2000 against the reduced original. The table says what
the estimate scores, what the best levels score, and both levels: the gap is what the levels
alone could still gain, and the direction of the best values, over many pictures, is where the
estimator reads wrong (the last row gives the median move of each value, red, green, blue).
The best levels know the original; they are a measure, never a setting.
The estimate's own error is split three ways: what its lightness alone costs (the original's
colour put back), the mean colour cast (a*, b* against the original's, in CIELAB) and what is left
with both taken out (the restored picture's lightness replaced by the original's, the cast
subtracted). A cast far larger than the rest says the channels' balance was read wrong, a
lightness error the shared loss.
Beside the levels, the Corner bar alone is searched too (0 to 200 in steps of 10, the estimate's
levels kept): the gain that gives back the copy's fall-off, whose error the levels cannot take out.
Needs Debian's python3-skimage and python3-pil (as the scorer does); about 20 seconds a picture.
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
from multiprocessing import Pool

import numpy as np
from PIL import Image
from skimage.color import deltaE_ciede2000, rgb2lab

SIDE = 320
STEPS = [(16, 0.16), (8, 0.08), (4, 0.04), (2, 0.02)]
CORNERS = range(0, 201, 10)


def original_of(faded):
    folder, name = os.path.split(os.path.abspath(faded))
    stem = name.rsplit(".", 1)[0]
    if stem.endswith("-faded"):
        return os.path.join(folder, stem[: -len("-faded")] + "-original.png")
    return os.path.join(os.path.dirname(folder), stem.rsplit("-", 1)[0] + "-original.png")


def reduce_to(source, target):
    picture = Image.open(source).convert("RGB")
    scale = SIDE / max(picture.size)
    size = (round(picture.width * scale), round(picture.height * scale))
    picture.resize(size, Image.BOX).save(target)


def lab(path):
    return rgb2lab(np.asarray(Image.open(path).convert("RGB")) / 255.0)


def mean_difference(reference, restored):
    return float(np.mean(deltaE_ciede2000(reference, restored)))


def error_split(reference, restored):
    """Mean CIEDE2000 of the lightness alone, the mean a* and b* cast, and the rest."""
    lightness_only = restored.copy()
    lightness_only[..., 1:] = reference[..., 1:]
    cast = (restored[..., 1:] - reference[..., 1:]).mean(axis=(0, 1))
    rest = restored.copy()
    rest[..., 0] = reference[..., 0]
    rest[..., 1:] -= cast
    return mean_difference(reference, lightness_only), cast, mean_difference(reference, rest)


def levels_text(levels):
    return ",".join(f"{int(b)}:{int(w)}:{g:.2f}" for b, w, g in levels)


def within_range(channel):
    black, white, gamma = channel
    return 0 <= black < white <= 255 and 0.1 <= gamma <= 3.0


def descend(score, levels, value):
    """Coordinate descent over the nine values, each step size until no move gains."""
    for code_step, gamma_step in STEPS:
        improved = True
        while improved:
            improved = False
            for c in range(3):
                for k, step in enumerate((code_step, code_step, gamma_step)):
                    for sign in (1, -1):
                        trial = [list(channel) for channel in levels]
                        trial[c][k] += sign * step
                        if not within_range(trial[c]):
                            continue
                        trial_value = score(trial)
                        if trial_value < value - 1e-3:
                            levels, value, improved = trial, trial_value, True
    return value, levels


def search(batch, faded, work):
    faded_small, original_small = os.path.join(work, "faded.png"), os.path.join(work, "orig.png")
    reduce_to(faded, faded_small)
    reduce_to(original_of(faded), original_small)
    reference = lab(original_small)
    line = subprocess.run([batch, "--estimate", faded_small], capture_output=True, text=True,
                          check=True).stdout
    match = re.search(r"--levels (\S+) (.*?) #", line)
    others = match.group(2).split()
    estimate = [[float(v) for v in channel.split(":")] for channel in match.group(1).split(",")]

    def restore(levels, settings=others):
        output = os.path.join(work, "restored.png")
        subprocess.run([batch, "-q", "-j", "1", "-o", output, "--levels", levels_text(levels)]
                       + settings + [faded_small], check=True, capture_output=True)
        # The batch numbers its outputs: restored0.png for the one input.
        return lab(os.path.join(work, "restored0.png"))

    def score(levels):
        return mean_difference(reference, restore(levels))

    def score_corner(corner):
        settings = list(others)
        settings[settings.index("--corner") + 1] = str(corner)
        return mean_difference(reference, restore(estimate, settings)), corner

    restored = restore(estimate)
    start = mean_difference(reference, restored)
    corner = min(score_corner(c) for c in CORNERS)
    best, best_levels = descend(score, estimate, start)
    return start, error_split(reference, restored), corner, best, estimate, best_levels


def measure(job):
    batch, faded = job
    with tempfile.TemporaryDirectory() as work:
        return (os.path.basename(faded),) + search(batch, faded, work)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    batch = os.path.join(sys.argv[1], "brumel-batch")
    jobs = [(batch, faded) for faded in sys.argv[2:]]
    print("| picture | --auto | its lightness | its cast a*, b* | the rest | best corner "
          "| best levels | --auto's levels | best levels |")
    print("|---|---|---|---|---|---|---|---|---|")
    rows, moves = [], []
    with Pool() as pool:
        for name, start, split, corner, best, estimate, best_levels in pool.imap(measure, jobs):
            rows.append((start, corner[0], best))
            moves.append([b - e for be, ee in zip(best_levels, estimate) for b, e in zip(be, ee)])
            lightness, cast, rest = split
            print(f"| {name} | {start:.2f} | {lightness:.2f} | {cast[0]:+.1f}, {cast[1]:+.1f} | "
                  f"{rest:.2f} | {corner[0]:.2f} at {corner[1]} | {best:.2f} | "
                  f"{levels_text(estimate)} | {levels_text(best_levels)} |", flush=True)
    median_move = [statistics.median(m[i] for m in moves) for i in range(9)]
    print(f"| median | {statistics.median(r[0] for r in rows):.2f} | | | | "
          f"{statistics.median(r[1] for r in rows):.2f} | "
          f"{statistics.median(r[2] for r in rows):.2f} | | median move "
          + ",".join(f"{b:+.0f}:{w:+.0f}:{g:+.2f}" for b, w, g in zip(*[iter(median_move)] * 3))
          + " |")


if __name__ == "__main__":
    main()
