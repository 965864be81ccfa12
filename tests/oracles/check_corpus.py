#!/usr/bin/python3
"""Decodes every file of the round-trip corpus with one independent decoder and compares the
pixels with the colours the file was written from.

Run with Debian's /usr/bin/python3 (the one that has Pillow):
    check_corpus.py --corpus DIR --decoder NAME [--verbose]

The corpus (written by make_corpus) holds manifest.tsv and, for every image, the expected
colours as a binary PPM. Each decoder below reads only some formats and depths; a file it cannot
read is reported as skipped with the reason, never counted as passed. A decoder that is missing
from the machine fails its test.
"""

import argparse
import concurrent.futures
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT = 60  # seconds per decoder run; omggif, for one, can loop forever on a bad stream


class DecodeError(Exception):
    pass


# The one libtiff warning our files raise: the TIFF writer puts a Predictor entry (value 1, none)
# in every file, and libtiff only knows that tag while an LZW or Deflate codec is active, so for
# uncompressed and PackBits files it warns "Unknown field with tag 317". The entry is valid TIFF
# that a baseline reader ignores; this exact warning, and nothing else, is let through.
PREDICTOR_WARNING = "Unknown field with tag 317 (0x13d) encountered"


def tolerated(entry):
    if entry and entry["format"] == "tif" and entry["compression"] in ("none", "packbits"):
        return [PREDICTOR_WARNING]
    return []


def unexpected_lines(stderr, allowed):
    return [line for line in stderr.decode(errors="replace").splitlines()
            if line.strip() and not any(a in line for a in allowed)]


