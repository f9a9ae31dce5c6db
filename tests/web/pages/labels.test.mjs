import { test } from "node:test";
import assert from "node:assert/strict";
import { bookOf, eventually, findStatus, focused, reader, showing, shot, useBrowser } from "./harness.mjs";
import { FORMS_COUNTS, makeLabelledPdf } from "./makeLabelledPdf.mjs";

useBrowser();
const CONTENTS = { toc: [{ title: "Preface", page: 2 }, { title: "Book one", page: 5, children: [{ title: "Harbours", page: 12 }] },
  { title: "Book two", page: 19 }, { title: "Appendix", page: 29 }] };

const box = () => [document.getElementById("page-input").value, document.getElementById("page-input").title];

test("the page box, overview and contents show printed labels, the box reaches pages by them and gives the keys back; find matches presentation forms and ligatures, lists each match with its printed page and goes there; Ctrl+A selects the shown text", async () => {
  const { page, problems } = await reader(bookOf("labelled", makeLabelledPdf), { metadata: CONTENTS });
  await showing(page, null, 1);
  await eventually(page, box, null, ["i", "i (1 of 30)"]);
  // [keys to reach the box, typed, slots, box after]
  const steps = [
    // "17" is printed on page 21; the box names the spread by its left page.
    ["Control+l", "17", [20, 21], ["16", "16 (20 of 30)"]],
    ["Control+g", "iv", [4, 5], ["iv", "iv (4 of 30)"]],
  ];
  for (const [keys, typed, slots, after] of steps) {
    await page.keyboard.press(keys);
    assert.equal(await focused(page), "page-input", keys);
    // Typed over: the box selects its text when focused.
    await page.keyboard.type(typed);
    await page.keyboard.press("Enter");
    assert.equal(await focused(page), "stage", `after ${typed}`);
    await showing(page, ...slots);
    await eventually(page, box, null, after);
  }
  await page.keyboard.press("ArrowRight");
  await showing(page, 6, 7);
  await page.keyboard.press("Control+g");
  await page.keyboard.type("xx");
  await page.keyboard.press("Escape");
  assert.equal(await focused(page), "stage");
  await showing(page, 6, 7);
  assert.equal(await page.inputValue("#page-input"), "2");

  await page.click("#btn-thumbs");
  await page.waitForSelector(".thumb[data-page='5']", { state: "attached" });
  const captions = await page.evaluate(() => [4, 5].map((n) => {
    const b = document.querySelector(`.thumb[data-page="${n}"]`);
    return [b.lastChild.textContent, b.getAttribute("aria-label")];
  }));
  assert.deepEqual(captions, [["iv", "Page iv"], ["1", "Page 1"]]);
  await shot(page, "labels-box-and-overview");

  await page.click("#btn-contents");
  const marked = () => [...document.querySelectorAll("#contents [aria-current]")].map((b) => b.querySelector(".entry-title").textContent);
  for (const [typed, want] of [["i", []], ["9", ["Harbours"]], ["6", ["Book one"]]]) {
    await page.fill("#page-input", typed);
    await page.keyboard.press("Enter");
    await eventually(page, marked, null, want);
  }
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#contents .entry-page")].map((e) => e.textContent)),
    ["ii", "1", "8", "15", "A-1"]);
  await shot(page, "labels-contents");

  await page.keyboard.press("Control+f");
  for (const [query, count] of Object.entries(FORMS_COUNTS)) {
    await page.fill("#find-input", query);
    // The marked glyphs read as the query once their forms are spelt out.
    // Searching starts from the page on screen, so any match may be the first shown.
    await eventually(page, () => [document.getElementById("find-status").textContent.replace(/^\d+ of/, "n of"),
      document.querySelectorAll("#find-results-list li").length,
      (document.querySelector(".slot mark.current")?.textContent ?? "").normalize("NFKC").toLowerCase()], null, [`n of ${count}`, count, query]);
  }
  await page.fill("#find-input", "الخطوط");
  await findStatus(page, "1 of 2");
  const list = () => [...document.querySelectorAll("#find-results-list button")].map((b) =>
    [b.querySelector(".result-page").textContent, b.querySelector("mark").textContent.normalize("NFKC"), b.getAttribute("aria-current")]);
  await eventually(page, list, null, [["17 (21 of 30)", "الخطوط", "true"], ["22 (26 of 30)", "الخطوط", null]]);
  await shot(page, "labels-find-arabic");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Enter");
  await findStatus(page, "2 of 2");
  await showing(page, 26, 27);
  await eventually(page, list, null, [["17 (21 of 30)", "الخطوط", null], ["22 (26 of 30)", "الخطوط", "true"]]);
  assert.equal(await page.evaluate(() => document.activeElement.closest("#find-results-list li")?.dataset.index), "1");
  // Arrow keys inside the list move in it; they do not turn the book.
  await page.keyboard.press("ArrowUp");
  await showing(page, 26, 27);

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
