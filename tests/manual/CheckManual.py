#!/usr/bin/env python3
"""Checks the user's manual as built for both identities.

    CheckManual.py SOURCE_DIR BUILD_DIR

- every page of docs/manual is in the table of contents, and the built contents file reaches it;
  the page that Help on Help opens is one of them;
- every link and picture inside the pages resolves (files and #anchors);
- every menu command of both menu resources (walked in resources/*.rc) is named in the manual
  by its full menu path, exactly as the menu shows it, and every accelerator is on the keyboard
  page;
- chmls lists every page and picture inside the compiled .CHM;
- the .DOC holds the text of every paragraph, list item, heading and table cell of every page.
Prints each problem and exits 1 when there is one.
"""
import html
import os
import re
import subprocess
import sys

IDENTITIES = [("Palorin", "WPLNAPMENU"), ("Mendrival", "KOVELAPMENU")]
problems = []


def problem(text):
    problems.append(text)
    print("FAIL: " + text)


def collapse(text):
    return " ".join(text.split())


def plain(fragment):
    """Text of an HTML fragment: tags removed, entities decoded, white space collapsed."""
    return collapse(html.unescape(re.sub(r"<[^>]*>", "", fragment)))


def menu_display(text):
    """A menu item's text as the menu shows it: & marks a letter, a tab starts the key."""
    text = text.replace("\\t", "\t")
    label, _, key = text.partition("\t")
    return collapse(label.replace("&", "")), key.strip()


def walk_menus(source):
    """{menu resource name: [(path, key)]}, walking MenuBody.rc once per menu of Kovel.rc."""
    with open(os.path.join(source, "resources", "Kovel.rc"), encoding="latin-1") as f:
        kovel = f.read()
    with open(os.path.join(source, "resources", "MenuBody.rc"), encoding="latin-1") as f:
        body = f.read()
    menus = {}
    for about, name in re.findall(
            r'#define KOVEL_ABOUT_TEXT "([^"]*)"\s*\n\s*(\w+) MENU', kovel):
        items, stack = [], []
        pending = None
        for line in body.splitlines():
            line = line.split("//")[0].strip()
            popup = re.match(r'POPUP "([^"]*)"', line)
            item = re.match(r'MENUITEM (?:"([^"]*)"|(KOVEL_ABOUT_TEXT))\s*,', line)
            if popup:
                pending = menu_display(popup.group(1))[0]
            elif line == "BEGIN":
                if pending is not None:
                    stack.append(pending)
                pending = None
            elif line == "END":
                if stack:
                    stack.pop()
            elif item:
                label, key = menu_display(item.group(1) or about)
                items.append((" > ".join(stack + [label]), key))
            elif line.startswith("MENUITEM \"") or re.match(r"MENUITEM \w", line) and \
                    "SEPARATOR" not in line:
                problem("unread menu line in MenuBody.rc: " + line)
        menus[name] = items
    if sorted(menus) != sorted(name for _, name in IDENTITIES):
        problem("menus found in Kovel.rc: %s" % sorted(menus))
    return menus


def read_pages(work):
    pages = {}
    for name in sorted(os.listdir(work)):
        if name.endswith(".html"):
            with open(os.path.join(work, name), encoding="ascii") as f:
                pages[name] = f.read()
    return pages


def sitemap_targets(path):
    with open(path, encoding="ascii") as f:
        return re.findall(r'<param name="Local" value="([^"]*)">', f.read())


