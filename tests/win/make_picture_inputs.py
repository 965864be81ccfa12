#!/usr/bin/python3
"""Writes the picture files that the "Open picture..." tests open: PNG, JPEG (baseline and
progressive), GIF, multi-page TIFF, icons and BMP, written by independent encoders (Pillow,
ImageMagick's /usr/bin/convert, netpbm's pnmtopng on libpng), and files that must be refused.

    make_picture_inputs.py FOLDER

FOLDER gets every file and a line in pictures.tsv: file name, then "show" with the largest
difference per channel allowed (0 for lossless files) and "palette" or "rgb" (whether the file
holds palette indices, as Pillow reads it), and NAME.ppm, the first frame as Pillow decodes it
composed over white (top row first); or "refuse" with the reason the box must give (empty,
nopicture, notpicture, damaged, toolarge).
Every lossless file is also decoded by ImageMagick and must agree with Pillow, so that neither
decoder's fault can hide behind the program under test.
Run with Debian's /usr/bin/python3 (the one that has Pillow).
"""

import os
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_png_inputs import over_white, write_ppm  # noqa: E402

CONVERT = "/usr/bin/convert"


def gradient(width, height, mode="RGB", alpha=False):
    """Smooth colours (JPEG keeps them close) with a red/blue asymmetry that shows a swap."""
    image = Image.new("RGBA", (width, height))
    image.putdata([(255 * x // max(1, width - 1), 60 + 120 * y // max(1, height - 1),
                    200 - 150 * x // max(1, width - 1),
                    255 if not alpha else (x * 37 + y * 11) % 256)
                   for y in range(height) for x in range(width)])
    return image if mode == "RGBA" else image.convert(mode)


