#!/usr/bin/python3
"""Times Pillow's PNG save (its defaults: zlib level 6, adaptive filters for RGB) on raw images
that bench_EncodeBench wrote, for the PNG table of the same run.

    pillow_png.py NAME MODE WIDTH HEIGHT RAWFILE [PALETTEFILE] ...   (five or six fields each,
                                                                    separated by "--")

MODE is RGB (rows of red, green, blue) or P (one index per pixel, PALETTEFILE holding 768 bytes).
Prints one line per image: NAME<TAB>best seconds<TAB>bytes. The seconds are the thread's CPU
time, as the benchmark measures its own encoders, so that other load on the machine does not count.
"""

import io
import sys
import time

from PIL import Image


def main():
    groups, current = [], []
    for arg in sys.argv[1:]:
        if arg == "--":
            groups.append(current)
            current = []
        else:
            current.append(arg)
    if current:
        groups.append(current)
    for fields in groups:
        name, mode, width, height, raw = fields[:5]
        image = Image.frombytes(mode, (int(width), int(height)), open(raw, "rb").read())
        if mode == "P":
            image.putpalette(open(fields[5], "rb").read())
        best, total, size = 1e30, 0.0, 0
        runs = 0
        while runs < 5 or (total < 1.5 and runs < 40):
            out = io.BytesIO()
            start = time.thread_time()
            image.save(out, format="PNG")
            spent = time.thread_time() - start
            best, total, runs = min(best, spent), total + spent, runs + 1
            size = out.tell()
        print("%s\t%.6f\t%d" % (name, best, size), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
