#!/usr/bin/env python3
"""Builds the user's manual of one product identity from docs/manual/.

The pages are written once for both identities; @PRODUCT@, @PRODUCT_UPPER@ and @HELP_FILE@
are filled in here. The script writes the filled pages with a contents file (.hhc), a keyword
index (.hhk) and a project (.hhp) into a work folder, compiles them with chmcmd into
<PRODUCT>.CHM, and renders the same pages as plain text into <PRODUCT>.DOC (CRLF lines, 78
columns), both in the output folder.

    build-manual.py SOURCE_DIR WORK_DIR OUT_DIR PRODUCT HELP_FILE
"""
import html
import html.parser
import os
import re
import shutil
import subprocess
import sys
import textwrap

WIDTH = 78


def read_contents(source):
    """The contents list: (level, file) per line, two spaces of indentation per level."""
    entries = []
    with open(os.path.join(source, "contents.txt"), encoding="ascii") as f:
        for line in f:
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            indent = len(line) - len(line.lstrip(" "))
            entries.append((indent // 2, line.strip()))
    return entries


def fill(text, product, help_file):
    return (text.replace("@PRODUCT_UPPER@", product.upper())
            .replace("@PRODUCT@", product)
            .replace("@HELP_FILE@", help_file))


def page_title(page):
    match = re.search(r"<title>(.*?)</title>", page, re.S)
    return html.unescape(match.group(1).strip()) if match else ""


def page_keywords(page):
    match = re.search(r'<meta name="keywords" content="([^"]*)"', page)
    if not match:
        return []
    return [k.strip() for k in html.unescape(match.group(1)).split(";") if k.strip()]


class TextRenderer(html.parser.HTMLParser):
    """Plain text of a page: headings underlined, paragraphs and list items wrapped, table rows
    on one line, pictures named by their alternative text."""

    BLOCKS = {"p", "li", "h1", "h2", "h3", "td", "th", "dt", "dd", "pre", "caption"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.lines = []
        self.block = None  # tag of the block being collected
        self.words = []
        self.row = None    # cells of the table row being collected
        self.list_depth = 0
        self.in_head = False

    def handle_starttag(self, tag, attrs):
        if tag == "head":
            self.in_head = True
        elif tag in ("ul", "ol"):
            self.list_depth += 1
        elif tag == "tr":
            self.row = []
        elif tag == "br" and self.block is not None:
            self.words.append("\n")
        elif tag == "img":
            alt = dict(attrs).get("alt", "")
            self.flush()
            self.lines += ["[Picture: %s]" % alt, ""]
        elif tag in self.BLOCKS:
            self.flush()
            self.block = tag

    def handle_endtag(self, tag):
        if tag == "head":
            self.in_head = False
        elif tag in ("ul", "ol"):
            self.list_depth -= 1
            if self.list_depth == 0:
                self.lines.append("")
        elif tag == "tr":
            if self.row is not None:
                self.emit("   ".join(self.row), "row")
            self.row = None
        elif tag in self.BLOCKS and tag == self.block:
            self.flush()

    def handle_data(self, data):
        if self.block is not None and not self.in_head:
            self.words.append(data)

    def flush(self):
        if self.block is None:
            return
        tag, self.block = self.block, None
        text = "".join(self.words)
        self.words = []
        if tag == "pre":
            self.lines += text.strip("\n").split("\n") + [""]
            return
        text = " ".join(text.split())
        if tag in ("td", "th") and self.row is not None:
            self.row.append(text)
            return
        self.emit(text, tag)

    def emit(self, text, tag):
        if tag == "h1":
            self.lines += [text, "=" * len(text), ""]
        elif tag in ("h2", "h3"):
            self.lines += [text, "-" * len(text), ""]
        elif tag == "li":
            indent = "  " * (self.list_depth - 1)
            self.lines += textwrap.wrap(text, WIDTH, initial_indent=indent + "- ",
                                        subsequent_indent=indent + "  ",
                                        break_on_hyphens=False, break_long_words=False)
        elif tag == "row":
            self.lines += textwrap.wrap(text, WIDTH, subsequent_indent="    ",
                                        break_on_hyphens=False, break_long_words=False)
        else:
            self.lines += textwrap.wrap(text, WIDTH, break_on_hyphens=False,
                                        break_long_words=False) + [""]


def render_text(page):
    renderer = TextRenderer()
    renderer.feed(page)
    renderer.close()
    renderer.flush()
    lines = renderer.lines
    while lines and lines[-1] == "":
        lines.pop()
    return lines


def sitemap_item(title, target, indent):
    pad = "  " * indent
    return [pad + '<LI> <OBJECT type="text/sitemap">',
            pad + '  <param name="Name" value="%s">' % html.escape(title),
            pad + '  <param name="Local" value="%s">' % target,
            pad + "  </OBJECT>"]


def write_contents(path, titles, entries):
    lines = ["<HTML><HEAD></HEAD><BODY>",
             '<OBJECT type="text/site properties"><param name="ImageType" value="Folder">'
             "</OBJECT>", "<UL>"]
    level = 0
    for depth, name in entries:
        while level < depth:
            lines.append("  " * level + "<UL>")
            level += 1
        while level > depth:
            level -= 1
            lines.append("  " * level + "</UL>")
        lines += sitemap_item(titles[name], name, level + 1)
    while level > 0:
        level -= 1
        lines.append("</UL>")
    lines += ["</UL>", "</BODY></HTML>"]
    with open(path, "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def write_index(path, keywords):
    lines = ["<HTML><HEAD></HEAD><BODY>", "<UL>"]
    for keyword in sorted(keywords, key=str.lower):
        for target in keywords[keyword]:
            lines += sitemap_item(keyword, target, 1)
    lines += ["</UL>", "</BODY></HTML>"]
    with open(path, "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    source, work, out, product, help_file = argv[1:]
    upper = product.upper()
    entries = read_contents(source)
    if os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(work)
    os.makedirs(out, exist_ok=True)

    titles, keywords, text = {}, {}, []
    for _, name in entries:
        with open(os.path.join(source, name), encoding="ascii") as f:
            page = fill(f.read(), product, help_file)
        with open(os.path.join(work, name), "w", encoding="ascii") as f:
            f.write(page)
        titles[name] = page_title(page)
        for keyword in page_keywords(page):
            keywords.setdefault(keyword, []).append(name)
        text += render_text(page) + ["", ""]
    for name in sorted(os.listdir(source)):
        if name.endswith((".png", ".css")):
            shutil.copy(os.path.join(source, name), os.path.join(work, name))

    write_contents(os.path.join(work, "manual.hhc"), titles, entries)
    write_index(os.path.join(work, "manual.hhk"), keywords)
    files = [name for _, name in entries] + sorted(
        n for n in os.listdir(work) if n.endswith((".png", ".css")))
    project = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=%s.CHM" % upper,
               "Contents file=manual.hhc", "Index file=manual.hhk",
               "Default topic=%s" % entries[0][1], "Display compile progress=No",
               "Full-text search=Yes", "Language=0x409 English (United States)",
               "Title=%s User's Manual" % product, "", "[FILES]"] + files
    with open(os.path.join(work, "manual.hhp"), "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(project) + "\n")
    result = subprocess.run(["chmcmd", "--no-html-scan", "manual.hhp"], cwd=work,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    chm = os.path.join(work, upper + ".CHM")
    if result.returncode != 0 or not os.path.isfile(chm):
        print(result.stdout, file=sys.stderr)
        print("build-manual: chmcmd failed for %s" % product, file=sys.stderr)
        return 1
    shutil.copy(chm, os.path.join(out, upper + ".CHM"))
    with open(os.path.join(out, upper + ".DOC"), "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(text).rstrip("\n") + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
