#!/usr/bin/env python3
"""Turns a compiled catalogue (.mo) of the pages' texts into the JSON catalogue
the reader hands to its pages: {"lang": ..., "messages": {English: translation}}.

usage: page-catalogue.py LANG INPUT.mo OUTPUT.json"""
import json
import struct
import sys
from pathlib import Path


def messages(data):
    magic = struct.unpack_from("<I", data)[0]
    order = "<" if magic == 0x950412DE else ">"
    _, count, originals, translations = struct.unpack_from(order + "4I", data, 4)
    found = {}
    for i in range(count):
        length, offset = struct.unpack_from(order + "2I", data, originals + 8 * i)
        msgid = data[offset:offset + length].decode("utf-8")
        length, offset = struct.unpack_from(order + "2I", data, translations + 8 * i)
        msgstr = data[offset:offset + length].decode("utf-8")
        # The header, and entries with context or plurals, are not page texts.
        if msgid and "\x00" not in msgid and "\x04" not in msgid:
            found[msgid] = msgstr
    return found


def main(lang, mo, output):
    catalogue = {"lang": lang, "messages": dict(sorted(messages(Path(mo).read_bytes()).items()))}
    Path(output).write_text(json.dumps(catalogue, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
