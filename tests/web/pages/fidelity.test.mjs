// Drawn as poppler draws them; bench/fidelity measures that over a corpus of real files. fixtures/codecs.pdf pages:
// JPEG 2000, CCITT group 4, JBIG2 (that bitmap as an MMR generic region), CMYK JPEG, of pictures ImageMagick drew.
// Its writer: `git show ff6d60a:tests/web/pages/fixtures/makeCodecs.mjs`.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFile } from "node:fs/promises";
import { bookOf, configFor, openPage, pdfOf, reader, sent, shot, useBrowser } from "./harness.mjs";
import { readerModule } from "./makePdf.mjs";
import { compare } from "../../../bench/fidelityMetric.mjs";

const { PDFDocument, PDFName, StandardFonts, drawObject } = readerModule("pdf-lib");
useBrowser();

const CODECS = new URL("fixtures/codecs.pdf", import.meta.url).pathname;
// An image's RGBA; it crosses from the page as base64, as an array of numbers is ten times slower.
const PIXELS = `window.pixels = (image) => {
  const canvas = Object.assign(document.createElement("canvas"), { width: image.naturalWidth ?? image.width, height: image.naturalHeight ?? image.height });
  const ctx = canvas.getContext("2d");
  ctx.drawImage(image, 0, 0);
  const data = ctx.getImageData(0, 0, canvas.width, canvas.height).data;
  let text = "";
  for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode(...data.subarray(i, i + 0x8000));
  return { width: canvas.width, height: canvas.height, data: btoa(text) };
}`;
const decoded = (image) => (image === "failed" ? image : { ...image, data: Buffer.from(image.data, "base64") });

/** RGBA of page `number`'s image once it is drawn, or "failed" once the page shows it could not be. */
async function pageImage(page, number) {
  await page.evaluate(PIXELS);
  return decoded(await page.waitForFunction((n) => {
    const el = document.querySelector(`.slot .page[data-page="${n}"]`);
    const img = el?.querySelector("img");
    if (el?.classList.contains("failed")) return "failed";
    return el && !el.classList.contains("loading") && img.complete && img.naturalWidth > 0 && window.pixels(img);
  }, number, { timeout: 15000 }).then((h) => h.jsonValue()));
}

/** Poppler's (cairo's) drawing of a page at width x height, as RGBA through the browser's PNG decoder. */
async function popplerImage(page, pdf, number, width, height) {
  const png = execFileSync("pdftocairo", ["-png", "-singlefile", "-cropbox", "-f", String(number), "-l", String(number),
    "-scale-to-x", String(width), "-scale-to-y", String(height), pdf, "-"]).toString("base64");
  await page.evaluate(PIXELS);
  return decoded(await page.evaluate(async (b64) => window.pixels(await createImageBitmap(new Blob([Uint8Array.from(atob(b64), (c) => c.charCodeAt(0))]))), png));
}

test("JPEG 2000, fax, JBIG2 and CMYK JPEG pages are drawn as poppler draws them", async () => {
  const { page, problems } = await reader(bookOf("codecs", () => readFile(CODECS)));
  const kinds = ["JPEG 2000", "CCITT fax", "JBIG2", "CMYK JPEG"];
  const faults = [];
  for (const [i, kind] of kinds.entries()) {
    const number = i + 1;
    if (number > 1) await page.evaluate((n) => window.onResume(n), number);
    const drawn = await pageImage(page, number);
    if (drawn === "failed") {
      faults.push(`${kind}: not drawn`);
      continue;
    }
    const result = compare(drawn, await popplerImage(page, CODECS, number, drawn.width, drawn.height));
    if (result.verdict === "ok") continue;
    await shot(page, `fidelity-${number}`);
    faults.push(`${kind}: ${result.verdict}, ${(100 * result.share).toFixed(1)}% differs`);
  }
  assert.deepEqual(faults, []);
  assert.deepEqual(problems, []);
  await page.close();
});

