// Test flipbooks: every page carries its number in the colour of its top band,
// so a test can read which page an image shows from one pixel.
import { createRequire } from "node:module";

// Test tools live with the web content's own npm dependencies.
const require = createRequire(new URL("../../../reader/package.json", import.meta.url));
const { PDFDocument, PDFName, PDFString, StandardFonts, rgb } = require("pdf-lib");

export const BAND = { x: 0.5, y: 0.06 };

function hsl(h, s, l) {
  const a = s * Math.min(l, 1 - l);
  const f = (k) => {
    const x = (k + h / 30) % 12;
    return l - a * Math.max(-1, Math.min(x - 3, 9 - x, 1));
  };
  return rgb(f(0), f(8), f(4));
}

export function pageColour(n) {
  return [n % 256, 60 + 40 * Math.floor(n / 256), 180];
}

export function pageFromColour([r, g]) {
  return r + 256 * Math.round((g - 60) / 40);
}

/** A PDF of `count` A4 pages; page 2 links to example.org, page 3 to page 6. */
export async function makePdf(count) {
  const doc = await PDFDocument.create();
  const font = await doc.embedFont(StandardFonts.Helvetica);
  const bold = await doc.embedFont(StandardFonts.HelveticaBold);
  const pages = [];
  const words = "the reader turns each page of the book as if it were paper while the pages stay sharp at every zoom".split(" ");
  for (let n = 1; n <= count; n++) {
    const page = doc.addPage([595, 842]);
    const [r, g, b] = pageColour(n);
    const hue = (n * 47) % 360;
    const tint = hsl(hue, 0.55, 0.55);
    // The band's centre carries the page number; its text stays on the left.
    page.drawRectangle({ x: 0, y: 842 - 110, width: 595, height: 110, color: rgb(r / 255, g / 255, b / 255) });
    page.drawText(n === 1 ? "Brivane" : `Chapter ${Math.ceil(n / 4)}`, { x: 40, y: 770, size: 22, font: bold, color: rgb(1, 1, 1) });
    page.drawCircle({ x: 440, y: 520, size: 95, color: tint, opacity: 0.9 });
    page.drawCircle({ x: 505, y: 455, size: 55, color: hsl(hue + 40, 0.6, 0.7), opacity: 0.85 });
    page.drawRectangle({ x: 330, y: 400, width: 90, height: 90, color: hsl(hue + 180, 0.45, 0.6), opacity: 0.8 });
    page.drawText(String(n), { x: 50, y: 560, size: 140, font: bold, color: rgb(0.15, 0.17, 0.2) });
    page.drawText(n === 1 ? "A generated flipbook" : `Page ${n} of ${count}`, { x: 52, y: 505, size: 24, font, color: rgb(0.3, 0.3, 0.35) });
    for (let line = 0; line < 11; line++) {
      const text = Array.from({ length: 9 }, (_, i) => words[(n * 3 + line * 5 + i) % words.length]).join(" ");
      page.drawText(text, { x: 52, y: 360 - line * 22, size: 13, font, color: rgb(0.32, 0.33, 0.36) });
    }
    pages.push(page);
  }
  const annotate = (page, rect, action) => {
    const annot = doc.context.obj({ Type: "Annot", Subtype: "Link", Rect: rect, Border: [0, 0, 0], ...action });
    page.node.set(PDFName.of("Annots"), doc.context.obj([doc.context.register(annot)]));
  };
  if (count >= 2) {
    pages[1].drawText("example.org", { x: 52, y: 80, size: 24, font, color: rgb(0.1, 0.3, 0.7) });
    annotate(pages[1], [50, 60, 400, 120], { A: doc.context.obj({ S: "URI", URI: PDFString.of("https://example.org/from-page-2") }) });
  }
  if (count >= 6) {
    pages[2].drawText("Go to page 6", { x: 52, y: 80, size: 24, font, color: rgb(0.1, 0.3, 0.7) });
    annotate(pages[2], [50, 60, 400, 120], { Dest: doc.context.obj([pages[5].ref, PDFName.of("Fit")]) });
  }
  return doc.save();
}

// node makePdf.mjs <out.pdf> <pages>: the same books for the WebKit check.
if (import.meta.url === `file://${process.argv[1]}`) {
  const { writeFile } = await import("node:fs/promises");
  await writeFile(process.argv[2], await makePdf(Number(process.argv[3] ?? 12)));
}
