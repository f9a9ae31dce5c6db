import { test } from "node:test";
import assert from "node:assert/strict";
import { foldedSpan, PAGE_TEXT_LIMIT, shownReport } from "../../../reader/src/flipbook/spokenRange.js";
import { pageText } from "../../../reader/src/flipbook/textSearch.js";
import { CONTENTS_LIMIT, contentsReport } from "../../../reader/src/flipbook/contentsReport.js";

test("a sentence in the printed text marks the folded characters it was printed from; a range outside the text or empty marks nothing", () => {
  const page = pageText(["The ﬁrst lamp   was lit.", "Then the light-", "house shone."].map((str) => ({ str, hasEOL: true })), false, true);
  const at = (sentence) => [page.display.indexOf(sentence), page.display.indexOf(sentence) + sentence.length];
  const cases = [
    // A ligature prints as one character and folds to two.
    [at("The ﬁrst lamp was lit."), "the first lamp was lit."],
    // A word hyphenated at a line's end prints joined.
    [at("Then the lighthouse shone."), "then the lighthouse shone."],
    [[500, 520], null],
    [[3, 3], null],
  ];
  for (const [[from, to], folded] of cases) {
    const found = foldedSpan(page.at, from, to);
    assert.equal(found && page.text.slice(found.start, found.start + found.length).trim(), folded, `${from}..${to}`);
  }
});

test("the report to the host keeps page numbers and cuts a runaway page", () => {
  const long = "x".repeat(PAGE_TEXT_LIMIT + 10);
  const report = shownReport([{ number: 9, text: "Nine." }, { number: 10, text: long }], 12);
  assert.deepEqual(report.pages.map((p) => [p.number, p.text.length]), [[9, 5], [10, PAGE_TEXT_LIMIT]]);
});

test("the contents go to the host flat, with depths, in reading order and within bounds", () => {
  const tree = [
    { title: "One", page: 1, children: [{ title: "One.a", page: 2, children: [{ title: "deep", page: 3 }] }] },
    { title: "Broken", page: "x", children: [{ title: "Kept child", page: 5 }] },
    { title: "t".repeat(400), page: 9 },
  ];
  const flat = contentsReport(tree);
  assert.deepEqual(flat.map((e) => [e.title.slice(0, 10), e.page, e.level]), [
    ["One", 1, 0], ["One.a", 2, 1], ["deep", 3, 2], ["Kept child", 5, 1], ["tttttttttt", 9, 0],
  ]);
  assert.equal(flat.at(-1).title.length, 300);
  const many = Array.from({ length: CONTENTS_LIMIT + 5 }, (_, i) => ({ title: `${i}`, page: 1 }));
  assert.equal(contentsReport(many).length, CONTENTS_LIMIT);
});
