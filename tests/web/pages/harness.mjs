// Shared set-up for the page tests: Debian's Chromium with file access from
// file URLs (as the host's web view has), a fake host bridge, books written once
// per test file, and reading which page an image shows from its pixels.
import { after, before } from "node:test";
import assert from "node:assert/strict";
import { mkdtemp, mkdir, readFile, rm, writeFile } from "node:fs/promises";
import { execFileSync } from "node:child_process";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { BAND, makePdf, readerModule } from "./makePdf.mjs";

const { chromium } = readerModule("playwright-core");
export const DATA_DIR = process.env.BRIVANE_DATA_DIR ?? new URL("../../../build/share/brivane-reader/data", import.meta.url).pathname;
const SAMPLES_DIR = process.env.BRIVANE_SAMPLE_DIR ?? new URL("../../../build/samples", import.meta.url).pathname;
const TEXT_BOOK = join(SAMPLES_DIR, "textbook.pdf");
const SHOTS_DIR = process.env.BRIVANE_WEB_SHOTS ?? join(tmpdir(), "brivane-web-shots");
const VIEWPORT = { width: 1280, height: 800 };
let context, profile, work;
const books = new Map();

/** One browser with a fresh profile for the calling test file. */
export function useBrowser() {
  before(async () => {
    [profile, work] = await Promise.all(["chromium", "web"].map((p) => mkdtemp(join(tmpdir(), `brivane-${p}-`))));
    await mkdir(SHOTS_DIR, { recursive: true });
    context = await chromium.launchPersistentContext(profile, {
      executablePath: "/usr/bin/chromium", headless: true, viewport: VIEWPORT, deviceScaleFactor: 1,
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

/** The data directory URL (no final slash) of a workspace-like book of the PDF `make()` writes, made once per key. */
export function bookOf(key, make) {
  if (!books.has(key)) {
    books.set(key, (async (dir) => {
      await mkdir(dir, { recursive: true });
      await writeFile(join(dir, "flipbook.pdf"), await make());
      return pathToFileURL(dir).href;
    })(join(work, key, "data")));
  }
  return books.get(key);
}
export const pdfOf = (dataUrl) => join(fileURLToPath(dataUrl), "flipbook.pdf");
export const book = (count) => bookOf(`book-${count}`, () => makePdf(count));
export const textBook = () => bookOf("text", () => readFile(TEXT_BOOK));

/** Where pdftotext puts the first `word` on `page` of the text book, in PDF points from the top left. */
export function wordBox(page, word) {
  const xml = execFileSync("pdftotext", ["-bbox", "-f", String(page), "-l", String(page), TEXT_BOOK, "-"], { encoding: "utf8" });
  const m = new RegExp(`xMin="([\\d.]+)" yMin="([\\d.]+)" xMax="([\\d.]+)" yMax="([\\d.]+)">${word}<`).exec(xml);
  if (!m) throw new Error(`${word} not on page ${page}`);
  const [x0, y0, x1, y1] = m.slice(1).map(Number);
  return { x0, y0, x1, y1 };
}

export const configFor = (dataUrl, metadata = null) => ({
  path: `${dataUrl}/flipbook.pdf`, thumbnailPath: `${dataUrl}/`, tocPath: `${dataUrl}/files/toc/`,
  apiEndpoint: "https://brivane.example", appVersion: 1, appClient: "mac", metadata,
});

/** Opens a shipped page with a recording bridge; `problems` collects script errors and CSP refusals.
 * With `lang`, the page gets that language's built catalogue as the host hands it over; `init` runs before its scripts. */
export async function openPage(name, { viewport = VIEWPORT, lang, init } = {}) {
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
  if (init) await page.addInitScript(init);
  if (lang) {
    const catalogue = JSON.parse(await readFile(join(DATA_DIR, "..", "locale", `${lang}.json`), "utf8"));
    await page.addInitScript((c) => { window.brivaneStrings = Object.freeze(c); }, catalogue);
  }
  await page.goto(pathToFileURL(join(DATA_DIR, name)).href);
  return { page, problems };
}

/** The reader page given `source`: a generated book of that many pages, or a data directory URL (or its promise).
 * `dpr` emulates a device pixel ratio; `resume` is the host's page to reopen at, sent with the configuration. */
export async function reader(source, { metadata = null, viewport = VIEWPORT, lang, init, dpr, resume } = {}) {
  const opened = await openPage("flipbook.html", { viewport, lang, init });
  if (dpr) await (await cdp(opened.page)).send("Emulation.setDeviceMetricsOverride", { ...viewport, deviceScaleFactor: dpr, mobile: false });
  const config = configFor(typeof source === "number" ? await book(source) : await source, metadata);
  await opened.page.evaluate(([c, r]) => {
    window.onMessage(c);
    if (r) window.onResume(r);
  }, [config, resume]);
  return { ...opened, config };
}

export const sent = (page) => page.evaluate(() => window.__sent.slice());
export const focused = (page) => page.evaluate(() => document.activeElement?.id || document.activeElement?.className);
export const findStatus = (page, text) => page.waitForFunction((t) => document.getElementById("find-status").textContent === t, text);
/** A picture of the page for looking at; taken through the protocol, since the page's own
 * screenshot puts back the context's metrics and so drops a pixel ratio a test emulates. */
export async function shot(page, name) {
  const session = await cdp(page);
  const { data } = await session.send("Page.captureScreenshot", { format: "png" });
  await session.detach();
  await writeFile(join(SHOTS_DIR, `${name}.png`), Buffer.from(data, "base64"));
}

/** Polls `fn(arg)` in the page until it deep-equals `want`; fails showing the last value. */
export async function eventually(page, fn, arg, want, timeout = 5000) {
  let got;
  for (const end = Date.now() + timeout; Date.now() < end; await page.waitForTimeout(30)) {
    got = await page.evaluate(fn, arg);
    if (JSON.stringify(got) === JSON.stringify(want)) return;
  }
  assert.deepEqual(got, want);
}

/** Waits until the slots' rendered images show exactly [left, right] (read from the colour of the band
 * each generated page carries) and no leaf is turning. */
export const waitForPages = (page, left, right, timeout = 5000) => eventually(page, (band) => ["left", "right"].map((side) => {
  const slot = document.querySelector(`.slot.${side}`);
  const img = slot?.querySelector(".page:not(.loading) img");
  if (!img || getComputedStyle(slot).display === "none" || !img.complete || img.naturalWidth === 0) return null;
  const ctx = Object.assign(document.createElement("canvas"), { width: 1, height: 1 }).getContext("2d");
  ctx.drawImage(img, Math.floor(img.naturalWidth * band.x), Math.floor(img.naturalHeight * band.y), 1, 1, 0, 0, 1, 1);
  const [r, g] = ctx.getImageData(0, 0, 1, 1).data;
  return r + 256 * Math.round((g - 60) / 40);
}).concat(document.querySelector(".leaf")?.classList.contains("idle") ?? true), BAND, [left, right, true], timeout);

/** Waits until the slots hold pages [left, right] by number, each drawn with its text laid over, and no leaf is turning. */
export const showing = (page, left, right) => eventually(page, () => ["left", "right"].map((side) => {
  const el = document.querySelector(`.slot.${side} .page:not(.loading)`);
  return el && getComputedStyle(el.parentElement).display !== "none" && el.querySelector(".textLayer span") ? Number(el.dataset.page) : null;
}).concat(Boolean(document.querySelector(".leaf.idle"))), null, [left, right, true]);

/** The gaps in ms between the page's frames while `action` (run in the test) lasts, and what it returned. */
export async function frames(page, action) {
  await page.evaluate(() => new Promise((started) => {
    const stamps = (window.__frames = []);
    requestAnimationFrame(function tick(now) {
      if (stamps.push(now) === 1) started();
      if (window.__frames === stamps) requestAnimationFrame(tick);
    });
  }));
  const result = await action();
  const gaps = await page.evaluate(() => {
    const stamps = window.__frames;
    window.__frames = null;
    return stamps.slice(1).map((t, i) => t - stamps[i]);
  });
  return { gaps, longest: Math.max(...gaps), result };
}

/** The lowest of up to `runs` measurements, stopping at the first under 50 ms: a machine busy
 * with other work steals whole frames from a run now and then, which says nothing of the page. */
export async function bestOf(runs, measure) {
  let best = Infinity;
  for (let i = 0; i < runs && best >= 50; i++) best = Math.min(best, await measure());
  return best;
}