def patches(width, height, colours, seed):
    """A palette image of blocks of the colours in an order that has no symmetry."""
    image = Image.new("P", (width, height))
    image.putpalette([c for rgb in colours for c in rgb])
    image.putdata([(x // 3 + y // 2 * 5 + seed) * 7 % len(colours)
                   for y in range(height) for x in range(width)])
    return image


COLOURS = [(255, 0, 0), (0, 0, 255), (0, 160, 0), (250, 250, 20), (0, 0, 0), (255, 255, 255),
           (130, 40, 200), (20, 200, 210), (90, 90, 90), (240, 128, 0), (10, 40, 90),
           (200, 150, 170), (60, 120, 20), (128, 0, 0), (0, 128, 128), (160, 160, 250)]


def first_frame_over_white(path):
    """The first frame as Pillow decodes it, composed over white, as rows of (r, g, b)."""
    with Image.open(path) as image:
        image.seek(0)
        image.load()
        if image.mode.startswith("I"):
            image = image.point(lambda v: v / 257).convert("L")
        rgba = image.convert("RGBA")
    width, height = rgba.size
    data = list(rgba.getdata())
    return [[tuple(over_white(c, p[3]) for c in p[:3]) for p in data[y * width:(y + 1) * width]]
            for y in range(height)]


def magick_over_white(path):
    """The first frame as ImageMagick decodes it, flattened on white, as rows of (r, g, b)."""
    out = subprocess.run([CONVERT, path + "[0]", "-background", "white", "-alpha", "remove",
                          "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, rest = out.split(b"\n", 3)[:3], out.split(b"\n", 3)[3]
    width, height = (int(v) for v in fields[1].split())
    return [[tuple(rest[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


def convert(source, target, *options):
    subprocess.run([CONVERT, source, *options, target], check=True)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    at = lambda name: os.path.join(folder, name)  # noqa: E731
    listing = []

    def show(name, tolerance=0):
        colours = first_frame_over_white(at(name))
        if tolerance == 0:
            # A second, independent decoder must agree (within one step for alpha rounding).
            other = magick_over_white(at(name))
            worst = max(abs(a - b) for ra, rb in zip(colours, other) for pa, pb in zip(ra, rb)
                        for a, b in zip(pa, pb))
            if len(other) != len(colours) or worst > 1:
                raise SystemExit("%s: Pillow and ImageMagick disagree by %d" % (name, worst))
        write_ppm(at(name + ".ppm"), colours)
        with Image.open(at(name)) as image:
            kind = "palette" if image.mode == "P" else "rgb"
        listing.append("%s\tshow\t%d\t%s\n" % (name, tolerance, kind))

    def refuse(name, data, reason):
        open(at(name), "wb").write(data)
        listing.append("%s\trefuse\t%s\t-\n" % (name, reason))

    # Sources the other encoders start from.
    gradient(29, 17).save(at("source-rgb.png"))
    gradient(23, 13, "RGBA", alpha=True).save(at("source-rgba.png"))
    patches(21, 11, COLOURS, 1).save(at("source-p16.png"))

    # PNG from Pillow, one per colour type, and from ImageMagick and libpng (pnmtopng).
    gradient(29, 17).convert("1").save(at("pil-bilevel.png"))
    gradient(29, 17).convert("L").save(at("pil-grey.png"))
    gradient(23, 13, "RGBA", alpha=True).convert("LA").save(at("pil-grey-alpha.png"))
    patches(21, 11, COLOURS, 2).save(at("pil-palette.png"))
    patches(21, 11, COLOURS[:4], 3).save(at("pil-palette-2bit.png"), bits=2)
    patches(21, 11, COLOURS, 4).save(at("pil-palette-trns.png"), transparency=2)
    gradient(29, 17).save(at("pil-rgb.png"))
    gradient(23, 13, "RGBA", alpha=True).save(at("pil-rgba.png"))
    convert(at("source-rgb.png"), at("im-rgb48.png"), "-depth", "16", "-define",
            "png:color-type=2")
    convert(at("source-rgba.png"), at("im-rgba64.png"), "-depth", "16")
    convert(at("source-p16.png"), at("im-palette.png"), "-define", "png:color-type=3")
    convert(at("source-rgb.png"), at("im-interlaced.png"), "-interlace", "PNG")
    subprocess.run("/usr/bin/pngtopnm %s | /usr/bin/pnmtopng > %s" %
                   (at("source-rgb.png"), at("libpng-rgb.png")), shell=True, check=True)
    for name in ("pil-bilevel.png", "pil-grey.png", "pil-grey-alpha.png", "pil-palette.png",
                 "pil-palette-2bit.png", "pil-palette-trns.png", "pil-rgb.png", "pil-rgba.png",
                 "im-rgb48.png", "im-rgba64.png", "im-palette.png", "im-interlaced.png",
                 "libpng-rgb.png"):
        show(name)

    # JPEG, baseline and progressive, colour and grey: lossy, so a decoder tolerance.
    big = gradient(61, 37)
    big.save(at("pil-baseline.jpg"), quality=92)
    big.save(at("pil-progressive.jpg"), quality=92, progressive=True)
    big.convert("L").save(at("pil-grey.jpg"), quality=92)
    big.save(at("source-big.png"))
    convert(at("source-big.png"), at("im-baseline.jpeg"), "-quality", "92")
    convert(at("source-big.png"), at("im-progressive.jpg"), "-quality", "92", "-interlace",
            "Plane")
    for name in ("pil-baseline.jpg", "pil-progressive.jpg", "pil-grey.jpg", "im-baseline.jpeg",
                 "im-progressive.jpg"):
        show(name, 6)

    # GIF: a palette with a transparent entry, and an animation whose first frame counts.
    patches(21, 11, COLOURS, 5).save(at("pil-trns.gif"), transparency=3)
    frames = [patches(19, 9, COLOURS, s) for s in (6, 7)]
    frames[0].save(at("pil-two-frames.gif"), save_all=True, append_images=frames[1:])
    convert(at("source-p16.png"), at("im-palette.gif"))
    for name in ("pil-trns.gif", "pil-two-frames.gif", "im-palette.gif"):
        show(name)

    # TIFF: several pages (the first counts), LZW, a palette and alpha.
    pages = [gradient(27, 15), patches(27, 15, COLOURS, 8).convert("RGB")]
    pages[0].save(at("pil-pages.tif"), save_all=True, append_images=pages[1:])
    convert(at("source-rgb.png"), at("im-lzw.tiff"), "-compress", "LZW")
    patches(21, 11, COLOURS, 9).save(at("pil-palette.tif"))
    gradient(23, 13, "RGBA", alpha=True).save(at("pil-rgba.tif"))
    for name in ("pil-pages.tif", "im-lzw.tiff", "pil-palette.tif", "pil-rgba.tif"):
        show(name)

    # Icons: Pillow stores PNG images inside, ImageMagick BMP images with their mask.
    gradient(32, 32, "RGBA", alpha=True).save(at("pil-icon.ico"), sizes=[(32, 32)])
    gradient(16, 16).save(at("source-16.png"))
    convert(at("source-16.png"), at("im-icon.ico"))
    for name in ("pil-icon.ico", "im-icon.ico"):
        show(name)

    # BMP still goes through our own reader.
    patches(21, 11, COLOURS, 10).save(at("pil-palette.bmp"))
    show("pil-palette.bmp")

    # Files that must be refused, each with the reason its box gives.
    png = open(at("pil-rgb.png"), "rb").read()
    jpeg = open(at("pil-baseline.jpg"), "rb").read()
    gif = open(at("pil-trns.gif"), "rb").read()
    tif = open(at("pil-pages.tif"), "rb").read()
    refuse("zero-bytes.png", b"", "empty")
    refuse("renamed-text.png", b"Dear user,\r\nthis is a letter, not a picture.\r\n" * 4,
           "notpicture")
    refuse("renamed-text.jpg", b"Plain text in a file named like a JPEG.\r\n", "notpicture")
    refuse("truncated.png", png[:len(png) * 2 // 3], "damaged")
    refuse("signature-only.png", png[:8], "damaged")
    refuse("truncated.gif", gif[:20], "damaged")
    refuse("truncated.tif", tif[:10], "damaged")
    refuse("header-only.jpg", jpeg[:2] + b"\xff", "damaged")
    refuse("truncated.jpg", jpeg[:len(jpeg) // 3], "damaged")
    # A GIF with its screen and colours but no image: no picture to show.
    refuse("no-image.gif", gif[:13 + 3 * 2 ** ((gif[10] & 7) + 1)] + b";", "nopicture")
    # A PNG of 70000 x 1 pixels: wider than any DIB may be.
    Image.new("1", (70000, 1), 1).save(at("too-wide.png"))
    listing.append("too-wide.png\trefuse\ttoolarge\t-\n")

    with open(at("pictures.tsv"), "w") as f:
        f.writelines(listing)
    print("make_picture_inputs: %d files" % len(listing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
