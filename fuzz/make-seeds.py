#!/usr/bin/env python3
"""Seed inputs for the fuzzers: small flipbook-like archives with links,
directories and both compression methods, and a few metadata texts."""
import io
import json
import os
import stat
import struct
import sys
import zlib
import zipfile

out = sys.argv[1]
os.makedirs(f"{out}/unpack", exist_ok=True)
os.makedirs(f"{out}/metadata", exist_ok=True)


def link(z, name, target):
    info = zipfile.ZipInfo(name)
    info.create_system = 3
    info.external_attr = (stat.S_IFLNK | 0o777) << 16
    z.writestr(info, target)


meta = {"id": "abc", "app": 1, "title": "T &amp; t", "cover": "files\\/user\\/a.jpg", "num_pages": 3}
for n, variant in enumerate(["plain", "links", "deflate"]):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        z.writestr("metadata.brivane", json.dumps(meta))
        z.writestr("files/user/a.jpg", b"\xff\xd8" * 40, compress_type=zipfile.ZIP_DEFLATED)
        z.writestr("files/toc/", b"")
        if variant == "links":
            link(z, "files/latest", "user/a.jpg")
            link(z, "up", "files/..")
        if variant == "deflate":
            z.writestr("flipbook.pdf", b"%PDF-1.4 " * 300, compress_type=zipfile.ZIP_DEFLATED)
    open(f"{out}/unpack/seed{n}.zip", "wb").write(buf.getvalue())

# Names that need a second look: "./" and "//", and a Unicode Path extra
# field (0x7075) that must not rename its entry.
buf = io.BytesIO()
with zipfile.ZipFile(buf, "w") as z:
    z.writestr("./files//user/b.jpg", b"jpeg")
    renamed = zipfile.ZipInfo("other.txt")
    renamed.extra = struct.pack("<HHBI", 0x7075, 5 + 16, 1, zlib.crc32(b"other.txt")) + b"metadata.brivane"
    z.writestr(renamed, b"{}")
open(f"{out}/unpack/seed3.zip", "wb").write(buf.getvalue())

texts = [json.dumps(meta), '{"id": 5}', '[1,2]', '{"id":"a/b"}', '{"id":"x","title":"files\\/toc"}',
         '{"id":"x","a":"files\\/files\\/user files\\/backgrounds\\/b files\\/tocfiles\\/"}',
         '{"id":"x","n":[100000.0,1e20,-0.0,2.5e-3]}', '{"app":2}\0text', '[' * 600 + ']' * 600]
for n, text in enumerate(texts):
    open(f"{out}/metadata/seed{n}.json", "w").write(text)
