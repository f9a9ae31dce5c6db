// A book of pages in many shapes: each page keeps its own shape, in spreads, in
// single view and in the overview, and its image has exactly the device pixels
// of its box, so nothing is resampled.
import { test } from "node:test";
import assert from "node:assert/strict";
import { bookOf, cdp, reader, shot, useBrowser, waitForPages } from "./harness.mjs";
import { MIXED_PAGES, makeMixedPdf } from "./makePdf.mjs";

useBrowser();

async function openMixed(viewport, dpr) {
  const opened = await reader(bookOf("mixed", makeMixedPdf), { viewport, dpr });
  await opened.page.emulateMedia({ reducedMotion: "reduce" });
  return opened;
}

/** The shown pages once each shows its sharp image: box, side and the image's natural size. */
async function shownPages(page) {
  const read = () => page.evaluate(() => ({
    pages: [...document.querySelectorAll(".slot .page")].filter((el) => getComputedStyle(el.parentElement).display !== "none").map((el) => ({
      ...el.getBoundingClientRect().toJSON(), number: Number(el.dataset.page), side: el.parentElement.classList.contains("left") ? "left" : "right",
      natural: [el.querySelector("img").naturalWidth, el.querySelector("img").naturalHeight], loading: el.classList.contains("loading"),
    })),
    dpr: window.devicePixelRatio, stage: document.getElementById("stage").getBoundingClientRect().toJSON(),
  }));
  let seen;
  // Chromium encodes a canvas in the page's idle time and forces it through only after
  // seconds; a large page drawn while the test polls can take that long.
  for (const until = Date.now() + 15000; Date.now() < until; await page.waitForTimeout(25)) {
    seen = await read();
    const sharp = (p) => !p.loading && p.natural[0] === Math.round(p.width * seen.dpr) && p.natural[1] === Math.round(p.height * seen.dpr);
    if (seen.pages.length > 0 && seen.pages.every(sharp)) return seen;
  }
  throw new Error(`pages never showed sharp images: ${JSON.stringify(seen)}`);
}

const shownAspect = (n) => MIXED_PAGES[n - 1].shown[0] / MIXED_PAGES[n - 1].shown[1];
const whole = (v, dpr) => Math.abs(v * dpr - Math.round(v * dpr)) < 0.02;

/** Checks shared by every view: own shape, whole device pixels, inside the stage. */
function checkPages({ pages, dpr, stage }, what) {
  for (const p of pages) {
    const tag = `${what}, page ${p.number}`;
    // Each side is rounded to a device pixel on its own.
    assert.ok(Math.abs(p.width - p.height * shownAspect(p.number)) <= (1 + shownAspect(p.number)) / dpr, `${tag}: ${p.width}x${p.height}`);
    for (const k of ["left", "top", "width", "height"]) assert.ok(whole(p[k], dpr), `${tag}: ${k} ${p[k]} at ratio ${dpr}`);
    assert.ok(p.left >= stage.left - 0.01 && p.right <= stage.left + stage.width + 0.01, `${tag} is inside the stage`);
    assert.ok(p.top >= stage.top - 0.01 && p.bottom <= stage.top + stage.height + 0.01, `${tag} is inside the stage`);
  }
}

/** Checks the spread [left, right] on screen: both pages sharp and in their shapes, meeting at the spine
 * with bottoms level, at one scale, the pair fitted to the view. */
async function checkSpread(page, left, right) {
  await waitForPages(page, left, right);
  const seen = await shownPages(page);
  checkPages(seen, `spread ${left}|${right}`);
  if (left === null || right === null) return;
  const [l, r] = ["left", "right"].map((side) => seen.pages.find((p) => p.side === side));
  assert.deepEqual([l.number, r.number], [left, right]);
  assert.equal(l.right, r.left, `${left}|${right}: the pages meet at the spine`);
  assert.equal(l.bottom, r.bottom, `${left}|${right}: bottoms are level`);
  const heights = MIXED_PAGES[left - 1].shown[1] / MIXED_PAGES[right - 1].shown[1];
  assert.ok(Math.abs(l.height - r.height * heights) <= 1, `one scale: ${l.height} / ${r.height}, want ${heights}`);
  const fills = Math.max((r.right - l.left) / seen.stage.width, Math.max(l.height, r.height) / seen.stage.height);
  assert.ok(fills > 0.85, `the pair is fitted to the view (${fills})`);
}

