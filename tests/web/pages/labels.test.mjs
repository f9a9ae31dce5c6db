// A book numbered as printed books are, some of its text in presentation forms
// and ligatures: the page box, contents, find and select all in the reader page.
import { test } from "node:test";
import assert from "node:assert/strict";
import { bookOf, eventually, reader, showing, shot, useBrowser } from "./harness.mjs";
import { FORMS_COUNTS, makeLabelledPdf } from "./makeLabelledPdf.mjs";

useBrowser();
const CONTENTS = { toc: [{ title: "Preface", page: 2 }, { title: "Book one", page: 5, children: [{ title: "Harbours", page: 12 }] },
  { title: "Book two", page: 19 }, { title: "Appendix", page: 29 }] };

async function labelledReader() {
  const opened = await reader(bookOf("labelled", makeLabelledPdf), { metadata: CONTENTS });
  await showing(opened.page, null, 1);
  return opened;
}

const focusedId = (page) => page.evaluate(() => document.activeElement?.id ?? null);
const box = () => [document.getElementById("page-input").value, document.getElementById("page-input").title];

test("the page box, the overview and the contents show printed labels; the box reaches pages by them, then gives the keys back", async () => {
  const { page, problems } = await labelledReader();
  await eventually(page, box, null, ["i", "i (1 of 30)"]);
  // [keys to reach the box, typed, slots, box after]
  const steps = [
    ["Control+g", "iv", [4, 5], ["iv", "iv (4 of 30)"]],
    ["Control+l", "17", [20, 21], ["16", "16 (20 of 30)"]],
    ["Control+g", "a-2", [30, null], ["A-2", "A-2 (30 of 30)"]],
    // "3" is printed on the seventh page; the box names the spread by its left page.
    ["Control+l", "3", [6, 7], ["2", "2 (6 of 30)"]],
  ];
  for (const [keys, typed, slots, after] of steps) {
    await page.keyboard.press(keys);
    assert.equal(await focusedId(page), "page-input", keys);
    // Typed over: the box selects its text when focused.
    await page.keyboard.type(typed);
    await page.keyboard.press("Enter");
    assert.equal(await focusedId(page), "stage", `after ${typed}`);
    await showing(page, ...slots);
    await eventually(page, box, null, after);
  }
  // Arrow keys turn again at once; Escape leaves the box as it was and turns nothing.
  await page.keyboard.press("ArrowRight");
  await showing(page, 8, 9);
  await page.keyboard.press("Control+g");
  await page.keyboard.type("xx");
  await page.keyboard.press("Escape");
  assert.equal(await focusedId(page), "stage");
  await showing(page, 8, 9);
  assert.equal(await page.inputValue("#page-input"), "4");

  await page.click("#btn-thumbs");
  await page.waitForSelector(".thumb[data-page='9']", { state: "attached" });
  const captions = await page.evaluate(() => [3, 4, 5, 9].map((n) => {
    const b = document.querySelector(`.thumb[data-page="${n}"]`);
    return [b.lastChild.textContent, b.getAttribute("aria-label")];
  }));
  assert.deepEqual(captions, [["iii", "Page iii"], ["iv", "Page iv"], ["1", "Page 1"], ["5", "Page 5"]]);
  await shot(page, "labels-box-and-overview");

  // The contents list names entries by printed labels and marks the chapter being read as the pages turn.
  await page.click("#btn-contents");
  const marked = () => [...document.querySelectorAll("#contents [aria-current]")].map((b) => b.querySelector(".entry-title").textContent);
  for (const [typed, want] of [["i", []], ["iii", ["Preface"]], ["9", ["Harbours"]], ["6", ["Book one"]], ["A-1", ["Appendix"]]]) {
    await page.fill("#page-input", typed);
    await page.keyboard.press("Enter");
    await eventually(page, marked, null, want);
  }
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#contents .entry-page")].map((e) => e.textContent)),
    ["ii", "1", "8", "15", "A-1"]);
  await shot(page, "labels-contents");
  assert.deepEqual(problems, []);
  await page.close();
});

test("find matches presentation forms and ligatures, lists each match with its printed page and goes there; Ctrl+A selects the shown text", async () => {
  const { page, problems } = await labelledReader();
  await page.keyboard.press("Control+f");
  const status = (text) => page.waitForFunction((t) => document.getElementById("find-status").textContent === t, text);
  for (const [query, count] of Object.entries(FORMS_COUNTS)) {
    await page.fill("#find-input", query);
    // The marked glyphs read as the query once their forms are spelt out.
    // Searching starts from the page on screen, so any match may be the first shown.
    await eventually(page, () => [document.getElementById("find-status").textContent.replace(/^\d+ of/, "n of"),
      document.querySelectorAll("#find-results-list li").length,
      (document.querySelector(".slot mark.current")?.textContent ?? "").normalize("NFKC").toLowerCase()], null, [`n of ${count}`, count, query]);
  }
  await page.fill("#find-input", "الخطوط");
  await status("1 of 2");
  const list = () => [...document.querySelectorAll("#find-results-list button")].map((b) =>
    [b.querySelector(".result-page").textContent, b.querySelector("mark").textContent.normalize("NFKC"), b.getAttribute("aria-current")]);
  await eventually(page, list, null, [["17 (21 of 30)", "الخطوط", "true"], ["22 (26 of 30)", "الخطوط", null]]);
  await shot(page, "labels-find-arabic");
  // Down from the field into the list, down again, Enter: the second match is shown and current.
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Enter");
  await status("2 of 2");
  await showing(page, 26, 27);
  await eventually(page, list, null, [["17 (21 of 30)", "الخطوط", null], ["22 (26 of 30)", "الخطوط", "true"]]);
  assert.equal(await page.evaluate(() => document.activeElement.closest("#find-results-list li")?.dataset.index), "1");
  // Arrow keys inside the list move in it; they do not turn the book.
  await page.keyboard.press("ArrowUp");
  await showing(page, 26, 27);

  // Ctrl+A selects the shown pages' text only; in a field it keeps its own meaning.
  await page.fill("#page-input", "17");
  await page.keyboard.press("Enter");
  await showing(page, 20, 21);
  await page.keyboard.press("Control+a");
  const selected = await page.evaluate(() => String(document.getSelection()));
  for (const word of ["Sheet 20", "Sheet 21", "o\ufb03ce"]) assert.ok(selected.includes(word), `${word} in ${JSON.stringify(selected)}`);
  for (const chrome of ["Sheet 19", "Sheet 22", "Contents", "Find in book", "Pages"]) assert.ok(!selected.includes(chrome), chrome);
  await page.evaluate(() => document.addEventListener("copy", (e) => { window.__copied = e.clipboardData.getData("text/plain"); }));
  await page.keyboard.press("Control+c");
  assert.ok((await page.evaluate(() => window.__copied)).includes("a fine office"), "ligatures are copied as letters");
  await shot(page, "labels-select-all");

  await page.keyboard.press("Control+f");
  await page.keyboard.type("sheet");
  await page.keyboard.press("Control+a");
  assert.deepEqual(await page.evaluate(() => {
    const input = document.getElementById("find-input");
    return [input.selectionStart, input.selectionEnd, String(document.getSelection()).includes("Sheet 21")];
  }), [0, 5, false]);
  assert.deepEqual(problems, []);
  await page.close();
});
