// Test flipbooks: every page carries its number in the colour of its top band,
// so a test can read which page an image shows from one pixel.
import { createRequire } from "node:module";

// Test tools live with the web content's own npm dependencies.
const require = createRequire(new URL("../../../reader/package.json", import.meta.url));
const { PDFDocument, PDFName, PDFString, StandardFonts, rgb } = require("pdf-lib");

export const BAND = { x: 0.5, y: 0.06 };

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
  for (let n = 1; n <= count; n++) {
    const page = doc.addPage([595, 842]);
    const [r, g, b] = pageColour(n);
    page.drawRectangle({ x: 0, y: 842 - 110, width: 595, height: 110, color: rgb(r / 255, g / 255, b / 255) });
    page.drawText(String(n), { x: 60, y: 560, size: 160, font: bold, color: rgb(0.15, 0.17, 0.2) });
    page.drawText(n === 1 ? "A generated flipbook" : `Page ${n} of ${count}`, { x: 60, y: 500, size: 26, font, color: rgb(0.3, 0.3, 0.35) });
    for (let line = 0; line < 12; line++) {
      page.drawRectangle({ x: 60, y: 440 - line * 28, width: 475 - (line % 3) * 60, height: 8, color: rgb(0.85, 0.85, 0.87) });
    }
    pages.push(page);
  }
  const annotate = (page, rect, action) => {
    const annot = doc.context.obj({ Type: "Annot", Subtype: "Link", Rect: rect, Border: [0, 0, 0], ...action });
    page.node.set(PDFName.of("Annots"), doc.context.obj([doc.context.register(annot)]));
  };
  if (count >= 2) {
    pages[1].drawText("example.org", { x: 60, y: 80, size: 24, font, color: rgb(0.1, 0.3, 0.7) });
    annotate(pages[1], [50, 60, 400, 120], { A: doc.context.obj({ S: "URI", URI: PDFString.of("https://example.org/from-page-2") }) });
  }
  if (count >= 6) {
    pages[2].drawText("Go to page 6", { x: 60, y: 80, size: 24, font, color: rgb(0.1, 0.3, 0.7) });
    annotate(pages[2], [50, 60, 400, 120], { Dest: doc.context.obj([pages[5].ref, PDFName.of("Fit")]) });
  }
  return doc.save();
}
