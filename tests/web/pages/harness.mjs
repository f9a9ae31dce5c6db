// Shared set-up for the page tests: Debian's Chromium with file access from
// file URLs (as the host's web view has), a fake host bridge, and helpers that
// read which page an image shows from its pixels.
import { createRequire } from "node:module";
import { mkdtemp, mkdir, rm, writeFile } from "node:fs/promises";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { BAND, makePdf, pageFromColour } from "./makePdf.mjs";

const require = createRequire(new URL("../../../reader/package.json", import.meta.url));
const { chromium } = require("playwright-core");

export const DATA_DIR = process.env.BRIVANE_DATA_DIR ?? new URL("../../../build/share/brivane-reader/data", import.meta.url).pathname;
export const SHOTS_DIR = process.env.BRIVANE_WEB_SHOTS ?? join(tmpdir(), "brivane-web-shots");

const FLAGS = [
  "--headless", "--no-sandbox", "--disable-gpu", "--allow-file-access-from-files", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
];

export async function startBrowser() {
  const profile = await mkdtemp(join(tmpdir(), "brivane-chromium-"));
  const work = await mkdtemp(join(tmpdir(), "brivane-web-"));
  await mkdir(SHOTS_DIR, { recursive: true });
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: FLAGS,
    viewport: { width: 1280, height: 800 },
    deviceScaleFactor: 1,
  });
  const books = new Map();
  return {
    context,
    /** Writes a generated PDF of `count` pages into a workspace-like data directory. */
    async book(count) {
      if (!books.has(count)) {
        const dir = join(work, `book-${count}`, "data");
        await mkdir(dir, { recursive: true });
        await writeFile(join(dir, "flipbook.pdf"), await makePdf(count));
        books.set(count, pathToFileURL(dir).href);
      }
      return books.get(count);
    },
    async close() {
      await context.close();
      await rm(profile, { recursive: true, force: true });
      await rm(work, { recursive: true, force: true });
    },
  };
}

/** Opens a shipped page with a recording bridge; `problems` collects script errors and CSP refusals. */
export async function openPage(browser, name, viewport = { width: 1280, height: 800 }) {
  const page = await browser.context.newPage();
  await page.setViewportSize(viewport);
  const problems = [];
  page.on("pageerror", (e) => problems.push(`error: ${e.message}`));
  page.on("console", (m) => {
    if (m.type() === "error" || /Content Security Policy/i.test(m.text())) problems.push(`console: ${m.text()}`);
  });
  await page.addInitScript(() => {
    window.__sent = [];
    window.__opened = [];
    window.webkit = { messageHandlers: { bridge: { postMessage: (m) => window.__sent.push(m) } } };
    window.open = (url, target) => {
      window.__opened.push([String(url), target]);
      return null;
    };
  });
  await page.goto(pathToFileURL(join(DATA_DIR, name)).href);
  return { page, problems };
}

export function configFor(dataUrl, metadata = null, { slash = true } = {}) {
  const dir = slash ? dataUrl.replace(/\/?$/, "/") : dataUrl.replace(/\/$/, "");
  return {
    path: `${dataUrl.replace(/\/?$/, "/")}flipbook.pdf`,
    thumbnailPath: dir,
    tocPath: `${dataUrl.replace(/\/?$/, "/")}files/toc/`,
    apiEndpoint: "https://brivane.example",
    appVersion: 1,
    appClient: "mac",
    metadata,
  };
}

export const sent = (page) => page.evaluate(() => window.__sent.slice());

/** Page numbers the two slots show, read from the rendered images' pixels (null for none). */
export function shownPages(page) {
  return page.evaluate((band) => {
    const read = (side) => {
      const slot = document.querySelector(`.slot.${side}`);
      if (!slot || getComputedStyle(slot).display === "none") return null;
      const img = slot.querySelector(".page:not(.loading) img");
      if (!img || !img.complete || img.naturalWidth === 0) return null;
      const canvas = document.createElement("canvas");
      canvas.width = 1;
      canvas.height = 1;
      const ctx = canvas.getContext("2d");
      ctx.drawImage(img, Math.floor(img.naturalWidth * band.x), Math.floor(img.naturalHeight * band.y), 1, 1, 0, 0, 1, 1);
      return Array.from(ctx.getImageData(0, 0, 1, 1).data.slice(0, 3));
    };
    return { left: read("left"), right: read("right"), leafHidden: document.querySelector(".leaf")?.classList.contains("idle") ?? true };
  }, BAND).then((s) => ({
    left: s.left && pageFromColour(s.left),
    right: s.right && pageFromColour(s.right),
    still: s.leafHidden,
  }));
}

/** Waits until the slots show exactly [left, right] and no leaf is turning. */
export async function waitForPages(page, left, right, timeout = 5000) {
  const until = Date.now() + timeout;
  let last;
  while (Date.now() < until) {
    last = await shownPages(page);
    if (last.left === left && last.right === right && last.still) return last;
    await page.waitForTimeout(25);
  }
  throw new Error(`expected pages ${left}|${right}, saw ${last?.left}|${last?.right} (leaf ${last?.still ? "hidden" : "turning"})`);
}

export async function shot(page, name) {
  await page.screenshot({ path: join(SHOTS_DIR, `${name}.png`) });
}
