"""Flipbooks made for the scenarios: real ones packed by brivane-flip from PDFs
with recognisable page colours, and damaged, hostile or too-new variants of them."""
import io
import json
import re
import struct
import subprocess
import warnings
import zipfile
import zlib
from pathlib import Path

PAGE_W, PAGE_H = 420, 595
RED = (220, 30, 30)
BLUE = (30, 60, 220)
GREEN = (20, 200, 40)


def serialise(path: Path, objects):
    """Writes the PDF objects (bodies, numbered from 1, the catalog first) with their cross-reference table."""
    out, offsets = bytearray(b"%PDF-1.4\n"), []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    path.write_bytes(bytes(out))
    return path


def refs(numbers):
    return b" ".join(b"%d 0 R" % n for n in numbers)


def write_pdf(path: Path, colours, link=None, band=None):
    """A PDF whose pages are filled with the given colours. link, if set, is a
    URI annotation over the middle of the first page. band, if set, darkens the
    left third of each page to that share of its colour instead of the white square."""
    objects = [None, None]  # the catalog and the page tree, filled in last

    def add(body):
        objects.append(body)
        return len(objects)

    kids = []
    for n, (r, g, b) in enumerate(colours):
        stream = f"{r / 255:.3f} {g / 255:.3f} {b / 255:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n"
        if band is None:
            stream += f"1 1 1 rg {PAGE_W / 2 - 30} {PAGE_H / 2 - 30} 60 60 re f\n"
        else:
            dark = " ".join(f"{c * band / 255:.3f}" for c in (r, g, b))
            stream += f"{dark} rg 0 0 {PAGE_W / 3:.1f} {PAGE_H} re f\n"
        stream = stream.encode()
        content = add(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream")
        annots = b""
        if link and n == 0:
            x0, y0 = PAGE_W * 0.2, PAGE_H * 0.2
            annots = b" /Annots [%d 0 R]" % add(
                f"<< /Type /Annot /Subtype /Link /Rect [{x0} {y0} {PAGE_W - x0} {PAGE_H - y0}] "
                f"/Border [0 0 0] /A << /S /URI /URI ({link}) >> >>".encode())
        kids.append(add(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R%s >>"
                        % (PAGE_W, PAGE_H, content, annots)))
    objects[0] = b"<< /Type /Catalog /Pages 2 0 R >>"
    objects[1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (refs(kids), len(kids))
    return serialise(path, objects)


def write_many_pages_pdf(path: Path, count, rgb, fanout=100):
    """A PDF of count pages that all draw one shared content stream, in a page
    tree of fanout kids per node as PDF producers write it: 200,000 pages come to about 25 MB."""
    r, g, b = (c / 255 for c in rgb)
    stream = f"{r:.3f} {g:.3f} {b:.3f} rg 0 0 {PAGE_W} {PAGE_H} re f\n".encode()
    groups = (count + fanout - 1) // fanout
    first_group, first_page = 4, 4 + groups
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [%s] /Count %d >>" % (refs(range(first_group, first_page)), count),
               b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"endstream"]
    for group in range(groups):
        pages = range(group * fanout, min(count, (group + 1) * fanout))
        objects.append(b"<< /Type /Pages /Parent 2 0 R /Kids [%s] /Count %d >>" % (refs(first_page + p for p in pages), len(pages)))
    objects += [b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] /Contents 3 0 R >>"
                % (first_group + page // fanout, PAGE_W, PAGE_H) for page in range(count)]
    return serialise(path, objects)


def write_png(path: Path, rgb, size=64):
    """A solid-colour PNG."""
    row = b"\x00" + bytes(rgb) * size
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(row * size)) + chunk(b"IEND", b""))
    return path


def ask_right_to_left(pdf: Path):
    """Appends an update to a PDF whose new catalogue asks for right-to-left reading; the rest stays as written."""
    data = pdf.read_bytes()
    prev = int(data.rsplit(b"startxref", 1)[1].split()[0])
    size = int(re.search(rb"/Size (\d+)", data.rsplit(b"trailer", 1)[1])[1])
    update = b"1 0 obj\n<< /Type /Catalog /Pages 2 0 R /ViewerPreferences << /Direction /R2L >> >>\nendobj\n"
    xref = len(data) + len(update)
    update += b"xref\n0 1\n0000000000 65535 f \n1 1\n%010d 00000 n \n" % len(data)
    update += b"trailer\n<< /Size %d /Root 1 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (size, prev, xref)
    pdf.write_bytes(data + update)


