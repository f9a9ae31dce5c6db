// Shared set-up for the page tests: Debian's Chromium with file access from
// file URLs (as the host's web view has), a fake host bridge, and reading which
// page an image shows from its pixels.
import { createRequire } from "node:module";
import { after, before } from "node:test";
import { copyFile, mkdtemp, mkdir, readFile, rm, writeFile } from "node:fs/promises";
import { execFileSync } from "node:child_process";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { BAND, makePdf, pageFromColour } from "./makePdf.mjs";

const { chromium } = createRequire(new URL("../../../reader/package.json", import.meta.url))("playwright-core");
const DATA_DIR = process.env.BRIVANE_DATA_DIR ?? new URL("../../../build/share/brivane-reader/data", import.meta.url).pathname;
const SAMPLES_DIR = process.env.BRIVANE_SAMPLE_DIR ?? new URL("../../../build/samples", import.meta.url).pathname;
export const TEXT_BOOK = join(SAMPLES_DIR, "textbook.pdf");
const SHOTS_DIR = process.env.BRIVANE_WEB_SHOTS ?? join(tmpdir(), "brivane-web-shots");
let context, profile, work;
const books = new Map();

/** One browser with a fresh profile for the calling test file. */
export function useBrowser() {
  before(async () => {
    [profile, work] = await Promise.all(["chromium", "web"].map((p) => mkdtemp(join(tmpdir(), `brivane-${p}-`))));
    await mkdir(SHOTS_DIR, { recursive: true });
    context = await chromium.launchPersistentContext(profile, {
      executablePath: "/usr/bin/chromium", headless: true, viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1,
      args: ["--headless", "--no-sandbox", "--disable-gpu", "--allow-file-access-from-files", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    });
  });
  after(async () => {
    await context?.close();
    for (const dir of [profile, work]) await rm(dir, { recursive: true, force: true });
  });
}

export const cdp = (page) => context.newCDPSession(page);

/** The data directory URL (no final slash) of a workspace-like book of `count` generated pages, made once. */
export const book = (count) => books.get(count) ?? books.set(count, (async (dir) => {
  await mkdir(dir, { recursive: true });
  await writeFile(join(dir, "flipbook.pdf"), await makePdf(count));
  return pathToFileURL(dir).href;
})(join(work, `book-${count}`, "data"))).get(count);

/** The data directory URL of a workspace-like copy of the build's text book. */
export const textBook = () => books.get("text") ?? books.set("text", (async (dir) => {
  await mkdir(dir, { recursive: true });
  await copyFile(TEXT_BOOK, join(dir, "flipbook.pdf"));
  return pathToFileURL(dir).href;
})(join(work, "book-text", "data"))).get("text");

/** Where pdftotext puts the first `word` on `page` of the text book, in PDF points from the top left. */
export function wordBox(page, word) {
  const xml = execFileSync("pdftotext", ["-bbox", "-f", String(page), "-l", String(page), TEXT_BOOK, "-"], { encoding: "utf8" });
  const m = new RegExp(`xMin="([\\d.]+)" yMin="([\\d.]+)" xMax="([\\d.]+)" yMax="([\\d.]+)">${word}<`).exec(xml);
  if (!m) throw new Error(`${word} not on page ${page}`);
  const [x0, y0, x1, y1] = m.slice(1).map(Number);
  return { x0, y0, x1, y1 };
}

export const configFor = (dataUrl, metadata = null, slash = "/") => ({
  path: `${dataUrl}/flipbook.pdf`, thumbnailPath: dataUrl + slash, tocPath: `${dataUrl}/files/toc/`,
  apiEndpoint: "https://brivane.example", appVersion: 1, appClient: "mac", metadata,
});

/** Opens a shipped page with a recording bridge; `problems` collects script errors and CSP refusals.
 * With `lang`, the page gets that language's built catalogue as the host hands it over. */
export async function openPage(name, viewport = { width: 1280, height: 800 }, lang = null) {
  const page = await context.newPage();
  await page.setViewportSize(viewport);
  const problems = [];
  page.on("pageerror", (e) => problems.push(`error: ${e.message}`));
  page.on("console", (m) => (m.type() === "error" || /Content Security Policy/i.test(m.text())) && problems.push(m.text()));
  await page.addInitScript(() => {
    Object.assign(window, { __sent: [], __opened: [] });
    window.webkit = { messageHandlers: { bridge: { postMessage: (m) => window.__sent.push(m) } } };
    window.open = (url, target) => void window.__opened.push([String(url), target]);
  });
  if (lang) {
    const catalogue = JSON.parse(await readFile(join(DATA_DIR, "..", "locale", `${lang}.json`), "utf8"));
    await page.addInitScript((c) => { window.brivaneStrings = Object.freeze(c); }, catalogue);
  }
  await page.goto(pathToFileURL(join(DATA_DIR, name)).href);
  return { page, problems };
}

/** The reader page showing a generated book of `count` pages. */
export async function reader(count, metadata = null, viewport = undefined, lang = null) {
  const opened = await openPage("flipbook.html", viewport, lang);
  const config = configFor(await book(count), metadata);
  await opened.page.evaluate((c) => window.onMessage(c), config);
  return { ...opened, config };
}

export const sent = (page) => page.evaluate(() => window.__sent.slice());
/** A picture of the page for looking at; taken through the protocol, since the page's own
 * screenshot puts back the context's metrics and so drops a pixel ratio a test emulates. */
export async function shot(page, name) {
  const session = await cdp(page);
  const { data } = await session.send("Page.captureScreenshot", { format: "png" });
  await session.detach();
  await writeFile(join(SHOTS_DIR, `${name}.png`), Buffer.from(data, "base64"));
}

/** Waits until the slots' rendered images show exactly [left, right] (read from pixels) and no leaf is turning. */
export async function waitForPages(page, left, right, timeout = 5000) {
  let seen;
  for (const until = Date.now() + timeout; Date.now() < until; await page.waitForTimeout(25)) {
    seen = await page.evaluate((band) => ["left", "right"].map((side) => {
      const slot = document.querySelector(`.slot.${side}`);
      const img = slot?.querySelector(".page:not(.loading) img");
      if (!img || getComputedStyle(slot).display === "none" || !img.complete || img.naturalWidth === 0) return null;
      const ctx = Object.assign(document.createElement("canvas"), { width: 1, height: 1 }).getContext("2d");
      ctx.drawImage(img, Math.floor(img.naturalWidth * band.x), Math.floor(img.naturalHeight * band.y), 1, 1, 0, 0, 1, 1);
      return Array.from(ctx.getImageData(0, 0, 1, 1).data.slice(0, 3));
    }).concat(document.querySelector(".leaf")?.classList.contains("idle") ?? true), BAND);
    seen = [seen[0] && pageFromColour(seen[0]), seen[1] && pageFromColour(seen[1]), seen[2]];
    if (seen[0] === left && seen[1] === right && seen[2]) return;
  }
  throw new Error(`expected pages ${left}|${right}, saw ${seen?.[0]}|${seen?.[1]} (leaf ${seen?.[2] ? "still" : "turning"})`);
}