def run(args, stdin=None, allowed=()):
    """Runs a program; an error status, or any text on stderr but the allowed warnings, fails."""
    try:
        done = subprocess.run(args, input=stdin, capture_output=True, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        raise DecodeError("%s timed out" % os.path.basename(args[0]))
    if done.returncode != 0:
        raise DecodeError("%s exit %d: %s" % (os.path.basename(args[0]), done.returncode,
                                              done.stderr.decode(errors="replace").strip()[:300]))
    extra = unexpected_lines(done.stderr, allowed)
    if extra:
        raise DecodeError("%s wrote to stderr: %s" % (os.path.basename(args[0]),
                                                      " | ".join(extra)[:300]))
    return done.stdout


def parse_pnm(data):
    """(width, height, RGB bytes) of a binary PPM (P6) or PGM (P5) with maxval 255."""
    fields = []
    at = 0
    while len(fields) < 4:
        while at < len(data) and data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            while data[at:at + 1] not in (b"\n", b""):
                at += 1
            continue
        start = at
        while at < len(data) and not data[at:at + 1].isspace():
            at += 1
        if start == at:
            raise DecodeError("PNM header ends early")
        fields.append(data[start:at])
    magic, width, height, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    at += 1
    if maxval != 255:
        raise DecodeError("PNM maxval %d" % maxval)
    body = data[at:]
    if magic == b"P6":
        pixels = body[:3 * width * height]
    elif magic == b"P5":
        pixels = bytes(v for g in body[:width * height] for v in (g, g, g))
    else:
        raise DecodeError("PNM type %r" % magic)
    if len(pixels) != 3 * width * height:
        raise DecodeError("PNM data short")
    return width, height, pixels


def read_uncompressed_tiff(path):
    """Pixels of the 8-bit RGB or RGBA, uncompressed, chunky TIFF that tiff2rgba writes."""
    import struct
    data = open(path, "rb").read()
    if data[:4] != b"II*\0":
        raise DecodeError("tiff2rgba output is not a little-endian TIFF")
    (ifd,) = struct.unpack_from("<I", data, 4)
    (count,) = struct.unpack_from("<H", data, ifd)
    tags = {}
    sizes = {3: 2, 4: 4}
    for i in range(count):
        tag, kind, n, value = struct.unpack_from("<HHII", data, ifd + 2 + 12 * i)
        if kind not in sizes:
            continue
        fmt = "<" + ("H" if kind == 3 else "I") * n
        at = ifd + 2 + 12 * i + 8 if n * sizes[kind] <= 4 else value
        tags[tag] = struct.unpack_from(fmt, data, at)
    width, height = tags[256][0], tags[257][0]
    samples = tags.get(277, (1,))[0]
    if tags.get(259, (1,))[0] != 1 or samples not in (3, 4):
        raise DecodeError("unexpected tiff2rgba output")
    raw = b"".join(data[o:o + c] for o, c in zip(tags[273], tags[279]))
    raw = raw[:width * height * samples]
    if samples == 4:
        raw = bytes(b for i in range(0, len(raw), 4) for b in raw[i:i + 3])
    return width, height, raw


def parse_gifbuild_dump(text):
    """Pixels from the text dump of `gifbuild -d`: the screen map and the image's index rows."""
    colors, names = [], {}
    lines = text.splitlines()
    rows, width, height, hexmode, i = [], 0, 0, False, 0
    while i < len(lines):
        words = lines[i].split()
        if len(words) >= 4 and words[0] == "rgb":
            colors.append(bytes(int(w) for w in words[1:4]))
            if len(words) >= 6 and words[4] == "is":
                names[words[5]] = len(colors) - 1
        elif words[:2] == ["image", "bits"]:
            width, height = int(words[2]), int(words[4])
            hexmode = words[-1] == "hex"
            rows = lines[i + 1:i + 1 + height]
            break
        i += 1
    if not rows or len(rows) != height:
        raise DecodeError("gifbuild dump has no image")
    out = bytearray()
    for row in rows:
        if hexmode:
            indices = [int(row[2 * k:2 * k + 2], 16) for k in range(width)]
        else:
            indices = [names[c] if c in names else int(c, 16) for c in row[:width]]
        if len(indices) != width:
            raise DecodeError("gifbuild row of %d pixels" % len(indices))
        for index in indices:
            out += colors[index]
    return width, height, bytes(out)


# ---- decoders: each returns (width, height, RGB bytes) or raises DecodeError -------------------

def decode_libtiff(entry, tmp):
    path, allowed = entry["path"], tolerated(entry)
    run(["tiffinfo", "-D", path], allowed=allowed)
    out = os.path.join(tmp, "rgba.tif")
    run(["tiff2rgba", "-c", "none", path, out], allowed=allowed)
    return read_uncompressed_tiff(out)


def decode_giflib(path, tmp, width, height):
    out = os.path.join(tmp, "out.rgb")
    run(["gif2rgb", "-1", "-o", out, path])
    rgb = open(out, "rb").read()
    if len(rgb) != 3 * width * height:
        raise DecodeError("gif2rgb wrote %d bytes" % len(rgb))
    dumped = parse_gifbuild_dump(run(["gifbuild", "-d", path]).decode())
    if dumped != (width, height, rgb):
        raise DecodeError("gifbuild -d and gif2rgb disagree")
    return width, height, rgb


NETPBM_TOOLS = {"bmp": "bmptopnm", "gif": "giftopnm", "tif": "tifftopnm", "pcx": "pcxtoppm",
                "png": "pngtopnm"}


def decode_netpbm(entry):
    # -quiet drops the programs' informational lines; warnings and errors still reach stderr.
    pnm = run([NETPBM_TOOLS[entry["format"]], "-quiet", entry["path"]], allowed=tolerated(entry))
    ppm = run(["ppmtoppm", "-quiet"], stdin=pnm)
    return parse_pnm(run(["pamdepth", "-quiet", "255"], stdin=ppm))


def decode_imagemagick(entry):
    args = ["/usr/bin/convert", "-regard-warnings", entry["path"] + "[0]", "-depth", "8", "ppm:-"]
    allowed = tolerated(entry)
    try:
        return parse_pnm(run(args))
    except DecodeError as error:
        # -regard-warnings turns the tolerated libtiff warning into a failure: read the file again
        # without it, and still accept no other message.
        if not allowed or not any(a in str(error) for a in allowed):
            raise
        return parse_pnm(run([a for a in args if a != "-regard-warnings"], allowed=allowed))


def decode_pillow(path, fmt):
    from PIL import Image
    expected = {"bmp": "BMP", "gif": "GIF", "tif": "TIFF", "pcx": "PCX", "png": "PNG"}[fmt]
    try:
        with Image.open(path) as image:
            if image.format != expected:
                raise DecodeError("Pillow reads it as %s" % image.format)
            image.load()
            rgb = image.convert("RGB")
            return rgb.width, rgb.height, rgb.tobytes()
    except DecodeError:
        raise
    except Exception as error:  # Pillow raises many kinds
        raise DecodeError("Pillow: %s" % error)


def decode_pngcheck(entry):
    """pngcheck verifies every chunk, CRC and the zlib stream and must report no error; the
    pixels then come from libpng through netpbm's pngtopnm."""
    out = run(["pngcheck", "-v", entry["path"]]).decode(errors="replace")
    if "No errors detected" not in out:
        raise DecodeError("pngcheck: %s" % out.strip().splitlines()[-1][:300])
    return decode_netpbm(entry)


def decode_ffmpeg(entry):
    path, width, height = entry["path"], entry["width"], entry["height"]
    # ffmpeg exits 0 after many decode errors: with -loglevel error any stderr text fails.
    rgb = run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-i", path,
               "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"])
    if len(rgb) != 3 * width * height:
        raise DecodeError("ffmpeg gave %d bytes" % len(rgb))
    return width, height, rgb


