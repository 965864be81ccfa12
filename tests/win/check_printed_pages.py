#!/usr/bin/python3
"""Checks the pages the Wine print tests sent to the PDF printer.

    check_printed_pages.py PDF_DIR LIST_DIR

LIST_DIR/printed.tsv lists one printed PDF (in PDF_DIR) a line: file, kind, values. Values are
key=value words; `file=` takes the rest of the line. Every list carries the printer's geometry in
printer pixels: dpi, the printable area's offset on the sheet (offx, offy), its size (paperw,
paperh), the sheet's height (physh) and the height of a line of its default font (line).

  image  x y w h ppm: one page; the page's one image is placed exactly (to 1/100 pixel, read from
         the page's content stream) at printer pixel (x, y) of the printable area, w x h pixels
         large; its pixels, brought to w x h, equal those of ppm stretched to w x h (every pixel,
         one-pixel features included); the rendered ink lies inside that box.
  text   x y pages file: that many pages; the text layer of page 1 has exactly the lines of
         `file` (| separates lines); the first line starts at x (to 1 pixel) and its ink in the
         upper half of the line at y; each line lies one line height below the one before.
  words  x y minpages file: at least minpages pages; the words of the text file LIST_DIR/file
         appear in the text layers, each once, in order, no word split; every line starts at x,
         ends inside the printable area, and is wrapped only when the next word would not have
         fitted before its right edge; lines lie one line height apart, each page but the last
         holds as many lines as fit below y, and each page starts at the corner again.
  chars  [glyphs=N] file: see printed_chars.py. With glyphs=N, the line printed below the last
         line of the text layer (characters the text layer cannot hold) shows N glyphs: N runs of
         inked columns in the band one line height deep below that line.

Exit status 0 when every listed page passes, 1 otherwise (also when nothing is listed: a print
test that listed nothing has not run).
"""
import html
import os
import re
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

from printed_chars import check_chars

# Pixels of a printed image may differ from the expected colour by this much per channel (the
# PDF keeps the colours the program sent; a little room for colour handling on the way).
TOLERANCE = 2
# Placement read from the content stream: within this many printer pixels (float rounding).
EXACT = 0.01


def parse(line):
    pdf, kind, rest = line.rstrip("\n").split("\t", 2)
    values = {}
    while rest:
        if rest.startswith("file="):
            values["file"] = rest[5:]
            break
        word, _, rest = rest.partition(" ")
        key, _, value = word.partition("=")
        values[key] = value
    return pdf, kind, values


def page_count(pdf):
    out = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return 0


def render(pdf, page, dpi, folder):
    base = os.path.join(folder, "page")
    subprocess.run(["pdftoppm", "-r", str(dpi), "-f", str(page), "-l", str(page), "-png",
                    pdf, base], check=True)
    names = [n for n in os.listdir(folder) if n.startswith("page") and n.endswith(".png")]
    image = Image.open(os.path.join(folder, sorted(names)[-1])).convert("RGB")
    for n in names:
        os.remove(os.path.join(folder, n))
    return image


def ink_box(image):
    """The bounding box (left, top, right, bottom) of pixels darker than near-white."""
    gray = image.convert("L").point(lambda v: 255 if v < 230 else 0)
    return gray.getbbox()


def content_streams(pdf):
    """The decompressed streams of the file that draw something (its pages' content)."""
    with open(pdf, "rb") as f:
        data = f.read()
    streams = []
    for m in re.finditer(rb"stream\r?\n", data):
        end = data.find(b"endstream", m.end())
        raw = data[m.end():end]
        try:
            body = zlib.decompress(raw)
        except zlib.error:
            body = raw
        if b" cm" in body and (b"Do" in body or b"BI" in body or b" re" in body):
            streams.append(body)
    return streams