test("a page drawn without an image it could not decode shows the rest and says so, once, on the page and its thumbnail", async () => {
  // Page 2 holds an image whose JPEG 2000 data is not JPEG 2000.
  const doc = await PDFDocument.create();
  const font = await doc.embedFont(StandardFonts.Helvetica);
  for (let n = 1; n <= 3; n++) doc.addPage([400, 500]).drawText(`Page ${n}`, { x: 40, y: 440, size: 30, font });
  const broken = doc.getPage(1);
  const junk = doc.context.register(doc.context.stream(new Uint8Array(300).fill(7), {
    Type: "XObject", Subtype: "Image", Width: 30, Height: 20, Filter: "JPXDecode",
  }));
  broken.pushOperators(drawObject(broken.node.newXObject("Im", junk)));
  broken.node.set(PDFName.of("Group"), doc.context.obj({ S: "Transparency" }));
  const { page } = await openPage("flipbook.html");
  const lines = [];
  page.on("console", (m) => /could not be drawn/.test(m.text()) && lines.push(m.text()));
  await page.evaluate(async (c) => window.onMessage(c), configFor(await bookOf("broken", () => doc.save())));
  assert.notEqual(await pageImage(page, 1), "failed", "a good page is drawn");
  await page.evaluate(() => window.onResume(2));
  const drawn = await pageImage(page, 2);
  assert.notEqual(drawn, "failed", "the rest of page 2 is shown");
  assert.ok(drawn.data.some((v) => v < 128), "page 2's text is drawn");
  const notice = page.locator('.slot .page[data-page="2"] .failed-notice');
  assert.equal(await notice.textContent(), "Part of this page could not be drawn");
  assert.ok(await notice.isVisible());

  await page.click("#btn-thumbs");
  await page.waitForSelector('.thumb[data-page="2"][title="Part of this page could not be drawn"]', { timeout: 10000 });
  await shot(page, "fidelity-not-drawn");
  assert.deepEqual((await sent(page)).filter((m) => /could not be drawn/.test(m)), ["Page 2 could not be drawn: 1 image could not be decoded"]);
  assert.deepEqual(lines, [], "the line goes to the host's log, not twice");
  await page.close();
});

test("a luminosity soft mask fades what it masks, with the engine's canvas filters and without (WebKit)", async () => {
  // Blue over red, masked by a group that is white, then mid grey, then (the backdrop) black.
  const doc = await PDFDocument.create();
  const page = doc.addPage([300, 220]);
  const ctx = doc.context;
  const group = ctx.register(ctx.flateStream("1 g 40 40 160 140 re f 0.5 g 200 40 60 140 re f", {
    Type: "XObject", Subtype: "Form", BBox: [0, 0, 300, 220], Group: { S: "Transparency", CS: "DeviceRGB" },
  }));
  const gs = page.node.newExtGState("GS", ctx.obj({ Type: "ExtGState", SMask: { Type: "Mask", S: "Luminosity", G: group } }));
  page.node.set(PDFName.of("Contents"), ctx.register(ctx.flateStream(`1 0 0 rg 40 60 100 100 re f q /${gs} gs 0 0 1 rg 90 50 170 120 re f Q`)));
  const url = await bookOf("mask", () => doc.save());
  for (const filters of [true, false]) {
    const { page: view } = await reader(url, { init: filters ? undefined : () => delete CanvasRenderingContext2D.prototype.filter });
    const drawn = await pageImage(view, 1);
    const result = compare(drawn, await popplerImage(view, pdfOf(url), 1, drawn.width, drawn.height));
    if (result.verdict !== "ok") await shot(view, `fidelity-mask-${filters}`);
    assert.equal(result.verdict, "ok", `${filters ? "with" : "without"} filters: ${(100 * result.share).toFixed(1)}% differs`);
    await view.close();
  }
});