test("spreads pair pages of different shapes at the spine, bottoms level, one scale, images at device pixels, either way round", async () => {
  const { page, problems } = await openMixed({ width: 1280, height: 800 }, 2);
  // Onward, then turned around to read right to left ("r") and back through the mirrored spreads.
  for (const [key, left, right] of [[null, null, 1], ["ArrowRight", 2, 3], ["ArrowRight", 4, 5], ["r", 5, 4], ["ArrowRight", 3, 2], ["r", 2, 3]]) {
    if (key) await page.keyboard.press(key);
    await checkSpread(page, left, right);
  }
  await shot(page, "shapes-spread");

  // A link on the turned page lands where the turned page shows its corner.
  await page.waitForSelector('.slot.right .page[data-page="3"] .link');
  const link = await page.$eval('.slot.right .page[data-page="3"] .link', (a) => ["left", "top", "width", "height"].map((k) => parseFloat(a.style[k])));
  const want = [(842 - 100) / 842, 50 / 595, 80 / 842, 200 / 595].map((v) => v * 100);
  assert.ok(link.every((v, k) => Math.abs(v - want[k]) < 0.5), `link at ${link}, want ${want}`);

  const words = await page.$eval('.slot.right .page[data-page="3"]', async (el) => {
    while (!el.querySelector(".textLayer span")) await new Promise((r) => setTimeout(r, 20));
    const p = el.getBoundingClientRect();
    const r = el.querySelector(".textLayer span").getBoundingClientRect();
    return { left: (r.left - p.left) / p.width, top: (r.top - p.top) / p.height, width: r.width / p.width, height: r.height / p.height };
  });
  // Drawn at x = 0.2 and y = 0.5 of the unturned page, from its bottom up: the turned page shows it
  // running down from 0.2 of its height, about the middle of its width.
  assert.ok(words.height > 0.4 && words.width < 0.1, `a column of text: ${JSON.stringify(words)}`);
  assert.ok(Math.abs(words.top - 0.2) < 0.05 && words.left > 0.4 && words.left < 0.5, `placed as drawn: ${JSON.stringify(words)}`);

  // Each zoom step renders the pages again at exactly their new boxes; the zoomed spread pans, turns,
  // and fits again at the view's size.
  let last = (await shownPages(page)).pages[0].width;
  for (const level of ["125%", "150%", "200%"]) {
    await page.keyboard.press("+");
    await page.waitForFunction((z) => document.getElementById("zoom-level").value === z, level);
    const seen = await shownPages(page);
    for (const p of seen.pages) for (const k of ["width", "height"]) assert.ok(whole(p[k], seen.dpr), `${level}: page ${p.number} ${k} ${p[k]}`);
    assert.ok(seen.pages[0].width > last, `${level} is larger`);
    last = seen.pages[0].width;
  }
  assert.ok(await page.evaluate(() => document.getElementById("stage").scrollHeight > document.getElementById("stage").clientHeight), "pans");
  await page.click("#btn-next");
  await waitForPages(page, 4, 5);
  await shownPages(page);
  await page.click("#btn-zoom-fit");
  await checkSpread(page, 4, 5);
  assert.deepEqual(problems, []);
  await page.close();
});

test("single pages are each fitted on their own, also at a new pixel ratio, and the overview shows every page in its shape", async () => {
  const { page, problems } = await openMixed({ width: 560, height: 800 });
  for (const n of MIXED_PAGES.keys()) {
    if (n > 0) await page.keyboard.press("ArrowRight");
    await waitForPages(page, null, n + 1);
    const seen = await shownPages(page);
    assert.equal(seen.pages.length, 1);
    checkPages(seen, "single view");
    const [p] = seen.pages;
    const fills = Math.max(p.width / seen.stage.width, p.height / seen.stage.height);
    assert.ok(fills > 0.85, `page ${n + 1} is fitted to the view (${fills})`);
  }
  // A new pixel ratio (the window moved to another screen) renders the page again at its pixels.
  // Chromium's emulation sends no resolution change, so the window changes size with it.
  await (await cdp(page)).send("Emulation.setDeviceMetricsOverride", { width: 600, height: 800, deviceScaleFactor: 1.5, mobile: false });
  const moved = await shownPages(page);
  assert.equal(moved.dpr, 1.5);
  checkPages(moved, "at ratio 1.5");

  await page.click("#btn-thumbs");
  const thumbs = await page.waitForFunction((count) => {
    const rendered = [...document.querySelectorAll(".thumb")].filter((b) => b.querySelector("img").naturalWidth > 0);
    return rendered.length === count && rendered.map((b) => {
      const img = b.querySelector("img").getBoundingClientRect();
      return { number: Number(b.dataset.page), width: img.width, height: img.height, pitch: b.getBoundingClientRect().height };
    });
  }, MIXED_PAGES.length, { timeout: 10000 }).then((h) => h.jsonValue());
  await shot(page, "shapes-thumbnails");
  for (const th of thumbs) {
    assert.ok(Math.abs(th.width - th.height * shownAspect(th.number)) <= 1 + shownAspect(th.number), `thumbnail ${th.number}: ${th.width}x${th.height}`);
    assert.equal(th.pitch, thumbs[0].pitch, "rows share one pitch");
  }
  assert.deepEqual(problems, []);
  await page.close();
});

test("a spread laid out before its pages' shapes were known takes them once they arrive", async () => {
  const { page, problems } = await openMixed({ width: 1280, height: 800 });
  // Straight on from the book's creation: pages 4 and 5 stand in page 1's shape until they are looked up.
  await page.waitForFunction(() => document.querySelector(".book"));
  await page.evaluate(() => window.onResume(5));
  await checkSpread(page, 4, 5);
  assert.deepEqual(problems, []);
  await page.close();
});
