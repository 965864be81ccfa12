#!/usr/bin/python3
"""Writes the PNG files that the PNG clipboard tests place on the clipboard: every colour type
and bit depth, with and without transparency, interlaced and not, and files that must be
refused. The files are built here byte by byte (struct and zlib), from samples chosen so that the
colours they stand for are known without any decoder: 16-bit samples are b * 257, whose 8-bit
value is b under every rounding rule.

    make_png_inputs.py FOLDER

FOLDER gets NAME.png for every case and a line in inputs.tsv: name, then "show" with NAME.ppm
(the colours composed over white, top row first), or "refuse" for a file that must not be shown.
Every file that must be shown is read back with Pillow and compared with the samples it was
written from, so that a fault here cannot hide behind the program under test.
Run with Debian's /usr/bin/python3 (the one that has Pillow).
"""

import os
import random
import struct
import sys
import zlib

from PIL import Image


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}

# Adam7 passes: x start, y start, x step, y step.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def pack_row(samples, depth):
    """Samples of one row (a flat list) as bytes at the given bit depth."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = acc << depth | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def png_bytes(width, height, depth, ctype, pixels, plte=None, trns=None, interlace=False):
    """pixels[y][x] is a tuple of samples. Rows go unfiltered except every third row, which uses
    Sub filtering, so that the decoder's unfiltering is exercised too."""
    bpp = max(1, CHANNELS[ctype] * depth // 8)
    raw = bytearray()

    def add_rows(rows):
        for i, row in enumerate(rows):
            data = pack_row([s for p in row for s in p], depth)
            if i % 3 == 2:
                sub = bytes((data[k] - (data[k - bpp] if k >= bpp else 0)) & 255
                            for k in range(len(data)))
                raw.extend(b"\x01" + sub)
            else:
                raw.extend(b"\x00" + data)

    if interlace:
        for x0, y0, dx, dy in ADAM7:
            rows = [[pixels[y][x] for x in range(x0, width, dx)] for y in range(y0, height, dy)]
            if rows and rows[0]:
                add_rows(rows)
    else:
        add_rows(pixels)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, ctype, 0, 0,
                                      1 if interlace else 0))
    if plte is not None:
        out += chunk(b"PLTE", bytes(c for rgb in plte for c in rgb))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += chunk(b"IEND", b"")
    return out


def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def to8(sample, depth):
    if depth == 16:
        return sample >> 8
    return sample * 255 // ((1 << depth) - 1)


def expected_rgba(depth, ctype, pixel, plte, trns_key, trns_alpha):
    """(r, g, b, a) in 8 bits of one pixel."""
    if ctype == 3:
        index = pixel[0]
        r, g, b = plte[index]
        a = trns_alpha[index] if index < len(trns_alpha) else 255
        return r, g, b, a
    if ctype in (0, 4):
        v = to8(pixel[0], depth)
        a = to8(pixel[1], depth) if ctype == 4 else 255
        if ctype == 0 and trns_key is not None and pixel[0] == trns_key[0]:
            a = 0
        return v, v, v, a
    r, g, b = (to8(s, depth) for s in pixel[:3])
    a = to8(pixel[3], depth) if ctype == 6 else 255
    if ctype == 2 and trns_key is not None and tuple(pixel[:3]) == tuple(trns_key):
        a = 0
    return r, g, b, a


def sample(rng, depth):
    if depth == 16:
        return rng.randrange(256) * 257
    return rng.randrange(1 << depth)


