import { test } from "node:test";
import assert from "node:assert/strict";
import { configFor, openPage, shot, textBook, useBrowser, wordBox } from "./harness.mjs";

useBrowser();
const PAGE_POINTS = 420; // the text book's page width

/** The text book open in the reader page, at page 1. */
async function textReader(viewport) {
  const opened = await openPage("flipbook.html", viewport);
  await opened.page.evaluate((c) => window.onMessage(c), configFor(await textBook()));
  await opened.page.waitForSelector(".slot .page .textLayer span");
  return opened;
}

/** Waits for the slots to hold [left, right] pages with their text laid over and no leaf turning. */
async function showing(page, left, right) {
  const want = JSON.stringify([left, right]);
  await page.waitForFunction((w) => {
    const at = (side) => {
      const el = document.querySelector(`.slot.${side} .page`);
      return el && getComputedStyle(el.parentElement).display !== "none" && el.querySelector(".textLayer span") ? Number(el.dataset.page) : null;
    };
    return JSON.stringify([at("left"), at("right")]) === w && document.querySelector(".leaf.idle");
  }, want, { timeout: 5000 }).catch(async () => {
    const seen = await page.evaluate(() => [...document.querySelectorAll(".slot .page")].map((p) => p.dataset.page));
    throw new Error(`expected pages ${want}, saw ${seen}`);
  });
}

/** Screen box of the first `word` in the text layer of page `number`, and that page's box. */
const layerBox = (page, number, word) => page.evaluate(([n, w]) => {
  const pageEl = document.querySelector(`.slot .page[data-page="${n}"]`);
  const span = [...pageEl.querySelectorAll(".textLayer span")].find((s) => s.textContent.includes(w));
  const range = document.createRange();
  const start = span.firstChild.textContent.indexOf(w);
  range.setStart(span.firstChild, start);
  range.setEnd(span.firstChild, start + w.length);
  const r = range.getBoundingClientRect();
  const p = pageEl.getBoundingClientRect();
  return { word: { left: r.left, right: r.right, top: r.top, bottom: r.bottom }, page: { left: p.left, top: p.top, width: p.width } };
}, [number, word]);

test("the text layer lies on the drawn words in spreads and single pages, at two zooms", async () => {
  for (const [viewport, number, word, left, right] of [
    [{ width: 1280, height: 800 }, 3, "Zürich", 2, 3],
    [{ width: 1280, height: 800 }, 2, "Chapter", 2, 3],
    [{ width: 560, height: 800 }, 1, "Harbour", null, 1],
  ]) {
    const { page, problems } = await textReader(viewport);
    if (number > 1) {
      await page.fill("#page-input", String(number));
      await page.keyboard.press("Enter");
    }
    await showing(page, left, right);
    const drawn = wordBox(number, word);
    for (const zoom of ["100%", "200%"]) {
      if (zoom !== "100%") {
        for (let i = 0; i < 3; i++) await page.click("#btn-zoom-in");
        await page.waitForFunction((z) => document.getElementById("zoom-level").value === z, zoom);
      }
      const { word: box, page: at } = await layerBox(page, number, word);
      const scale = at.width / PAGE_POINTS;
      const off = {
        left: box.left - (at.left + drawn.x0 * scale), right: box.right - (at.left + drawn.x1 * scale),
        middle: (box.top + box.bottom) / 2 - (at.top + ((drawn.y0 + drawn.y1) / 2) * scale),
      };
      const what = `${word} on page ${number} at ${zoom}, ${viewport.width} wide: ${JSON.stringify(off)}`;
      for (const d of Object.values(off)) assert.ok(Math.abs(d) <= 3 * Math.max(1, scale), what);
    }
    if (number === 3) await shot(page, "reader-text-zoomed");
    assert.deepEqual(problems, []);
    await page.close();
  }
});

