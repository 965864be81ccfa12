#!/usr/bin/python3
"""Draws the two program icons and writes them as .ico files (32x32 and 16x16, 32 bits).

Both show a clipboard board with a sheet of paper and a clip; Palorin's sheet carries a blue
lens, Mendrival's a green diamond. Run from the repository root:
    /usr/bin/python3 scripts/make-icons.py
"""
import struct
import sys

BOARD = (139, 90, 43)
PAPER = (250, 250, 245)
CLIP = (150, 150, 160)
OUTLINE = (40, 30, 20)
TRANSPARENT = None


def pixel(x, y, variant):
    """Colour at (x, y) of a 32x32 design, top-left origin; None is transparent."""
    if x < 3 or x > 28 or y < 2 or y > 30:
        return TRANSPARENT
    if 11 <= x <= 20 and 0 <= y <= 5:
        return OUTLINE if x in (11, 20) or y in (2,) else CLIP
    if x in (3, 28) or y in (2, 30):
        return OUTLINE
    if 6 <= x <= 25 and 6 <= y <= 27:
        cx, cy = x - 15.5, y - 16.5
        if variant == "PlnIcon":
            r2 = cx * cx + cy * cy
            if r2 <= 9:
                return (20, 40, 90)
            if r2 <= 42:
                return (40, 100, 220)
            if r2 <= 56:
                return (20, 40, 90)
        else:
            d = abs(cx) + abs(cy)
            if d <= 4:
                return (200, 240, 200)
            if d <= 9:
                return (30, 150, 60)
            if d <= 10.5:
                return (10, 70, 25)
        return PAPER
    return BOARD


def image(size, variant):
    """BITMAPINFOHEADER, BGRA rows bottom-up and the AND mask of one icon image."""
    scale = 32 // size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = bytearray()
        mask = bytearray(mask_stride)
        for x in range(size):
            colour = pixel(x * scale + scale // 2, y * scale + scale // 2, variant)
            if colour is None:
                row += bytes((0, 0, 0, 0))
                mask[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = colour
                row += bytes((b, g, r, 255))
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    return header + b"".join(rows) + b"".join(mask_rows)


def icon(variant):
    sizes = (32, 16)
    images = [image(size, variant) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "resources"
    for variant in ("PlnIcon", "MendrivalIcon"):
        with open(f"{folder}/{variant}.ico", "wb") as f:
            f.write(icon(variant))


if __name__ == "__main__":
    main()
