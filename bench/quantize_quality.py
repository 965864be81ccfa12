#!/usr/bin/python3
"""Second half of bench_QuantizeBench: times Pillow's quantize (median cut and fast octree, 256
colours, reduction and mapping only, CPU time of this thread, best of five) on the same images,
then measures every entrant's result against its original with scikit-image: 1 - SSIM (over
the three channels) and PSNR. Prints the table and whether our quantizer meets its goal.

    quantize_quality.py DIR   (DIR holds manifest.tsv and the raw RGB files the benchmark wrote)
"""

import os
import sys
import time

import numpy as np
from PIL import Image
from skimage.metrics import peak_signal_noise_ratio, structural_similarity

RUNS = 5


def load(path, width, height):
    return np.fromfile(path, dtype=np.uint8).reshape(height, width, 3)


def pillow_entrant(original, method):
    image = Image.fromarray(original, "RGB")
    best = None
    result = None
    for _ in range(RUNS):
        start = time.thread_time()
        quantized = image.quantize(256, method=method, dither=Image.Dither.NONE)
        seconds = time.thread_time() - start
        best = seconds if best is None else min(best, seconds)
        result = quantized
    return best, np.asarray(result.convert("RGB"))


def main():
    folder = sys.argv[1]
    rows = {}
    order = []
    with open(os.path.join(folder, "manifest.tsv")) as manifest:
        for line in manifest:
            name, width, height, entrant, seconds, file = line.rstrip("\n").split("\t")
            if name not in rows:
                rows[name] = (int(width), int(height), [])
                order.append(name)
            rows[name][2].append((entrant, float(seconds), os.path.join(folder, file)))

    table = []
    for name in order:
        width, height, entrants = rows[name]
        original = load(os.path.join(folder, name + ".rgb"), width, height)
        results = [(e, s, load(p, width, height)) for e, s, p in entrants]
        for label, method in (("pillow-mediancut", Image.Quantize.MEDIANCUT),
                              ("pillow-fastoctree", Image.Quantize.FASTOCTREE)):
            seconds, out = pillow_entrant(original, method)
            results.append((label, seconds, out))
        colours = len(np.unique(original.reshape(-1, 3), axis=0))
        for entrant, seconds, out in results:
            ssim = structural_similarity(original, out, channel_axis=2, data_range=255)
            psnr = peak_signal_noise_ratio(original, out, data_range=255)
            table.append((name, width, height, colours, entrant, seconds, 1 - ssim, psnr))

    print("%-17s %-10s %7s  %-18s %9s %10s %8s" % (
        "image", "size", "colours", "entrant", "ms", "1-SSIM", "PSNR dB"))
    for name, width, height, colours, entrant, seconds, dist, psnr in table:
        print("%-17s %-10s %7d  %-18s %9.1f %10.5f %8.2f" % (
            name, "%dx%d" % (width, height), colours, entrant, seconds * 1000, dist, psnr))

    verdicts = []
    for name in order:
        got = {e: (s, d, p) for n, _, _, _, e, s, d, p in table if n == name}
        ours, liq = got["ours"], got["pngquant"]
        ours_d, liq_d = got["ours-dither"], got["pngquant-dither"]
        verdicts.append("%s: plain 1-SSIM %.5f vs %.5f (%s), speed %.1fx (%s); dithered %.5f vs %.5f "
                        "(%s)" % (name, ours[1], liq[1], "ok" if ours[1] <= liq[1] else "WORSE",
                                  liq[0] / ours[0], "ok" if liq[0] >= 3 * ours[0] else "SLOW",
                                  ours_d[1], liq_d[1], "ok" if ours_d[1] <= liq_d[1] else "WORSE"))
    print("\nGoal (plain: 1-SSIM no worse than pngquant's at >= 3x its speed; dithered: no worse "
          "than pngquant dithered):")
    for v in verdicts:
        print("  " + v)
    return 0


if __name__ == "__main__":
    sys.exit(main())