test("find searches the whole book from page 1, counts, wraps both ways and gives focus back", async () => {
  const { page, problems } = await textReader();
  await showing(page, null, 1);
  await page.focus("#btn-next");
  await page.keyboard.press("Control+f");
  assert.equal(await page.evaluate(() => document.activeElement.id), "find-input");
  await page.keyboard.type("copper lantern");
  const status = (text) => page.waitForFunction((t) => document.getElementById("find-status").textContent === t, text);
  await status("1 of 4");
  await showing(page, 8, 9);
  const current = () => page.evaluate(() => [...document.querySelectorAll(".slot mark.current")].map((m) => [m.closest(".page").dataset.page, m.textContent]));
  assert.deepEqual(await current(), [["9", "copper lantern"]]);
  await shot(page, "reader-find");
  // The second match runs over a line break: both halves are marked.
  const steps = [["Enter", "2 of 4", 10, 11, [["10", "copper"], ["10", "lantern"]]], ["F3", "3 of 4", 10, 11, [["10", "copper lantern"]]],
    ["Enter", "4 of 4", 12, null, [["12", "COPPER LANTERN"]]], ["Enter", "1 of 4", 8, 9, null], ["Shift+Enter", "4 of 4", 12, null, null],
    ["Shift+F3", "3 of 4", 10, 11, null]];
  for (const [key, text, left, right, marks] of steps) {
    await page.keyboard.press(key);
    await status(text);
    await showing(page, left, right);
    if (marks) assert.deepEqual(await current(), marks, `${key} to ${text}`);
  }
  // Accents, case and a word hyphenated over two lines; no match changes nothing.
  for (const [query, text, left, right] of [["CREME brulee", "1 of 1", 2, 3], ["lighthouse", "1 of 1", 4, 5], ["senor in zurich", "1 of 1", 2, 3],
    ["harbour lantern", "No matches", 2, 3]]) {
    await page.fill("#find-input", query);
    await status(text);
    await showing(page, left, right);
  }
  assert.equal(await page.evaluate(() => document.querySelectorAll(".slot mark").length), 0);
  await page.keyboard.press("Escape");
  assert.deepEqual(await page.evaluate(() => [document.activeElement.id, document.getElementById("find-bar").hidden]), ["btn-next", true]);
  assert.deepEqual(problems, []);
  await page.close();
});

test("words are selected by dragging and double-clicking, copied as text, and never turn the page", async () => {
  const { page, problems } = await textReader();
  await page.evaluate(() => document.addEventListener("copy", () => { window.__copied = String(document.getSelection()); }));
  await page.fill("#page-input", "3");
  await page.keyboard.press("Enter");
  await showing(page, 2, 3);
  const line = page.locator('.slot.right .textLayer span:has-text("At the Café")');
  const box = await line.boundingBox();
  await page.mouse.move(box.x + 2, box.y + box.height / 2);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2, { steps: 5 });
  // Past the line's end the selection stops at the line's end.
  await page.mouse.move(box.x + box.width + 12, box.y + box.height / 2 + 2, { steps: 5 });
  await page.mouse.up();
  await page.keyboard.press("Control+c");
  assert.equal((await page.evaluate(() => window.__copied)).trim(), "At the Café Señor in Zürich we ate");
  await shot(page, "reader-selection");
  await showing(page, 2, 3);

  const word = await page.evaluate(() => {
    const span = [...document.querySelectorAll(".slot.right .textLayer span")].find((s) => s.textContent.includes("Zürich"));
    const range = document.createRange();
    const at = span.firstChild.textContent.indexOf("Zürich");
    range.setStart(span.firstChild, at + 2);
    range.setEnd(span.firstChild, at + 3);
    const r = range.getBoundingClientRect();
    return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
  });
  await page.mouse.dblclick(word.x, word.y);
  assert.equal(await page.evaluate(() => String(document.getSelection()).trim()), "Zürich");
  // A key turns the page and takes the selection with it; a click on the blank margin still turns.
  await page.keyboard.press("ArrowRight");
  await showing(page, 4, 5);
  assert.equal(await page.evaluate(() => String(document.getSelection())), "");
  const book = await page.locator(".book").boundingBox();
  await page.mouse.click(book.x + book.width - 4, book.y + book.height - 8);
  await showing(page, 6, 7);
  assert.deepEqual(problems, []);
  await page.close();
});

test("the page reports where it is and opens where the host says", async () => {
  const { page } = await openPage("flipbook.html");
  await page.evaluate((c) => { window.onMessage(c); window.onResume(6); }, configFor(await textBook()));
  await showing(page, 6, 7);
  await page.waitForFunction(() => window.__sent.includes("action.position 6"));
  await page.keyboard.press("ArrowRight");
  await showing(page, 8, 9);
  await page.waitForFunction(() => window.__sent.includes("action.position 8"));
  assert.deepEqual(await page.evaluate(() => window.__sent.filter((m) => m.startsWith("action.position"))), ["action.position 6", "action.position 8"]);
  await page.close();
});
