#!/usr/bin/python3
"""Checks the pages the Wine print tests sent to the PDF printer.

    check_printed_pages.py PDF_DIR LIST_DIR

LIST_DIR/printed.tsv lists one printed PDF (in PDF_DIR) a line: file, kind, values. Values are
key=value words; `file=` takes the rest of the line. Every page is rendered with pdftoppm at the
printer's resolution (one rendered pixel is one printer pixel) and read with pdftotext:

  image  dpi offx offy x y w h ppm: one page; the image of ppm lands at printer pixel (x, y) of
         the printable area (which starts at offx, offy on the sheet) stretched to w x h. The
         inked area matches that rectangle within 1 pixel on each side (rendering blur), and the
         inside pixel of every printed bitmap pixel whose neighbours share its colour has that
         colour within 40 per channel.
  text   dpi offx offy x y pages file: that many pages; the text layer of page 1 has exactly the
         lines of `file` (| separates lines); the ink starts at the corner (x, y).
  words  dpi offx offy x y paperw minpages file: at least minpages pages; the words of the text
         file LIST_DIR/file appear in the text layers, each once, in order, no word split; the
         first paragraph (20 words) wraps onto more than one line; no ink left of x or right of
         the printable area; each page's ink starts at the corner's line.

Exit status 0 when every listed page passes, 1 otherwise (also when nothing is listed: a print
test that listed nothing has not run).
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

TOLERANCE = 40
BLUR = 1


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


def text_lines(pdf, page):
    out = subprocess.run(["pdftotext", "-layout", "-f", str(page), "-l", str(page), pdf, "-"],
                         capture_output=True, text=True, check=True).stdout
    # Runs of spaces are one space: the layout mode spaces words by their positions.
    return [" ".join(line.split()) for line in out.replace("\f", "").splitlines() if line.strip()]


def read_ppm(path):
    return Image.open(path).convert("RGB")


def check_image(pdf, v, list_dir, folder):
    errors = []
    if page_count(pdf) != 1:
        errors.append("expected one page, found %d" % page_count(pdf))
    dpi = int(v["dpi"])
    left = int(v["offx"]) + int(v["x"])
    top = int(v["offy"]) + int(v["y"])
    w, h = int(v["w"]), int(v["h"])
    page = render(pdf, 1, dpi, folder)
    box = ink_box(page)
    want = (left, top, left + w, top + h)
    if box is None or any(abs(a - b) > BLUR for a, b in zip(box, want)):
        errors.append("ink at %s, expected %s (within %d px)" % (box, want, BLUR))
    source = read_ppm(os.path.join(list_dir, v["ppm"]))
    sw, sh = source.size
    sp = source.load()
    pp = page.load()
    wrong = 0
    first = None
    for sy in range(sh):
        for sx in range(sw):
            c = sp[sx, sy]
            if any(sp[min(max(sx + dx, 0), sw - 1), min(max(sy + dy, 0), sh - 1)] != c
                   for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                continue
            px = left + (2 * sx + 1) * w // (2 * sw)
            py = top + (2 * sy + 1) * h // (2 * sh)
            got = pp[px, py]
            if any(abs(a - b) > TOLERANCE for a, b in zip(got, c)):
                wrong += 1
                if first is None:
                    first = "bitmap (%d,%d) at page (%d,%d) is %s, expected %s" % (
                        sx, sy, px, py, got, c)
    if wrong:
        errors.append("%d pixels of the wrong colour; first: %s" % (wrong, first))
    return errors


def check_text(pdf, v, folder):
    errors = []
    pages = page_count(pdf)
    if pages != int(v["pages"]):
        errors.append("expected %s pages, found %d" % (v["pages"], pages))
    want = [" ".join(line.split()) for line in v["file"].split("|")]
    got = text_lines(pdf, 1)
    if got != want:
        errors.append("text layer %r, expected %r" % (got, want))
    page = render(pdf, 1, int(v["dpi"]), folder)
    box = ink_box(page)
    left = int(v["offx"]) + int(v["x"])
    top = int(v["offy"]) + int(v["y"])
    # Glyphs start a little right of and below their cell's corner.
    if box is None or not (left <= box[0] <= left + 30 and top <= box[1] <= top + 60):
        errors.append("ink starts at %s, expected near (%d, %d)" % (box, left, top))
    return errors


def check_words(pdf, v, list_dir, folder):
    errors = []
    pages = page_count(pdf)
    if pages < int(v["minpages"]):
        errors.append("expected at least %s pages, found %d" % (v["minpages"], pages))
    with open(os.path.join(list_dir, v["file"]), encoding="latin-1") as f:
        want = f.read().split()
    lines = []
    for p in range(1, pages + 1):
        lines.extend(text_lines(pdf, p))
    got = " ".join(lines).split()
    if got != want:
        missing = [w for w in want if w not in got]
        errors.append("words differ: %d printed, %d expected; missing %s; first printed %s" % (
            len(got), len(want), missing[:5], got[:5]))
    first_paragraph = [line for line in lines if line.startswith("word") and
                       all(t.startswith("word") for t in line.split())]
    ones = [line for line in first_paragraph if "word1 " in line + " "]
    if not ones or "word20" in ones[0]:
        errors.append("the first paragraph did not wrap: %r" % (ones[:1],))
    left = int(v["offx"]) + int(v["x"])
    right = int(v["offx"]) + int(v["paperw"])
    top = int(v["offy"]) + int(v["y"])
    for p in range(1, pages + 1):
        box = ink_box(render(pdf, p, int(v["dpi"]), folder))
        if box is None:
            errors.append("page %d is blank" % p)
            continue
        if box[0] < left or box[2] > right:
            errors.append("page %d: ink from x %d to %d, outside %d..%d" % (
                p, box[0], box[2], left, right))
        if not top <= box[1] <= top + 60:
            errors.append("page %d: ink starts at y %d, expected near %d" % (p, box[1], top))
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
