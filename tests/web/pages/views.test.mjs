import { test } from "node:test";
import assert from "node:assert/strict";
import { bestOf, book, configFor, frames, reader, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();

/** Page number and place (shares of the page) of the point (x, y) of the screen. */
const pointAt = (page, x, y) => page.evaluate(([x, y]) => {
  const el = document.elementsFromPoint(x, y).map((e) => e.closest(".page")).find(Boolean);
  const r = el.getBoundingClientRect();
  return { number: el.dataset.page, fx: (x - r.left) / r.width, fy: (y - r.top) / r.height };
}, [x, y]);

/** Where that place of that page is on screen now. */
const placeOf = (page, at) => page.evaluate((a) => {
  const el = [...document.querySelectorAll(`.page[data-page="${a.number}"]`)].find((p) => !p.closest(".face"));
  const r = el.getBoundingClientRect();
  return { x: r.left + a.fx * r.width, y: r.top + a.fy * r.height };
}, at);

const topPage = (page) => page.evaluate(() => {
  const stage = document.getElementById("stage").getBoundingClientRect();
  const pages = [...document.querySelectorAll(".column > .page")].map((p) => [Number(p.dataset.page), p.getBoundingClientRect()]);
  return pages.filter(([, r]) => r.bottom > stage.top + 1).sort((a, b) => a[1].top - b[1].top)[0]?.[0];
});

test("every view shows the page the reader is on, and switching views keeps it; over a page larger than the view, keys pan before they turn", async () => {
  const { page, problems } = await reader(40, { metadata: { toc: [{ title: "One", page: 1 }] } });
  await waitForPages(page, null, 1);
  await page.fill("#page-input", "7");
  await page.keyboard.press("Enter");
  await waitForPages(page, 6, 7);
  await page.focus("#stage");
  // From a spread, one page goes to the page asked for, not the spread's left page.
  const steps = [
    ["Control+2", "single", async () => waitForPages(page, null, 7)],
    ["ArrowRight", "single", async () => waitForPages(page, null, 8)],
    ["Control+3", "scroll", async () => page.waitForFunction(() => document.querySelector(".column > .page[data-page='8']"))],
    ["ArrowRight", "scroll", async () => page.waitForFunction(() => document.getElementById("page-input").value === "9")],
    ["Control+1", "spread", async () => waitForPages(page, 8, 9)],
  ];
  for (const [key, view, shows] of steps) {
    await page.keyboard.press(key);
    await shows();
    assert.equal(await page.getAttribute(`[aria-pressed="true"][id^="btn-view-"]`, "id"), `btn-view-${view}`, key);
    if (key === "Control+3") {
      assert.equal(await topPage(page), 8, "the column opens with the page at its top");
      assert.equal(await page.inputValue("#page-input"), "8");
      await shot(page, "views-scroll");
    }
  }
  await page.click("#btn-view-single");
  await waitForPages(page, null, 9);

  await page.keyboard.press("w");
  assert.equal(await page.getAttribute("#btn-fit-width", "aria-pressed"), "true");
  const view = () => page.evaluate(() => {
    const s = document.getElementById("stage");
    const p = document.querySelector(".slot.right .page").getBoundingClientRect();
    return { top: s.scrollTop, max: s.scrollHeight - s.clientHeight, width: p.width, room: s.clientWidth };
  });
  const fitted = await view();
  assert.ok(fitted.max > 100 && fitted.width > fitted.room * 0.9, `fit width: ${JSON.stringify(fitted)}`);
  await shot(page, "views-fit-width");
  await page.keyboard.press("PageDown");
  assert.ok((await view()).top > 0, "the first key pans");
  await waitForPages(page, null, 9);
  for (let i = 0; i < 10 && (await view()).top < fitted.max - 1; i++) await page.keyboard.press("PageDown");
  await page.keyboard.press("ArrowDown");
  await waitForPages(page, null, 10);
  assert.equal((await view()).top, 0, "the next page starts at its top");
  await page.keyboard.press("ArrowUp");
  await waitForPages(page, null, 9);
  assert.ok((await view()).top >= fitted.max - 1, "going back shows the end of the page before");

  // Another book replaces one read in the column: it opens as a book, its stage no longer a column, without the contents it lacks.
  await page.keyboard.press("Control+3");
  await page.waitForSelector(".column > .page");
  await page.evaluate(async (c) => window.onMessage(c), configFor(await book(6)));
  await waitForPages(page, null, 1);
  assert.equal(await page.evaluate(() => document.getElementById("stage").className), "stage");
  assert.equal(await page.textContent("#page-count"), "6");
  assert.ok(await page.isHidden("#btn-contents"));
  assert.deepEqual(problems, []);
  await page.close();
});

test("the continuous view keeps few pages in the document and follows the scroll through 1000 pages", async (t) => {
  const { page, problems } = await reader(1000);
  // Closed even when the test fails: a page left open would hold back the next one's frames.
  t.after(() => page.close());
  await waitForPages(page, null, 1, 20000);
  await page.keyboard.press("Control+3");
  await page.waitForSelector(".column > .page[data-page='1']:not(.loading)");
  // A steady scroll of about 1.5 screens a second for two seconds, a frame at a time.
  const longest = await bestOf(3, async () => (await frames(page, () => page.evaluate(async () => {
    const stage = document.getElementById("stage");
    for (const until = performance.now() + 2000; performance.now() < until; await new Promise((r) => requestAnimationFrame(r))) {
      stage.scrollTop += stage.clientHeight / 40;
    }
  }))).longest);
  assert.ok(longest < 50, `a frame of the scroll took ${longest} ms`);
  const counts = await page.evaluate(() => [document.querySelectorAll(".column > .page").length, document.getElementsByTagName("*").length]);
  assert.ok(counts[0] <= 6 && counts[1] < 1500, JSON.stringify(counts));
  const shown = await topPage(page);
  assert.ok(shown > 1, "the scroll moved on");
  await page.waitForFunction((n) => Math.abs(Number(document.getElementById("page-input").value) - n) <= 1, shown);
  await page.fill("#page-input", "731");
  await page.keyboard.press("Enter");
  await page.waitForFunction(() => document.querySelector(".column > .page[data-page='731']:not(.loading)"));
  assert.equal(await topPage(page), 731);
  assert.equal(await page.inputValue("#page-input"), "731");
  assert.deepEqual(problems, []);
});

test("Ctrl+wheel zooms about the pointer, in the book and in the column", async () => {
  const { page, problems } = await reader(40);
  await waitForPages(page, null, 1);
  await page.keyboard.press("ArrowRight");
  await waitForPages(page, 2, 3);
  for (const [view, x, y] of [["spread", 760, 300], ["scroll", 700, 420]]) {
    await page.click("#btn-zoom-fit");
    if (view === "scroll") {
      await page.keyboard.press("Control+3");
      await page.waitForSelector(".column > .page");
      // A page narrower than the view stays centred: the column is fitted to its width to leave room to keep the point.
      await page.keyboard.press("w");
    }
    const at = await pointAt(page, x, y);
    await page.mouse.move(x, y);
    await page.keyboard.down("Control");
    while (Number((await page.inputValue("#zoom-level")).replace("%", "")) < 200) await page.mouse.wheel(0, -120);
    await page.keyboard.up("Control");
    const now = await placeOf(page, at);
    assert.ok(Math.hypot(now.x - x, now.y - y) <= 3, `${view}: ${JSON.stringify({ at, now })}`);
    if (view === "spread") await shot(page, "views-zoom-pointer");
  }
  // A typed level is taken, within bounds; nonsense puts back the level shown.
  for (const typed of ["9000 %", "abc"]) {
    await page.fill("#zoom-level", typed);
    await page.keyboard.press("Enter");
    assert.equal(await page.inputValue("#zoom-level"), "800%", typed);
  }
  // At 800% a page's box is far past the render cap: the render stops at it and is stretched.
  const sizes = await page.waitForFunction(() => {
    const img = [...document.querySelectorAll(".column > .page:not(.loading) img")].find((i) => i.naturalWidth * i.naturalHeight > 8e6);
    const box = img?.closest(".page").getBoundingClientRect();
    return img && { drawn: img.naturalWidth * img.naturalHeight, box: box.width * box.height };
  }, null, { timeout: 20000 }).then((h) => h.jsonValue());
  assert.ok(sizes.drawn <= 16e6 && sizes.box > 2 * sizes.drawn, JSON.stringify(sizes));
  assert.deepEqual(problems, []);
  await page.close();
});
