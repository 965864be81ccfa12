"""The `chars` check of a printed page (called by check_printed_pages.py).

  chars  file: page 1's text layer (pdftotext) holds each line of `file` (| separates lines) as a
         line of its own, in order. The text layer is read as a reader sees it: the direction
         marks pdftotext puts around right-to-left text are dropped and the shaped forms of Arabic
         letters taken back to the letters (NFKC), so that the check sees the characters printed.
"""
import subprocess
import unicodedata

DIRECTION_MARKS = dict.fromkeys(map(ord, "\u200e\u200f\u202a\u202b\u202c\u202d\u202e"))


def printed_lines(pdf):
    out = subprocess.run(["pdftotext", "-layout", "-f", "1", "-l", "1", pdf, "-"],
                         capture_output=True, text=True, check=True).stdout
    lines = []
    for line in out.replace("\f", "").splitlines():
        line = unicodedata.normalize("NFKC", line.translate(DIRECTION_MARKS))
        if line.strip():
            lines.append(" ".join(line.split()))
    return lines


def check_chars(pdf, v):
    want = [unicodedata.normalize("NFKC", line) for line in v["file"].split("|")]
    got = printed_lines(pdf)
    if got != want:
        return ["text layer %r, expected %r" % (got, want)]
    return []