def decode_ffmpeg_batch(entries, out_dir, chunk=40):
    """Decodes the files in runs of `chunk` inputs per ffmpeg process, which saves a start-up per
    file. A run with any message or error status says nothing about which file caused it: its
    files are then decoded one by one. Returns the decode function over the results."""
    done = {}
    for start in range(0, len(entries), chunk):
        part = entries[start:start + chunk]
        args = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"]
        for e in part:
            args += ["-i", e["path"]]
        outputs = []
        for i, e in enumerate(part):
            out = os.path.join(out_dir, "%d.rgb" % (start + i))
            outputs.append(out)
            args += ["-map", "%d:v" % i, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24",
                     out]
        try:
            result = subprocess.run(args, capture_output=True, timeout=4 * TIMEOUT)
            clean = result.returncode == 0 and not result.stderr.strip()
        except subprocess.TimeoutExpired:
            clean = False
        if clean:
            for e, out in zip(part, outputs):
                done[e["file"]] = out

    def decode(entry, tmp):
        if entry["file"] not in done:
            return decode_ffmpeg(entry)
        rgb = open(done[entry["file"]], "rb").read()
        if len(rgb) != 3 * entry["width"] * entry["height"]:
            raise DecodeError("ffmpeg gave %d bytes" % len(rgb))
        return entry["width"], entry["height"], rgb
    return decode


def parse_npm_output(out):
    line, _, rgb = out.partition(b"\n")
    width, height = (int(v) for v in line.split())
    return width, height, rgb


def decode_npm(name, entry):
    """One file in a node process of its own (under a timeout: omggif can loop forever)."""
    out = run(["timeout", str(TIMEOUT), "node", os.path.join(HERE, "npm_decode.js"), name,
               entry["path"]])
    return parse_npm_output(out)


def decode_npm_batch(name, entries, out_dir):
    """Decodes all files in one node process, which saves a start-up per file. Returns a decode
    function that takes the batch's result for a file and falls back to a run of its own for a
    file the batch did not finish (a crash or the timeout)."""
    args = ["timeout", str(4 * TIMEOUT), "node", os.path.join(HERE, "npm_decode.js"), name,
            "--batch", out_dir] + [e["path"] for e in entries]
    subprocess.run(args, capture_output=True)
    index = {e["file"]: i for i, e in enumerate(entries)}

    def decode(entry, tmp):
        base = os.path.join(out_dir, str(index[entry["file"]]))
        if os.path.exists(base + ".rgb"):
            return parse_npm_output(open(base + ".rgb", "rb").read())
        if os.path.exists(base + ".err"):
            raise DecodeError("%s: %s" % (name, open(base + ".err").read().strip()[:300]))
        return decode_npm(name, entry)
    return decode


# ---- what each decoder reads --------------------------------------------------------------------
# support(entry) returns None when the decoder is an oracle for the file, or the reason it is not.

def formats(*names):
    return lambda e: None if e["format"] in names else "does not read %s" % e["format"]


