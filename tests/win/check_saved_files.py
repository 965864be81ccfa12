#!/usr/bin/python3
"""Decodes the files that the Windows tests saved through the save commands and compares every
pixel with the colours the tests listed for it.

    check_saved_files.py FOLDER

FOLDER holds manifest.tsv and the files, in the layout of tests/oracles/check_corpus.py, which
does the decoding: this runs it once per decoder (netpbm, Pillow, libtiff, giflib, pngcheck)
and fails when any decoder fails a file, is missing, or when the folder lists no files at all
(the tests did not run or wrote nothing). scripts/wine-tests.sh runs it after each display depth.
Run with Debian's /usr/bin/python3 (the one that has Pillow).
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "..", "oracles", "check_corpus.py")
# ImageMagick, ffmpeg and the npm decoders read the encoders' own corpus (tests/oracles); here
# four decoders that share no code with each other keep the check within seconds per depth.
DECODERS = ("netpbm", "pillow", "libtiff", "giflib", "pngcheck")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = sys.argv[1]
    manifest = os.path.join(folder, "manifest.tsv")
    if not os.path.isfile(manifest) or os.path.getsize(manifest) == 0:
        print("check_saved_files: no saved files listed in %s" % manifest)
        return 1
    with open(manifest) as listing:
        formats = {}
        for line in listing:
            fields = line.split("\t")
            formats[fields[1]] = formats.get(fields[1], 0) + 1
    print("check_saved_files: %s" % ", ".join("%d %s" % (n, f) for f, n in sorted(formats.items())))
    failed = []
    for decoder in DECODERS:
        done = subprocess.run([sys.executable, CHECKER, "--corpus", folder, "--decoder", decoder],
                              capture_output=True, text=True)
        for line in done.stdout.splitlines():
            if not line.startswith("skipped"):
                print("  " + line)
        if done.returncode != 0:
            failed.append(decoder)
            if done.stderr.strip():
                print("  " + done.stderr.strip()[-500:])
    if failed:
        print("check_saved_files: FAILED with %s" % ", ".join(failed))
        return 1
    print("check_saved_files: every file decoded to the listed colours")
    return 0


if __name__ == "__main__":
    sys.exit(main())
