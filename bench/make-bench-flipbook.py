#!/usr/bin/env python3
"""Writes a flipbook shaped like a large real one, for the unpack benchmark.

usage: make-bench-flipbook.py OUT.flip [--big-entry MIB]
Default layout: a 150 MiB deflated PDF whose streams are mostly already
compressed, 2,000 stored 40 KiB images, 200 small stored images and 50
deflated style sheets. With --big-entry, one deflated entry of that size
instead (for watching memory use as entries grow).
"""
import json
import os
import random
import sys
import zipfile

MIB = 1 << 20


def pdf_like(size, rng):
    # Mostly high-entropy streams (images, fonts already deflated), some text.
    parts = [b"%PDF-1.7\n"]
    written = len(parts[0])
    n = 0
    while written < size:
        n += 1
        if n % 8 == 0:
            body = (b"BT /F1 12 Tf 72 712 Td (Page text that compresses well) Tj ET\n" * 1200)
        else:
            body = rng.randbytes(256 * 1024)
        obj = b"%d 0 obj << /Length %d >> stream\n" % (n, len(body)) + body + b"\nendstream endobj\n"
        parts.append(obj)
        written += len(obj)
    data = b"".join(parts)[:size]
    return data


def main():
    out = sys.argv[1]
    rng = random.Random(7)
    meta = {"id": "0123456789abcdef0123456789abcdef01234567", "app": 1, "title": "Benchmark",
            "width": 800, "height": 600, "num_pages": 400,
            "cover": "files\\/user\\/cover.jpg"}
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo("metadata.brivane"), json.dumps(meta).replace("\\\\/", "\\/"),
                   compress_type=zipfile.ZIP_DEFLATED)
        if "--big-entry" in sys.argv:
            size = int(sys.argv[sys.argv.index("--big-entry") + 1]) * MIB
            info = zipfile.ZipInfo("flipbook.pdf")
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as f:
                chunk = rng.randbytes(MIB)
                for i in range(size // MIB):
                    f.write(chunk[: MIB // 2] + bytes([i % 251]) * (MIB // 2))
            return
        z.writestr(zipfile.ZipInfo("flipbook.pdf"), pdf_like(150 * MIB, rng), compress_type=zipfile.ZIP_DEFLATED,
                   compresslevel=6)
        for i in range(2000):
            z.writestr(f"files/user/{i // 100}/page{i}.jpg", rng.randbytes(40 * 1024),
                       compress_type=zipfile.ZIP_STORED)
        for i in range(200):
            z.writestr(f"files/toc/thumb{i}.png", rng.randbytes(rng.randint(512, 8192)),
                       compress_type=zipfile.ZIP_STORED)
        for i in range(50):
            css = "".join(f".c{i}-{k} {{ margin: {k}px; color: #{k:06x}; }}\n" for k in range(600))
            z.writestr(f"files/css/style{i}.css", css, compress_type=zipfile.ZIP_DEFLATED)


if __name__ == "__main__":
    main()