def image_boxes(stream, fills=None):
    """Where each image (XObject or inline) of a content stream lands: (x0, y0, x1, y1) in user
    space (points, y upwards), from the transformation matrices in force at the image, and
    whether its first row lands at the bottom (the rows stored bottom-up). Filled rectangles
    (what a bitmap becomes when the driver paints it pixel run by pixel run) are appended to
    fills as (x0, y0, x1, y1, (r, g, b))."""
    tokens = re.finditer(rb"\(|/[^\s/\[\]()<>{}%]*|[-+]?(?:\d+\.?\d*|\.\d+)|[A-Za-z'\"*]+|\S",
                         stream)
    ctm = [1.0, 0.0, 0.0, 1.0, 0.0, 0.0]
    stack = []
    operands = []
    boxes = []
    color = (0, 0, 0)
    path = []
    position = 0
    for token in tokens:
        if token.start() < position:
            continue
        word = token.group()
        if word == b"(":  # a string: skipped, with nested brackets and escapes
            depth, i = 1, token.end()
            while depth and i < len(stream):
                c = stream[i:i + 1]
                if c == b"\\":
                    i += 1
                elif c == b"(":
                    depth += 1
                elif c == b")":
                    depth -= 1
                i += 1
            position = i
            continue
        if re.fullmatch(rb"[-+]?(?:\d+\.?\d*|\.\d+)", word):
            operands.append(float(word))
            continue
        if word == b"q":
            stack.append(list(ctm))
        elif word == b"Q":
            ctm = stack.pop() if stack else ctm
        elif word == b"cm" and len(operands) >= 6:
            a, b, c, d, e, f = operands[-6:]
            A, B, C, D, E, F = ctm
            ctm = [a * A + b * C, a * B + b * D, c * A + d * C, c * B + d * D,
                   e * A + f * C + E, e * B + f * D + F]
        elif word == b"rg" and len(operands) >= 3:
            color = tuple(int(round(255 * c)) for c in operands[-3:])
        elif word == b"g" and operands:
            color = (int(round(255 * operands[-1])),) * 3
        elif word == b"re" and len(operands) >= 4:
            x, y, w, h = operands[-4:]
            a, b, c, d, e, f = ctm
            xs = [a * px + c * py + e for px in (x, x + w) for py in (y, y + h)]
            ys = [b * px + d * py + f for px in (x, x + w) for py in (y, y + h)]
            path.append((min(xs), min(ys), max(xs), max(ys)))
        elif word in (b"f", b"f*", b"F"):
            if fills is not None:
                fills.extend(r + (color,) for r in path)
            path = []
        elif word == b"n":
            path = []
        elif word in (b"Do", b"ID"):
            a, b, c, d, e, f = ctm
            xs = [e, e + a, e + c, e + a + c]
            ys = [f, f + b, f + d, f + b + d]
            boxes.append((min(xs), min(ys), max(xs), max(ys), d < 0))
            if word == b"ID":  # inline image data runs to EI
                end = re.compile(rb"\sEI(?=\s|$)").search(stream, token.end() + 1)
                position = end.end() if end else len(stream)
        operands = []
    return boxes


def first_image(pdf, folder):
    """The page's first image as the file stores it (pixel for pixel)."""
    base = os.path.join(folder, "img")
    subprocess.run(["pdfimages", "-png", "-f", "1", "-l", "1", pdf, base], check=True)
    names = sorted(n for n in os.listdir(folder) if n.startswith("img"))
    if not names:
        return None
    image = Image.open(os.path.join(folder, names[0])).convert("RGB")
    for n in names:
        os.remove(os.path.join(folder, n))
    return image


