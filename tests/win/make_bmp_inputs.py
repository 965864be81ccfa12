#!/usr/bin/python3
"""Writes the BMP files that the Open BMP tests read, with two independent writers: Pillow and
ImageMagick (/usr/bin/convert, BMP3 output: the 40-byte information header).

    make_bmp_inputs.py FOLDER

For every case FOLDER gets NAME.bmp, NAME.ppm (the colours the file holds, top row first) and a
line in inputs.tsv: name, writer, bits per pixel, width, height, colour-table entries stored.
Each file's header is checked against what its case is meant to exercise (depth, table length,
header size), and every ImageMagick file is read back with Pillow and compared with the colours
it was made from, so that a changed writer cannot silently turn a case into another one.
Run with Debian's /usr/bin/python3 (the one that has Pillow).
"""

import os
import random
import struct
import subprocess
import sys

from PIL import Image

CONVERT = "/usr/bin/convert"


def random_palette(rng, count):
    colours = set()
    while len(colours) < count:
        colours.add((rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    return sorted(colours)


def indexed_image(rng, width, height, colours):
    """A palette image using every colour, in runs of random length."""
    image = Image.new("P", (width, height))
    flat = [c for colour in colours for c in colour]
    image.putpalette(flat)
    data = list(range(len(colours)))[:width * height]
    while len(data) < width * height:
        data += [rng.randrange(len(colours))] * rng.choice((1, 1, 1, 2, 5, 17))
    image.putdata(data[:width * height])
    return image


def rgb_image(rng, width, height, mode="RGB"):
    image = Image.new(mode, (width, height))
    bands = len(mode)
    image.putdata([tuple(rng.randrange(256) for _ in range(bands)) for _ in range(width * height)])
    return image


def header(path):
    data = open(path, "rb").read(54)
    off_bits, info_size = struct.unpack_from("<II", data, 10)
    bits, = struct.unpack_from("<H", data, 28)
    compression, = struct.unpack_from("<I", data, 30)
    return {"off_bits": off_bits, "info_size": info_size, "bits": bits,
            "compression": compression, "table": (off_bits - 14 - info_size) // 4}


def write_ppm(path, image):
    rgb = image.convert("RGB")
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % rgb.size)
        out.write(rgb.tobytes())


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261207)
    lines = []

    def add(name, writer, image, bits, table):
        path = os.path.join(folder, name + ".bmp")
        if writer == "pillow":
            image.save(path, "BMP")
        else:
            png = os.path.join(folder, name + ".source.png")
            image.save(png)
            args = [CONVERT, png, "-compress", "None"]
            if bits <= 8:
                args += ["-type", "Palette"]
            elif bits == 24:
                args += ["-type", "TrueColor"]
            else:
                args += ["-define", "bmp3:alpha=true"]
            subprocess.run(args + ["BMP3:" + path], check=True)
            os.remove(png)
            with Image.open(path) as back:
                if back.convert("RGB").tobytes() != image.convert("RGB").tobytes():
                    raise SystemExit("%s: ImageMagick changed the colours" % name)
        got = header(path)
        want = {"info_size": 40, "bits": bits, "compression": 0, "table": table}
        if any(got[k] != v for k, v in want.items()):
            raise SystemExit("%s: header %r, expected %r" % (name, got, want))
        write_ppm(os.path.join(folder, name + ".ppm"), image)
        lines.append("%s\t%s\t%d\t%d\t%d\t%d\n" % (name, writer, bits, image.width,
                                                   image.height, table))

    # Pillow: black and white, full and short palettes, grey levels, RGB and RGBA.
    bw = Image.new("1", (33, 7))
    bw.putdata([rng.choice((0, 255)) for _ in range(33 * 7)])
    add("pillow-1bit", "pillow", bw, 1, 2)
    add("pillow-8bit", "pillow", indexed_image(rng, 37, 11, random_palette(rng, 256)), 8, 256)
    add("pillow-8bit-short", "pillow", indexed_image(rng, 29, 5, random_palette(rng, 5)), 8, 5)
    grey = Image.new("L", (23, 6))
    grey.putdata([rng.randrange(256) for _ in range(23 * 6)])
    add("pillow-grey", "pillow", grey, 8, 256)
    add("pillow-24bit", "pillow", rgb_image(rng, 31, 9), 24, 0)
    add("pillow-32bit", "pillow", rgb_image(rng, 19, 7, "RGBA"), 32, 0)
    # Taller than one band of rows: 65 rows of 1000 bytes, 10 rows of 6000 bytes per band.
    add("pillow-8bit-bands", "pillow", indexed_image(rng, 1000, 300, random_palette(rng, 256)),
        8, 256)
    add("pillow-24bit-bands", "pillow", rgb_image(rng, 2000, 97), 24, 0)

    # ImageMagick (which stores full tables): 1 bit with two colours that are not black and
    # white, 4 bits, 8 bits, 24 and 32 bits, odd widths.
    add("magick-1bit", "imagemagick", indexed_image(rng, 35, 9, random_palette(rng, 2)), 1, 2)
    add("magick-4bit", "imagemagick", indexed_image(rng, 27, 8, random_palette(rng, 11)), 4, 16)
    add("magick-8bit", "imagemagick", indexed_image(rng, 41, 10, random_palette(rng, 200)), 8,
        256)
    add("magick-24bit", "imagemagick", rgb_image(rng, 30, 7), 24, 0)
    add("magick-32bit", "imagemagick", rgb_image(rng, 17, 5, "RGBA"), 32, 0)

    with open(os.path.join(folder, "inputs.tsv"), "w") as listing:
        listing.writelines(lines)
    print("make_bmp_inputs: %d files in %s" % (len(lines), folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
