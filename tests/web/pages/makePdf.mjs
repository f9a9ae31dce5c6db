// Test flipbooks: every page carries its number in the colour of its top band,
// so a test can read which page an image shows from one pixel.
import { createRequire } from "node:module";

// Test tools live with the web content's own npm dependencies.
export const readerModule = createRequire(new URL("../../../reader/package.json", import.meta.url));
const { PDFDocument, PDFName, PDFString, StandardFonts, degrees, rgb } = readerModule("pdf-lib");

// harness.mjs reads the number back: red + 256 * (green - 60) / 40.
export const BAND = { x: 0.5, y: 0.06 };
const bandColour = (n) => rgb((n % 256) / 255, (60 + 40 * Math.floor(n / 256)) / 255, 180 / 255);
const link = (doc, page, Rect, action) => page.node.set(PDFName.of("Annots"),
  doc.context.obj([doc.context.register(doc.context.obj({ Type: "Annot", Subtype: "Link", Rect, Border: [0, 0, 0], ...action }))]));
const uri = (doc, url) => ({ A: doc.context.obj({ S: "URI", URI: PDFString.of(url) }) });

/** A PDF of `count` A4 pages with text and shapes to render; page 2 links to example.org, page 3 to page 6.
 * A `direction` ("R2L", "L2R") goes in the catalogue's /ViewerPreferences, as a book in Arabic or Hebrew has it. */
export async function makePdf(count, direction) {
  const doc = await PDFDocument.create();
  const font = await doc.embedFont(StandardFonts.Helvetica);
  const words = "the reader turns each page of the book as if it were paper while the pages stay sharp at every zoom".split(" ");
  const pages = Array.from({ length: count }, () => doc.addPage([595, 842]));
  for (const [i, page] of pages.entries()) {
    const n = i + 1;
    page.drawRectangle({ x: 0, y: 732, width: 595, height: 110, color: bandColour(n) });
    page.drawText(`Chapter ${Math.ceil(n / 4)}`, { x: 40, y: 770, size: 22, font, color: rgb(1, 1, 1) });
    page.drawCircle({ x: 440, y: 520, size: 95, color: rgb(((n * 47) % 256) / 255, 0.6, 0.5), opacity: 0.9 });
    page.drawText(String(n), { x: 50, y: 560, size: 140, font, color: rgb(0.15, 0.17, 0.2) });
    for (let line = 0; line < 11; line++) {
      const text = Array.from({ length: 9 }, (_, k) => words[(n * 3 + line * 5 + k) % words.length]).join(" ");
      page.drawText(text, { x: 52, y: 360 - line * 22, size: 13, font, color: rgb(0.32, 0.33, 0.36) });
    }
  }
  const labelled = (page, text, action) => {
    page.drawText(text, { x: 52, y: 80, size: 24, font, color: rgb(0.1, 0.3, 0.7) });
    link(doc, page, [50, 60, 400, 120], action);
  };
  if (count >= 2) labelled(pages[1], "example.org", uri(doc, "https://example.org/from-page-2"));
  if (count >= 6) labelled(pages[2], "Go to page 6", { Dest: doc.context.obj([pages[5].ref, PDFName.of("Fit")]) });
  if (direction) doc.catalog.set(PDFName.of("ViewerPreferences"), doc.context.obj({ Direction: PDFName.of(direction) }));
  return doc.save();
}

/** Pages of many shapes, as { box: [width, height] in points, rotate, userUnit, shown: [width, height] as a reader
 * shows them }: portrait, landscape, portrait turned by /Rotate 90, a small page, a page with /UserUnit 2.
 * Page 3 (turned) links to example.org near its unturned top left corner. */
export const MIXED_PAGES = [
  { box: [595, 842] },
  { box: [842, 595] },
  { box: [595, 842], rotate: 90 },
  { box: [300, 420] },
  { box: [400, 300], userUnit: 2 },
].map((p) => {
  const [w, h] = p.box.map((v) => v * (p.userUnit ?? 1));
  return { ...p, shown: p.rotate ? [h, w] : [w, h] };
});

export async function makeMixedPdf() {
  const doc = await PDFDocument.create();
  const font = await doc.embedFont(StandardFonts.Helvetica);
  for (const [i, shape] of MIXED_PAGES.entries()) {
    const n = i + 1;
    const [w, h] = shape.box;
    const page = doc.addPage([w, h]);
    // The band reads the same on a turned page: it covers the top of what is shown.
    if (shape.rotate === 90) page.drawRectangle({ x: 0, y: 0, width: 0.12 * w, height: h, color: bandColour(n) });
    else page.drawRectangle({ x: 0, y: h * 0.88, width: w, height: h * 0.12, color: bandColour(n) });
    page.drawText(`Page ${n} of many shapes`, { x: w * 0.2, y: h * 0.5, size: Math.min(w, h) / 14, font, color: rgb(0.1, 0.1, 0.1) });
    if (shape.rotate) page.setRotation(degrees(shape.rotate));
    if (shape.userUnit) page.node.set(PDFName.of("UserUnit"), doc.context.obj(shape.userUnit));
    if (n === 3) link(doc, page, [50, h - 100, 250, h - 20], uri(doc, "https://example.org/turned"));
  }
  return doc.save();
}

/** A PDF written by hand from its objects' bodies, numbered from 1 (the catalogue), with a cross-reference table. */
export function rawPdf(bodies) {
  let text = "%PDF-1.7\n";
  const offsets = bodies.map((body, i) => {
    const at = text.length;
    text += `${i + 1} 0 obj\n${body}\nendobj\n`;
    return `${String(at).padStart(10, "0")} 00000 n \n`;
  });
  const xref = text.length;
  text += `xref\n0 ${bodies.length + 1}\n0000000000 65535 f \n${offsets.join("")}`;
  return `${text}trailer\n<< /Size ${bodies.length + 1} /Root 1 0 R >>\nstartxref\n${xref}\n%%EOF\n`;
}

// node makePdf.mjs <out.pdf> <pages>: the same books for the WebKit check.
if (import.meta.url === `file://${process.argv[1]}`) {
  await (await import("node:fs/promises")).writeFile(process.argv[2], await makePdf(Number(process.argv[3] ?? 12)));
}