def text_layout(pdf, page):
    """The lines of a page's text layer: (xMin, yMin, xMax, [(word, xMin, xMax)]), in points."""
    out = subprocess.run(["pdftotext", "-bbox-layout", "-f", str(page), "-l", str(page), pdf,
                          "-"], capture_output=True, text=True, check=True).stdout
    lines = []
    for line in re.finditer(r'<line xMin="([\d.]+)" yMin="([-\d.]+)" xMax="([\d.]+)"[^>]*>(.*?)'
                            r'</line>', out, re.S):
        words = [(html.unescape(w.group(3)), float(w.group(1)), float(w.group(2)))
                 for w in re.finditer(r'<word xMin="([\d.]+)" yMin="[-\d.]+" xMax="([\d.]+)"'
                                      r'[^>]*>(.*?)</word>', line.group(4))]
        lines.append((float(line.group(1)), float(line.group(2)), float(line.group(3)), words))
    return lines


def text_lines(pdf, page):
    out = subprocess.run(["pdftotext", "-layout", "-f", str(page), "-l", str(page), pdf, "-"],
                         capture_output=True, text=True, check=True).stdout
    # Runs of spaces are one space: the layout mode spaces words by their positions.
    return [" ".join(line.split()) for line in out.replace("\f", "").splitlines() if line.strip()]


def read_ppm(path):
    return Image.open(path).convert("RGB")


def geometry(v):
    """dpi, the printable area's left and top on the sheet, and the corner (x, y) on the sheet."""
    dpi = int(v["dpi"])
    return (dpi, int(v["offx"]) + int(v["x"]), int(v["offy"]) + int(v["y"]))


def check_image(pdf, v, list_dir, folder):
    errors = []
    if page_count(pdf) != 1:
        errors.append("expected one page, found %d" % page_count(pdf))
    dpi, left, top = geometry(v)
    w, h = int(v["w"]), int(v["h"])
    scale = dpi / 72.0
    fills = []
    boxes = [b for s in content_streams(pdf) for b in image_boxes(s, fills)]
    want = (left, top, left + w, top + h)
    physh = int(v["physh"])
    painted = None
    if not boxes and fills:
        # Painted as runs of filled rectangles: their union is the image's box, and drawn on
        # white they give its pixels.
        box = (min(f[0] for f in fills), min(f[1] for f in fills),
               max(f[2] for f in fills), max(f[3] for f in fills))
        boxes = [box + (False,)]
        painted = Image.new("RGB", (w, h), (255, 255, 255))
        for x0, y0, x1, y1, color in fills:
            painted.paste(color, (int(round(x0 * scale - left)), int(round(physh - y1 * scale - top)),
                                  int(round(x1 * scale - left)), int(round(physh - y0 * scale - top))))
    if len(boxes) != 1:
        errors.append("%d images on the page, expected one" % len(boxes))
    else:
        x0, y0, x1, y1, _ = boxes[0]
        got = (x0 * scale, physh - y1 * scale, x1 * scale, physh - y0 * scale)
        if any(abs(a - b) > EXACT for a, b in zip(got, want)):
            errors.append("image placed at %s, expected %s" % (
                "(%.2f, %.2f, %.2f, %.2f)" % got, want))
    page = render(pdf, 1, dpi, folder)
    box = ink_box(page)
    if box is None or not (want[0] <= box[0] and want[1] <= box[1] and
                           box[2] <= want[2] + 1 and box[3] <= want[3] + 1):
        errors.append("ink at %s, outside the image's box %s" % (box, want))
    source = read_ppm(os.path.join(list_dir, v["ppm"]))
    stored = painted if painted is not None else first_image(pdf, folder)
    if stored is None:
        errors.append("no image in the file")
        return errors
    if boxes and boxes[0][4]:
        stored = stored.transpose(Image.FLIP_TOP_BOTTOM)
    # Both at the printed size: the expected picture stretched by whole pixels as the printer
    # does (pixel i of w takes source pixel i * sw / w), the stored one likewise when the file
    # keeps it at another size.
    expected = source.resize((w, h), Image.NEAREST)
    got_image = stored if stored.size == (w, h) else stored.resize((w, h), Image.NEAREST)
    if stored.size not in (source.size, (w, h)):
        errors.append("the file's image is %dx%d, expected %dx%d or %dx%d" % (
            stored.size + source.size + (w, h)))
    ep, gp = expected.load(), got_image.load()
    wrong = 0
    first = None
    for y in range(h):
        for x in range(w):
            if any(abs(a - b) > TOLERANCE for a, b in zip(gp[x, y], ep[x, y])):
                wrong += 1
                if first is None:
                    first = "(%d,%d) is %s, expected %s" % (x, y, gp[x, y], ep[x, y])
    if wrong:
        errors.append("%d printed pixels of the wrong colour; first: %s" % (wrong, first))
    return errors