# Measured on this corpus (Debian 12 packages, npm utif 3.1.0, omggif 1.0.10, bmp-js 0.1.0):
#   libtiff      TIFF at 1, 4, 8, 24 bits, every compression.
#   giflib       GIF at 1, 4, 8 bits; gif2rgb gives the pixels, gifbuild -d must agree.
#   netpbm       BMP, GIF, TIFF, PCX at every depth.
#   ImageMagick  BMP, GIF, TIFF, PCX, except 1-bit PCX (every set bit reads as black) and images
#                over 16000 pixels wide (the distribution's resource policy). It turns
#                a TIFF ColorMap value v into the 8-bit floor(v / 257): the writer's values,
#                component x 256, come back one lower for every component above 0. Its expected
#                palette colours are adjusted by that rule, not by a tolerance.
#   Pillow       BMP, GIF, TIFF, PCX; a 1-bit PCX is read as black and white whatever its colour
#                map, so only 1-bit PCX files with a black and white table are compared.
#   ffmpeg       as Pillow, with the same 1-bit PCX rule.
#   UTIF         TIFF black-and-white 1-bit, 8-bit palette and 24-bit RGB; its palette code
#                indexes a 256-entry map with one byte per pixel, so 1-bit palette and 4-bit
#                TIFFs are not compared.
#   omggif       GIF at every depth (run under a timeout).
#   pngcheck     PNG: every chunk, CRC and the zlib stream checked, pixels through libpng.
#   pngjs        PNG at every depth (pngjs 7, its own inflate filter code over Node's zlib).
#   netpbm, ImageMagick, Pillow and ffmpeg read PNG too.
#   bmp-js       BMP at 1, 4, 8, 24, 32 bits; it takes the rows to follow its own idea of the
#                table (2^depth entries, none at 32 bits) instead of bfOffBits, so 32-bit files
#                that carry a table are not compared.

def imagemagick_support(e):
    if e["format"] == "pcx" and e["depth"] == 1:
        return "reads every set bit of a 1-bit PCX as black, whatever the colour map"
    if max(e["width"], e["height"]) > 16000:
        return "Debian's policy.xml refuses images over 16000 pixels wide or high"
    return None


def bw_pcx_only(e):
    if e["format"] == "pcx" and e["depth"] == 1 and e["palette"] != "bw":
        return "reads a 1-bit PCX as black and white, ignoring its colour map"
    return None


def utif_support(e):
    if e["format"] != "tif":
        return "does not read %s" % e["format"]
    if e["depth"] == 4 or (e["depth"] == 1 and e["palette"] != "bw"):
        return "reads palette TIFFs at 8 bits only"
    return None


def bmpjs_support(e):
    if e["format"] != "bmp":
        return "does not read %s" % e["format"]
    if e["depth"] == 32:
        with open(e["path"], "rb") as f:
            off_bits = int.from_bytes(f.read(14)[10:14], "little")
        if off_bits != 54:
            return "ignores bfOffBits: a 32-bit file with a colour table"
    return None