def make_case(rng, width, height, depth, ctype, transparency, interlace):
    plte, trns, key, alphas = None, None, None, []
    if ctype == 3:
        plte = [(rng.randrange(256), rng.randrange(256), rng.randrange(256))
                for _ in range(1 << depth)]
        plte[0] = (255, 0, 0)  # red in entry 0 and blue in entry 1 show a channel swap
        if len(plte) > 1:
            plte[1] = (0, 0, 255)
        if transparency:
            alphas = [rng.choice((0, 128, 255, rng.randrange(256))) for _ in range(len(plte))]
            alphas[0] = 255
            if len(alphas) > 1:
                alphas[1] = 0
            trns = bytes(alphas)
    pixels = [[tuple(sample(rng, depth) for _ in range(CHANNELS[ctype])) for _ in range(width)]
              for _ in range(height)]
    if ctype == 3:
        pixels[0][0] = (0,)
    if transparency and ctype in (0, 2):
        key = pixels[height // 2][width // 2]
        for y in range(0, height, 2):
            pixels[y][y % width] = key
        trns = b"".join(struct.pack(">H", s) for s in key)
    data = png_bytes(width, height, depth, ctype, pixels, plte, trns, interlace)
    colours = [[over_white_rgba(expected_rgba(depth, ctype, p, plte, key, alphas)) for p in row]
               for row in pixels]
    straight = [[expected_rgba(depth, ctype, p, plte, key, alphas) for p in row]
                for row in pixels]
    return data, colours, straight


def over_white_rgba(rgba):
    r, g, b, a = rgba
    return over_white(r, a), over_white(g, a), over_white(b, a)


def check_with_pillow(path, straight):
    """Pillow must read the file to the straight colours it was written from."""
    with Image.open(path) as image:
        image.load()
        if image.mode.startswith("I"):
            # Pillow keeps 16-bit grey as integers; its own conversion clips them at 255.
            grey = Image.new("L", image.size)
            grey.putdata([v >> 8 for v in image.getdata()])
            if "transparency" in image.info:
                key = image.info["transparency"]
                alpha = Image.new("L", image.size)
                alpha.putdata([0 if v == key else 255 for v in image.getdata()])
                grey = Image.merge("LA", (grey, alpha))
            image = grey
        rgba = image.convert("RGBA")
        height, width = len(straight), len(straight[0])
        if rgba.size != (width, height):
            raise SystemExit("%s: Pillow reads %s" % (path, rgba.size))
        got = rgba.load()
        for y in range(height):
            for x in range(width):
                want = straight[y][x]
                have = got[x, y]
                # Colours under full transparency carry no meaning in Pillow's conversion.
                if want[3] == 0 and have[3] == 0:
                    continue
                if tuple(have) != tuple(want):
                    raise SystemExit("%s: Pillow reads (%d,%d) as %s, written %s" %
                                     (path, x, y, have, want))


def write_ppm(path, colours):
    height, width = len(colours), len(colours[0])
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(bytes(c for row in colours for rgb in row for c in rgb))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261207)
    listing = []
    cases = []
    for depth in (1, 2, 4, 8, 16):
        cases.append((0, depth, False))
    cases += [(0, 8, True), (0, 16, True), (2, 8, False), (2, 16, False), (2, 8, True),
              (2, 16, True), (4, 8, False), (4, 16, False), (6, 8, False), (6, 16, False)]
    for depth in (1, 2, 4, 8):
        cases += [(3, depth, False), (3, depth, True)]
    sizes = [(13, 7), (1, 1), (37, 11)]
    for n, (ctype, depth, transparency) in enumerate(cases):
        for interlace in (False, True):
            width, height = sizes[n % len(sizes)] if not interlace else (19, 17)
            name = "c%d-d%d%s%s-%dx%d" % (ctype, depth, "-trns" if transparency else "",
                                          "-adam7" if interlace else "", width, height)
            data, colours, straight = make_case(rng, width, height, depth, ctype, transparency,
                                                interlace)
            path = os.path.join(folder, name + ".png")
            open(path, "wb").write(data)
            check_with_pillow(path, straight)
            write_ppm(os.path.join(folder, name + ".ppm"), colours)
            listing.append("%s\tshow\n" % name)

    # Files that must be refused without harm.
    good, _, _ = make_case(rng, 40, 30, 8, 6, False, False)
    refusals = {
        "not-png": b"BM" + bytes(60),
        "one-byte": b"\x89",
        "signature-only": good[:8],
        "truncated-idat": good[:len(good) // 2],
        "bad-ihdr-crc": good[:29] + bytes([good[29] ^ 0xFF]) + good[30:],
        "too-wide": png_bytes(70000, 1, 1, 0, [[(0,)] * 70000]),
        "zero-width": b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 0, 5, 8, 2,
                                                                          0, 0, 0)) +
                      chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b""),
        "bad-colour-type": b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(
            ">IIBBBBB", 2, 2, 8, 5, 0, 0, 0)) + chunk(b"IDAT", zlib.compress(bytes(14))) +
                           chunk(b"IEND", b""),
    }
    for name, data in refusals.items():
        open(os.path.join(folder, name + ".png"), "wb").write(data)
        listing.append("%s\trefuse\n" % name)
    with open(os.path.join(folder, "inputs.tsv"), "w") as f:
        f.writelines(listing)
    print("make_png_inputs: %d files" % len(listing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