def check_identity(source, build, product, menu_items, doc_cut=0):
    upper, lower = product.upper(), product.lower()
    work = os.path.join(build, "manual-" + lower)
    sources = sorted(n for n in os.listdir(os.path.join(source, "docs", "manual"))
                     if n.endswith(".html"))
    pages = read_pages(work)
    if sorted(pages) != sources:
        problem("%s: built pages %s differ from the sources %s" % (product, sorted(pages),
                                                                    sources))

    # The page that Help on Help opens exists.
    with open(os.path.join(source, "shell", "HelpCommands.h"), encoding="ascii") as f:
        help_page = re.search(r'#define HelpOnHelpPage "([^"]+)"', f.read())
    if not help_page or help_page.group(1) not in pages:
        problem("%s: the page that Help on Help opens is not in the manual" % product)

    # Reachable from the contents, and the index points at pages that exist.
    contents = sitemap_targets(os.path.join(work, "manual.hhc"))
    for name in sources:
        if name not in contents:
            problem("%s: %s is not in the table of contents" % (product, name))
    index = sitemap_targets(os.path.join(work, "manual.hhk"))
    if len(index) < len(sources):
        problem("%s: the keyword index has only %d entries" % (product, len(index)))
    for target in index:
        if target not in pages:
            problem("%s: index entry points at missing %s" % (product, target))

    # Links and pictures resolve; the product name is filled in everywhere.
    pictures = set()
    for name, page in pages.items():
        if "@" in re.sub(r"<[^>]*>", "", page) and re.search(r"@[A-Z_]+@", page):
            problem("%s: %s keeps a placeholder" % (product, name))
        ids = set(re.findall(r'\bid="([^"]+)"', page))
        for attribute, target in re.findall(r'\b(href|src)="([^"]*)"', page):
            if re.match(r"[a-z]+:", target):
                problem("%s: %s links outside the manual: %s" % (product, name, target))
                continue
            path, _, anchor = target.partition("#")
            if path and not os.path.isfile(os.path.join(work, path)):
                problem("%s: %s: %s %s does not resolve" % (product, name, attribute, target))
            if anchor:
                target_ids = ids if not path else set(
                    re.findall(r'\bid="([^"]+)"', pages.get(path, "")))
                if anchor not in target_ids:
                    problem("%s: %s: anchor %s not found" % (product, name, target))
            if attribute == "src":
                pictures.add(path)
        for image in re.findall(r"<img\b[^>]*>", page):
            if not re.search(r'\balt="[^"]+"', image):
                problem("%s: %s: a picture without alternative text" % (product, name))

    # Every menu command named by its path; every accelerator on the keyboard page.
    named = set()
    for page in pages.values():
        named.update(plain(m) for m in re.findall(r'<span class="menu">(.*?)</span>', page,
                                                   re.S))
    keyboard = plain(pages.get("keyboard.html", ""))
    for path, key in menu_items:
        if path not in named:
            problem("%s: the menu command \"%s\" is not described" % (product, path))
        if key and key not in keyboard:
            problem("%s: the key %s of \"%s\" is not on the keyboard page" % (product, key, path))

    # chmls lists every page and picture.
    chm = os.path.join(build, upper + ".CHM")
    listing = subprocess.run(["chmls", "list", chm], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True).stdout
    listed = set(re.findall(r"\s/(\S+)\s*$", listing, re.M))
    for name in list(pages) + sorted(pictures):
        if name not in listed:
            problem("%s: chmls does not list %s in %s.CHM" % (product, name, upper))

    # The .DOC holds each page's text.
    with open(os.path.join(build, upper + ".DOC"), "rb") as f:
        raw = f.read()
    if b"\n" in raw.replace(b"\r\n", b"") or any(byte > 127 for byte in raw):
        problem("%s.DOC: not ASCII text with CRLF line ends" % upper)
    doc = collapse(raw.decode("ascii", "replace"))
    if doc_cut:
        doc = doc[:-doc_cut]
    for name, page in pages.items():
        body = page.split("<body>", 1)[-1]
        blocks = [plain(m[1]) for m in re.findall(
            r"<(p|li|h1|h2|h3|td|th|pre)\b[^>]*>(.*?)</\1>", body, re.S)]
        blocks += [html.unescape(a) for a in re.findall(r'<img\b[^>]*\balt="([^"]*)"', body)]
        if len(blocks) < 3:
            problem("%s: %s has almost no text" % (product, name))
        for block in blocks:
            if block and block not in doc:
                problem("%s.DOC lacks text of %s: \"%s\"" % (upper, name, block[:70]))


def self_test(source, build, product, items):
    """The checks must see a command, a key and a page's text that the manual lacks."""
    global problems
    kept = problems
    problems = []
    print("self-test: three problems must follow")
    check_identity(source, build, product, items + [("File > No such command", "Ctrl+Q")],
                   doc_cut=200)
    found = problems
    problems = kept
    wanted = ["\"File > No such command\" is not described", "the key Ctrl+Q",
              ".DOC lacks text of using-help.html"]
    for text in wanted:
        if not any(text in p for p in found):
            problem("self-test: the check did not report: " + text)
    if len(found) != len(wanted):
        problem("self-test: %d problems instead of %d" % (len(found), len(wanted)))
    print("self-test done")


def main(argv):
    source, build = argv[1], argv[2]
    menus = walk_menus(source)
    for product, menu in IDENTITIES:
        items = menus.get(menu, [])
        if len(items) < 30:
            problem("only %d items found in %s" % (len(items), menu))
        check_identity(source, build, product, items)
        print("%s: %d menu commands checked" % (product, len(items)))
    self_test(source, build, IDENTITIES[0][0], menus.get(IDENTITIES[0][1], []))
    if problems:
        print("%d problems" % len(problems))
        return 1
    print("the manual passed every check")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