def check_glyphs_below(pdf, v, folder):
    if "glyphs" not in v:
        return []
    dpi = int(v["dpi"])
    out = subprocess.run(["pdftotext", "-bbox-layout", "-f", "1", "-l", "1", pdf, "-"],
                         capture_output=True, text=True, check=True).stdout
    bottoms = [float(m.group(1)) for m in re.finditer(r'<line xMin="[\d.]+" yMin="[-\d.]+" '
                                                      r'xMax="[\d.]+" yMax="([-\d.]+)"', out)]
    if not bottoms:
        return ["no text layer above the glyphs"]
    top = int(max(bottoms) * dpi / 72)
    band = render(pdf, 1, dpi, folder).convert("L")
    band = band.crop((0, top, band.width, top + int(v["line"])))
    inked = [any(band.getpixel((x, y)) < 128 for y in range(band.height))
             for x in range(band.width)]
    runs = sum(1 for x in range(band.width) if inked[x] and (x == 0 or not inked[x - 1]))
    if runs != int(v["glyphs"]):
        return ["%d glyphs below the text layer, expected %s" % (runs, v["glyphs"])]
    return []


def check_lines(lines, v, page_number, errors):
    """Every line starts at x; lines lie one line height apart, the first in the corner's line."""
    dpi, left, top = geometry(v)
    scale = dpi / 72.0
    line = int(v["line"])
    for i, (_, y0, _, words) in enumerate(lines):
        x0 = words[0][1] if words else -1  # the first word's origin (the line's box may not be)
        if abs(x0 * scale - left) > 1:
            errors.append("page %d line %d starts at x %.1f, expected %d" % (
                page_number, i + 1, x0 * scale, left))
            break
        if i > 0 and abs((y0 - lines[i - 1][1]) * scale - line) > 1:
            errors.append("page %d line %d lies %.1f below the one before, expected %d" % (
                page_number, i + 1, (y0 - lines[i - 1][1]) * scale, line))
            break
    if lines and not top - 1 <= lines[0][1] * scale < top + line / 2:
        errors.append("page %d: the first line's text box starts at y %.1f, expected in the "
                      "upper half of the line at %d" % (page_number, lines[0][1] * scale, top))


def check_ink_start(page, v, page_number, errors):
    """The ink starts in the upper half of the first line, not left of x."""
    dpi, left, top = geometry(v)
    box = ink_box(page)
    if box is None:
        errors.append("page %d is blank" % page_number)
        return None
    if box[0] < left or not top <= box[1] < top + int(v["line"]) / 2:
        errors.append("page %d: ink starts at (%d, %d), expected from x %d and in the upper "
                      "half of the line at %d" % (page_number, box[0], box[1], left, top))
    return box


def check_text(pdf, v, folder):
    errors = []
    pages = page_count(pdf)
    if pages != int(v["pages"]):
        errors.append("expected %s pages, found %d" % (v["pages"], pages))
    want = [" ".join(line.split()) for line in v["file"].split("|")]
    got = text_lines(pdf, 1)
    if got != want:
        errors.append("text layer %r, expected %r" % (got, want))
    check_lines(text_layout(pdf, 1), v, 1, errors)
    check_ink_start(render(pdf, 1, int(v["dpi"]), folder), v, 1, errors)
    return errors