def imagemagick_expected(entry, rgb):
    """ImageMagick's reading of the TIFF ColorMap: each 16-bit value v becomes floor(v / 257)."""
    if entry["format"] != "tif" or entry["palette"] != "color":
        return rgb
    return bytes(c * 256 // 257 for c in rgb)


DECODERS = {
    "libtiff": (formats("tif"), decode_libtiff),
    "giflib": (formats("gif"),
               lambda e, tmp: decode_giflib(e["path"], tmp, e["width"], e["height"])),
    "netpbm": (formats("bmp", "gif", "tif", "pcx", "png"), lambda e, tmp: decode_netpbm(e)),
    "pngcheck": (formats("png"), lambda e, tmp: decode_pngcheck(e)),
    "pngjs": (formats("png"), lambda e, tmp: decode_npm("pngjs", e)),
    "imagemagick": (imagemagick_support, lambda e, tmp: decode_imagemagick(e)),
    "pillow": (bw_pcx_only, lambda e, tmp: decode_pillow(e["path"], e["format"])),
    "ffmpeg": (bw_pcx_only, lambda e, tmp: decode_ffmpeg(e)),
    "utif": (utif_support, lambda e, tmp: decode_npm("utif", e)),
    "omggif": (formats("gif"), lambda e, tmp: decode_npm("omggif", e)),
    "bmpjs": (bmpjs_support, lambda e, tmp: decode_npm("bmpjs", e)),
}

EXPECTED = {"imagemagick": imagemagick_expected}
NPM_DECODERS = ("utif", "omggif", "bmpjs", "pngjs")

TOOLS = {
    "libtiff": ["tiffinfo", "tiff2rgba"],
    "giflib": ["gif2rgb", "gifbuild"],
    "netpbm": ["bmptopnm", "giftopnm", "tifftopnm", "pcxtoppm", "pngtopnm", "ppmtoppm",
               "pamdepth"],
    "pngcheck": ["pngcheck", "pngtopnm", "ppmtoppm", "pamdepth"],
    "pngjs": ["node", "timeout"],
    "imagemagick": ["/usr/bin/convert"],
    "pillow": [],
    "ffmpeg": ["ffmpeg"],
    "utif": ["node", "timeout"],
    "omggif": ["node", "timeout"],
    "bmpjs": ["node", "timeout"],
}


def read_manifest(corpus):
    entries = []
    with open(os.path.join(corpus, "manifest.tsv")) as manifest:
        for line in manifest:
            f = line.rstrip("\n").split("\t")
            entries.append({"file": f[0], "path": os.path.join(corpus, f[0]), "format": f[1],
                            "depth": int(f[2]), "compression": f[3], "width": int(f[4]),
                            "height": int(f[5]), "expected": os.path.join(corpus, f[6]),
                            "palette": f[7], "notes": f[8] if len(f) > 8 else ""})
    return entries


def compare(entry, decoded, adjust):
    width, height, rgb = decoded
    if (width, height) != (entry["width"], entry["height"]):
        return "size %dx%d, expected %dx%d" % (width, height, entry["width"], entry["height"])
    _, _, expected = parse_pnm(open(entry["expected"], "rb").read())
    expected = adjust(entry, expected)
    if rgb == expected:
        return None
    wrong = sum(1 for i in range(0, len(expected), 3) if rgb[i:i + 3] != expected[i:i + 3])
    first = next(i for i in range(0, len(expected), 3) if rgb[i:i + 3] != expected[i:i + 3])
    return "%d of %d pixels differ; first at (%d,%d): %s, expected %s" % (
        wrong, width * height, (first // 3) % width, (first // 3) // width,
        rgb[first:first + 3].hex(), expected[first:first + 3].hex())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--decoder", required=True, choices=sorted(DECODERS))
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    missing = [t for t in TOOLS[args.decoder] if shutil.which(t) is None]
    if args.decoder in NPM_DECODERS and not os.path.isdir(os.path.join(HERE, "node_modules")):
        missing.append("tests/oracles/node_modules (npm ci)")
    if args.decoder == "pillow":
        try:
            import PIL  # noqa: F401
        except ImportError:
            missing.append("Pillow for %s" % sys.executable)
    if missing:
        print("%s: not installed: %s" % (args.decoder, ", ".join(missing)))
        return 1

    support, decode = DECODERS[args.decoder]
    adjust = EXPECTED.get(args.decoder, lambda entry, rgb: rgb)
    skipped = {}
    chosen = []
    for entry in read_manifest(args.corpus):
        reason = support(entry)
        if reason:
            skipped[reason] = skipped.get(reason, 0) + 1
        else:
            chosen.append(entry)

    def check(entry):
        with tempfile.TemporaryDirectory() as tmp:
            try:
                return entry, compare(entry, decode(entry, tmp), adjust)
            except DecodeError as error:
                return entry, str(error)

    batch_dir = tempfile.TemporaryDirectory()
    if args.decoder in NPM_DECODERS:
        decode = decode_npm_batch(args.decoder, chosen, batch_dir.name)
    elif args.decoder == "ffmpeg":
        decode = decode_ffmpeg_batch(chosen, batch_dir.name)

    checked, failed = len(chosen), 0
    # Pillow decodes in this process, and its libtiff reader works on file descriptors that other
    # threads would close under it: one file at a time there. The others run separate programs.
    workers = 1 if args.decoder == "pillow" else (os.cpu_count() or 2)
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        for entry, problem in pool.map(check, chosen):
            if problem:
                failed += 1
                print("FAIL %s: %s (%s)" % (entry["file"], problem, entry["notes"]))
            elif args.verbose:
                print("ok   %s" % entry["file"])
    batch_dir.cleanup()
    for reason, count in sorted(skipped.items()):
        print("skipped %d: %s" % (count, reason))
    print("%s: %d files decoded, %d matched, %d failed" % (args.decoder, checked,
                                                           checked - failed, failed))
    return 1 if failed or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
