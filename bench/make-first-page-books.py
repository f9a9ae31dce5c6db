#!/usr/bin/env python3
"""Writes the heavy books for bench/first-page.

usage: make-first-page-books.py BUILD_DIR OUT_DIR

heavy.flip: a 400-page image PDF of about 155 MB (not linearised, cross-reference
table at the end) and 300 stored JPEG assets, about 270 MB in all.
huge.flip:  a 1024-page image PDF of about 1 GiB.
Page images are JPEG renderings of the sample's pages, padded with comment
segments to the wanted size so that every page costs its share of bytes.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

MB = 1000 * 1000


def page_images(sample_pdf, work):
    subprocess.run(["pdftoppm", "-jpeg", "-jpegopt", "quality=90", "-r", "200", sample_pdf,
                    os.path.join(work, "page")], check=True)
    return [open(p, "rb").read() for p in sorted(glob.glob(os.path.join(work, "page-*.jpg")))]


def jpeg_size(jpeg):
    # Width and height from the first start-of-frame segment.
    i = 2
    while i < len(jpeg):
        marker, length = jpeg[i + 1], int.from_bytes(jpeg[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            return int.from_bytes(jpeg[i + 7:i + 9], "big"), int.from_bytes(jpeg[i + 5:i + 7], "big")
        i += 2 + length
    raise ValueError("no frame in JPEG")


def padded(jpeg, size, tag):
    """The JPEG with comment segments after its start marker, about size bytes long."""
    missing = max(0, size - len(jpeg))
    segments = []
    while missing > 4:
        n = min(65533, missing - 4)
        body = tag + os.urandom(n)  # incompressible, like real image data
        segments.append(b"\xff\xfe" + (n + 2).to_bytes(2, "big") + body[:n])
        missing -= n + 4
    return jpeg[:2] + b"".join(segments) + jpeg[2:]


def write_pdf(path, images, pages, image_bytes):
    """Pages in order, each an image filling it; the xref table and trailer come last."""
    width, height = jpeg_size(images[0])
    offsets = {}
    with open(path, "wb") as f:
        def obj(number, body, stream=None):
            offsets[number] = f.tell()
            f.write(b"%d 0 obj\n" % number + body)
            if stream is not None:
                f.write(b"\nstream\n" + stream + b"\nendstream")
            f.write(b"\nendobj\n")

        f.write(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        kids = b" ".join(b"%d 0 R" % (3 + 3 * i) for i in range(pages))
        obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
        obj(2, b"<< /Type /Pages /Count %d /Kids [%s] >>" % (pages, kids))
        w, h = 595, round(595 * height / width)
        for i in range(pages):
            page, contents, image = 3 + 3 * i, 4 + 3 * i, 5 + 3 * i
            data = padded(images[i % len(images)], image_bytes, b"page %d " % (i + 1))
            obj(page, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R "
                b"/Resources << /XObject << /Im0 %d 0 R >> >> >>" % (w, h, contents, image))
            draw = b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (w, h)
            obj(contents, b"<< /Length %d >>" % len(draw), draw)
            obj(image, b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
                b"/BitsPerComponent 8 /Filter /DCTDecode /Length %d >>" % (width, height, len(data)), data)
        count = 3 + 3 * pages
        xref = f.tell()
        f.write(b"xref\n0 %d\n0000000000 65535 f \n" % count)
        for n in range(1, count):
            f.write(b"%010d 00000 n \n" % offsets[n])
        f.write(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (count, xref))


def pack(flip, pdf, out, title, assets=None):
    args = [flip, "pack", pdf, "-o", out, "--title", title, "--force"]
    if assets:
        args += ["--assets", assets]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    # Publishers store images as they are; the packer deflates them.
    with zipfile.ZipFile(out) as source, zipfile.ZipFile(out + ".tmp", "w", allowZip64=True) as target:
        for info in source.infolist():
            copy = zipfile.ZipInfo(info.filename, info.date_time)
            copy.compress_type = zipfile.ZIP_STORED if info.filename.endswith(".jpg") else info.compress_type
            copy.external_attr = info.external_attr
            with source.open(info) as src, target.open(copy, "w", force_zip64=info.file_size > 1 << 30) as dst:
                shutil.copyfileobj(src, dst, 1 << 20)
    os.replace(out + ".tmp", out)


def main():
    build, out = sys.argv[1], sys.argv[2]
    flip = os.path.join(build, "bin", "brivane-flip")
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=out) as work:
        images = page_images(os.path.join(build, "samples", "sample.pdf"), work)
        if not os.path.exists(os.path.join(out, "heavy.flip")):
            write_pdf(os.path.join(work, "heavy.pdf"), images, 400, 155 * MB // 400)
            assets = os.path.join(work, "assets")
            os.makedirs(os.path.join(assets, "user"))
            for i in range(300):
                with open(os.path.join(assets, "user", f"asset{i:03d}.jpg"), "wb") as f:
                    f.write(padded(images[i % len(images)], 115 * MB // 300, b"asset %d " % i))
            pack(flip, os.path.join(work, "heavy.pdf"), os.path.join(out, "heavy.flip"), "Heavy Book", assets)
            os.remove(os.path.join(work, "heavy.pdf"))
            shutil.rmtree(assets)
        if not os.path.exists(os.path.join(out, "huge.flip")):
            write_pdf(os.path.join(work, "huge.pdf"), images, 1024, (1 << 30) // 1024 - 200)
            pack(flip, os.path.join(work, "huge.pdf"), os.path.join(out, "huge.flip"), "Huge Book")
    for name in ("heavy.flip", "huge.flip"):
        print(f"{os.path.join(out, name)}: {os.path.getsize(os.path.join(out, name)) / MB:.0f} MB")


if __name__ == "__main__":
    main()