def check_words(pdf, v, list_dir, folder):
    errors = []
    pages = page_count(pdf)
    if pages < int(v["minpages"]):
        errors.append("expected at least %s pages, found %d" % (v["minpages"], pages))
    with open(os.path.join(list_dir, v["file"]), encoding="latin-1", newline="") as f:
        text = f.read()
    want = text.split()
    paragraphs = [p.split() for p in text.split("\r\n")]
    dpi, left, top = geometry(v)
    scale = dpi / 72.0
    right = int(v["offx"]) + int(v["paperw"])
    per_page = (int(v["paperh"]) - int(v["y"])) // int(v["line"])
    layouts = [text_layout(pdf, p) for p in range(1, pages + 1)]
    got = [w[0] for lines in layouts for line in lines for w in line[3]]
    if got != want:
        missing = [w for w in want if w not in got]
        errors.append("words differ: %d printed, %d expected; missing %s; first printed %s" % (
            len(got), len(want), missing[:5], got[:5]))
        return errors
    # Each line ends inside the printable area; one that ends inside a paragraph does so because
    # its paragraph's next word would have reached past the right edge (measured by that word's
    # width and the space before it, as printed).
    all_lines = [line for lines in layouts for line in lines]
    # The width of a space as printed: the narrowest gap between two words of a line.
    gaps = [b[1] - a[2] for line in all_lines for a, b in zip(line[3], line[3][1:])]
    space = min(gaps) if gaps else 0
    at = 0
    for paragraph in paragraphs:
        taken = 0
        while taken < len(paragraph):
            line = all_lines[at]
            words = line[3]
            if line[2] * scale > right + 1:
                errors.append("the line %r ends at x %.1f, past %d" % (
                    " ".join(w[0] for w in words), line[2] * scale, right))
            taken += len(words)
            at += 1
            if taken < len(paragraph):
                following = all_lines[at][3][0]
                reach = (line[2] + space + following[2] - following[1]) * scale
                if reach <= right - 2:
                    errors.append("the line %r was wrapped before %r, which fitted (to x %.1f "
                                  "of %d)" % (" ".join(w[0] for w in words), following[0],
                                              reach, right))
    for p, lines in enumerate(layouts, 1):
        check_lines(lines, v, p, errors)
        if p < pages and len(lines) != per_page:
            errors.append("page %d holds %d lines, expected %d" % (p, len(lines), per_page))
        box = check_ink_start(render(pdf, p, dpi, folder), v, p, errors)
        if box is not None and box[2] > right:
            errors.append("page %d: ink up to x %d, past %d" % (p, box[2], right))
    return errors


def main():
    pdf_dir, list_dir = sys.argv[1], sys.argv[2]
    listing = os.path.join(list_dir, "printed.tsv")
    if not os.path.exists(listing):
        print("printed pages: FAIL: nothing listed (%s is missing)" % listing)
        return 1
    failed = 0
    checked = 0
    with open(listing, encoding="utf-8") as f, tempfile.TemporaryDirectory() as folder:
        for line in f:
            if not line.strip():
                continue
            pdf, kind, v = parse(line)
            path = os.path.join(pdf_dir, pdf)
            try:
                if kind == "image":
                    errors = check_image(path, v, list_dir, folder)
                elif kind == "text":
                    errors = check_text(path, v, folder)
                elif kind == "words":
                    errors = check_words(path, v, list_dir, folder)
                elif kind == "chars":
                    errors = check_chars(path, v) + check_glyphs_below(path, v, folder)
                else:
                    errors = ["unknown check %r" % kind]
            except (OSError, subprocess.CalledProcessError, KeyError, ValueError) as e:
                errors = ["could not check: %s" % e]
            checked += 1
            if errors:
                failed += 1
                print("FAIL %s (%s): %s" % (pdf, kind, "; ".join(errors)))
            else:
                print("ok   %s (%s)" % (pdf, kind))
    print("printed pages: %d checked, %d failed" % (checked, failed))
    if checked == 0:
        print("printed pages: FAIL: the list is empty")
        return 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