def pack(flip_tool: Path, out: Path, colours, title, subtitle=None, link=None, band=None, right_to_left=False):
    pdf = write_pdf(out.with_suffix(".pdf"), colours, link, band)
    if right_to_left:
        ask_right_to_left(pdf)
    args = [str(flip_tool), "pack", str(pdf), "-o", str(out), "--title", title, "--force"]
    subprocess.run(args + (["--subtitle", subtitle] if subtitle else []), check=True, capture_output=True, timeout=60)
    return out


def rewrite(src: Path, dst: Path, change=None, raw=None, entries=None):
    """Copies a flipbook with its metadata passed through change(dict) -> dict or raw(dict) -> text
    (which need not be anything Python's json could write), and entries added or replaced."""
    entries = dict(entries or {})
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = entries.pop(item.filename, zin.read(item))
            if item.filename == "metadata.brivane" and (change or raw):
                meta = json.loads(data)
                data = (raw(meta) if raw else json.dumps(change(meta))).encode()
            zout.writestr(item, data)
        for name, data in entries.items():
            zout.writestr(name, data)
    return dst


def metadata_of(src: Path):
    with zipfile.ZipFile(src) as z:
        return json.loads(z.read("metadata.brivane"))


END = struct.Struct("<IHHHHIIH")


def end_record(count, size, offset, comment_length):
    return END.pack(0x06054B50, 0, 0, count, count, size, offset, comment_length)


def two_directories(book, decoy_pdf, dst):
    """The book's metadata, a decoy PDF of the same length and CRC-32 field under
    the book PDF's name, the book's PDF, then two directories: the first the
    book's own, the second, in the first end record's comment, naming the decoy.
    One reader of the archive would see the book, another the decoy."""
    with zipfile.ZipFile(book) as z:
        meta, pdf = z.read("metadata.brivane"), z.read("flipbook.pdf")
    assert len(decoy_pdf) <= len(pdf), "the decoy must fit the book's PDF"
    decoy_pdf += b"\n" * (len(pdf) - len(decoy_pdf))
    buf = io.BytesIO()
    with warnings.catch_warnings(), zipfile.ZipFile(buf, "w") as z:
        warnings.simplefilter("ignore")  # the name twice is the point
        z.writestr(zipfile.ZipInfo("metadata.brivane"), meta, zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo("flipbook.pdf"), decoy_pdf, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo("flipbook.pdf"), pdf, zipfile.ZIP_STORED)
        decoy_local = z.infolist()[1].header_offset
    data = bytearray(buf.getvalue())
    _, _, _, _, _, size, offset, _ = END.unpack(data[-22:])
    crc = struct.pack("<I", zlib.crc32(pdf))
    data[decoy_local + 14:decoy_local + 18] = crc
    headers, at = [], offset
    while at < offset + size:
        length = 46 + sum(struct.unpack("<HHH", data[at + 28:at + 34]))
        headers.append(bytes(data[at:at + length]))
        at += length
    headers[1] = headers[1][:16] + crc + headers[1][20:]
    body = bytes(data[:offset])
    real, decoy = headers[0] + headers[2], headers[0] + headers[1]
    second_at = offset + len(real) + 22
    dst.write_bytes(body + real + end_record(2, len(real), offset, len(decoy) + 22) +
                    decoy + end_record(2, len(decoy), second_at, 0))
    return dst


def broken_variants(src: Path, folder: Path):
    """Files the check rejects as invalid: no readable metadata (not even an archive), and an
    archive whose two directories send the PDF to different bytes."""
    folder.mkdir(parents=True, exist_ok=True)
    not_zip = folder / "not-a-zip.flip"
    not_zip.write_bytes(b"%PDF-1.4 this is not an archive\n" * 20)
    decoy = write_pdf(folder / "decoy.pdf", [GREEN] * 8, link="https://example.org/from-the-pdf")
    return {"not a ZIP archive": not_zip,
            "two directories": two_directories(src, decoy.read_bytes(), folder / "two-directories.flip")}
