import { test } from "node:test";
import assert from "node:assert/strict";
import { findStatus, focused, reader, sent, showing, shot, textBook, useBrowser, wordBox } from "./harness.mjs";

useBrowser();
const PAGE_POINTS = 420; // the text book's page width
// Page 9 of the text book prints this line; find's phrase is in it.
const LINE = "Then she lit the copper lantern and waited.";

/** The text book in the reader page, reopened at page `at`, once the slots show [left, right] with their text. */
async function textReader(at, left, right, viewport) {
  const opened = await reader(textBook(), { viewport, resume: at > 1 && at });
  await showing(opened.page, left, right);
  return opened;
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
    const { page, problems } = await textReader(number, left, right, viewport);
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
  const { page, problems } = await textReader(1, null, 1);
  await page.focus("#btn-next");
  await page.keyboard.press("Control+f");
  assert.equal(await focused(page), "find-input");
  await page.keyboard.type("copper lantern");
  await findStatus(page, "1 of 4");
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
    await findStatus(page, text);
    await showing(page, left, right);
    if (marks) assert.deepEqual(await current(), marks, `${key} to ${text}`);
  }
  // Accents, case and a word hyphenated over two lines; no match changes nothing.
  for (const [query, text, left, right] of [["CREME brulee", "1 of 1", 2, 3], ["lighthouse", "1 of 1", 4, 5], ["harbour lantern", "No matches", 4, 5]]) {
    await page.fill("#find-input", query);
    await findStatus(page, text);
    await showing(page, left, right);
  }
  assert.equal(await page.evaluate(() => document.querySelectorAll(".slot mark").length), 0);
  await page.keyboard.press("Escape");
  assert.deepEqual([await focused(page), await page.isHidden("#find-bar")], ["btn-next", true]);
  assert.deepEqual(problems, []);
  await page.close();
});

test("drags select text, from the line beside them when they start in blank space, and turn only from the margin; words copy as text", async () => {
  const { page, problems } = await textReader(1, null, 1);
  const drag = async (from, to) => {
    await page.mouse.move(from.x, from.y);
    await page.mouse.down();
    for (let i = 1; i <= 8; i++) await page.mouse.move(from.x + ((to.x - from.x) * i) / 8, from.y + ((to.y - from.y) * i) / 8);
    await page.mouse.up();
  };
  const g = await page.evaluate(() => {
    const pageEl = document.querySelector(".slot.right .page");
    const lines = [...pageEl.querySelectorAll(".textLayer > span")].filter((s) => s.getBoundingClientRect().width > 40)
      .map((s) => ({ text: s.textContent, r: s.getBoundingClientRect() })).sort((a, b) => a.r.top - b.r.top);
    const right = Math.max(...lines.map((l) => l.r.right));
    // Past the end of a line shorter than the longest: blank, but inside the text.
    const k = lines.findIndex((l, i) => i > 2 && l.r.right < right - 30);
    const p = pageEl.getBoundingClientRect();
    const mid = (l) => (l.r.top + l.r.bottom) / 2;
    return { page: { left: p.left, right: p.right, top: p.top, bottom: p.bottom }, first: lines[0].text, after: lines[k + 1].text,
      blank: { x: right - 5, y: mid(lines[k]) }, end: { x: lines[k + 4].r.left + 30, y: mid(lines[k + 4]) } };
  });
  await drag(g.blank, g.end);
  const selected = await page.evaluate(() => String(document.getSelection()).trim());
  assert.ok(selected.length > 5, `a drag from blank space selected ${JSON.stringify(selected)}`);
  // The selection starts at the line pressed beside, not at the top of the page.
  assert.ok(!selected.includes(g.first) && selected.startsWith(g.after.trim().slice(0, 10)), JSON.stringify({ selected, g }));
  assert.equal(await page.inputValue("#page-input"), "1", "and did not turn");
  const middle = (g.page.top + g.page.bottom) / 2;
  await drag({ x: g.page.right - 8, y: middle }, { x: g.page.left - 120, y: middle - 20 });
  await showing(page, 2, 3);
  await page.evaluate(() => document.addEventListener("copy", () => { window.__copied = String(document.getSelection()); }));
  const box = await page.locator('.slot.right .textLayer span:has-text("At the Café")').boundingBox();
  // Past the line's end the selection stops at the line's end.
  await drag({ x: box.x + 2, y: box.y + box.height / 2 }, { x: box.x + box.width + 12, y: box.y + box.height / 2 + 2 });
  await page.keyboard.press("Control+c");
  assert.equal((await page.evaluate(() => window.__copied)).trim(), "At the Café Señor in Zürich we ate");
  await shot(page, "reader-selection");
  await showing(page, 2, 3);

  const { word } = await layerBox(page, 3, "Zürich");
  await page.mouse.dblclick((word.left + word.right) / 2, (word.top + word.bottom) / 2);
  assert.equal(await page.evaluate(() => String(document.getSelection()).trim()), "Zürich");
  // A key turns the page and takes the selection with it.
  await page.keyboard.press("ArrowRight");
  await showing(page, 4, 5);
  assert.equal(await page.evaluate(() => String(document.getSelection())), "");
  assert.deepEqual(problems, []);
  await page.close();
});

/** The first message sent that starts with `prefix` and holds `part`, once there is one. */
const waitSent = (page, prefix, part = "") => page.waitForFunction(([p, h]) => window.__sent.find((m) => m.startsWith(p) && m.includes(h)),
  [prefix, part], { timeout: 5000 }).then((found) => found.jsonValue());

test("the host's widgets get the shown text and the page, run commands and find, and mark the sentence read aloud", async () => {
  const { page, problems } = await textReader(9, null, 9, { width: 560, height: 800 });
  const report = await waitSent(page, "action.shown ", '"number":9');
  const shown = JSON.parse(report.slice("action.shown ".length));
  assert.equal(shown.count, 12);
  assert.deepEqual(shown.pages.map((p) => p.number), [9]);
  const text = shown.pages[0].text;
  assert.ok(text.startsWith("Chapter 8\n") && text.includes(LINE), text.slice(0, 80));
  await waitSent(page, "action.position 9");

  const from = text.indexOf(LINE);
  await page.evaluate(([f, t]) => window.onSpeaking(9, f, t), [from, from + LINE.length]);
  await page.waitForSelector(".page[data-page='9'] mark.speaking");
  const marked = await page.$$eval(".page[data-page='9'] mark.speaking", (marks) => marks.map((m) => m.textContent).join(" "));
  assert.equal(marked.replace(/\s+/g, " ").trim(), LINE);
  await shot(page, "reader-speaking");
  await page.evaluate(() => window.onSpeaking());
  await page.waitForFunction(() => !document.querySelector("mark.speaking"));

  await page.evaluate(() => window.onCommand("next"));
  await waitSent(page, "action.shown ", '"number":10');
  await page.evaluate(() => window.onFind("copper lantern", 0));
  // From the page on screen: page 10's match, the second of the book's four.
  await waitSent(page, "action.found 2 of 4");
  await page.evaluate(() => window.onFind("copper lantern", 1));
  await waitSent(page, "action.found 3 of 4");
  await page.evaluate(() => window.onCommand("no such command"));
  // The page tells where it is once it settles there, each page once.
  await waitSent(page, "action.position 10");
  assert.deepEqual((await sent(page)).filter((m) => m.startsWith("action.position")), ["action.position 9", "action.position 10"]);
  assert.deepEqual(problems, []);
  await page.close();
});
