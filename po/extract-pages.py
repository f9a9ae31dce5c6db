#!/usr/bin/env python3
"""Writes the texts of the shipped HTML pages as a gettext template: the text of
elements marked data-i18n, and every aria-label, title and alt attribute (the
page script translates exactly these).

usage: extract-pages.py OUTPUT.pot ROOT FILE..."""
import sys
from html.parser import HTMLParser
from pathlib import Path

ATTRIBUTES = ("aria-label", "title", "alt")


class Texts(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.found = []  # (line, text)
        self.open = []  # [line, collected text] per data-i18n element being read

    def handle_starttag(self, tag, attrs):
        line = self.getpos()[0]
        attrs = dict(attrs)
        for name in ATTRIBUTES:
            if (attrs.get(name) or "").strip():
                self.found.append((line, attrs[name]))
        if "data-i18n" in attrs:
            self.open.append([line, "", tag])

    def handle_data(self, data):
        for entry in self.open:
            entry[1] += data

    def handle_endtag(self, tag):
        if self.open and self.open[-1][2] == tag:
            line, text, _ = self.open.pop()
            self.found.append((line, text.strip()))


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def main(output, root, files):
    entries = {}
    for name in files:
        parser = Texts()
        parser.feed(Path(root, name).read_text(encoding="utf-8"))
        for line, text in parser.found:
            entries.setdefault(text, []).append(f"{name}:{line}")
    lines = ['msgid ""', 'msgstr ""', '"Content-Type: text/plain; charset=UTF-8\\n"', ""]
    for text, places in entries.items():
        lines += ["#: " + " ".join(places), "msgid " + quote(text), 'msgstr ""', ""]
    Path(output).write_text("\n".join(lines), encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
