import { test } from "node:test";
import assert from "node:assert/strict";
import {
  findAll, foldQuery, itemRanges, matchContext, matchStatus, pageText, plainLetters,
} from "../../../reader/src/flipbook/textSearch.js";
import { currentEntry } from "../../../reader/src/flipbook/toc.js";

const items = (...lines) => lines.flatMap((line) => [{ str: line, hasEOL: true }, { type: "beginMarkedContent" }]);

test("page text folds case, accents, ligatures and line breaks, and joins words hyphenated at a line's end", () => {
  const cases = [
    [items("At the Café Señor", "in ZÜRICH"), "at the cafe senor in zurich"],
    [items("the old light-", "house stood"), "the old lighthouse stood"],
    [items("well -", "known"), "well - known"],
    [items("a ﬁne   day\t", "  next"), "a fine day next"],
    [items("soft\u00adhyphen"), "softhyphen"],
    [[{ str: "copper" }, { str: " " }, { str: "lantern", hasEOL: false }], "copper lantern"],
  ];
  for (const [input, want] of cases) assert.equal(pageText(input).text.trim(), want);
});

test("queries fold the same way, and matches map back to the items and code units they came from", () => {
  assert.equal(foldQuery("  Crème   BRÛLÉE \n"), "creme brulee");
  assert.equal(foldQuery(" \t "), "");
  const page = pageText(items("beside the copper", "lantern and the Copper Lantern"), true);
  const hits = findAll(page.text, foldQuery("copper lantern"));
  assert.equal(hits.length, 2);
  assert.deepEqual(itemRanges(page.map, hits[0], "copper lantern".length), [{ item: 0, from: 11, to: 17 }, { item: 1, from: 0, to: 7 }]);
  assert.deepEqual(itemRanges(page.map, hits[1], "copper lantern".length), [{ item: 1, from: 16, to: 30 }]);
  // A decomposed accent is two code units that fold into one letter, marked whole.
  const decomposed = pageText([{ str: "cafe\u0301 au lait" }], true);
  assert.deepEqual(itemRanges(decomposed.map, findAll(decomposed.text, "cafe")[0], 4), [{ item: 0, from: 0, to: 5 }]);
  assert.deepEqual(findAll("aaaa", "aa"), [0, 2]);
});

test("compatibility forms match their letters in every script, and marks cover the glyphs they came from", () => {
  // [page items, query, expected [item, from, to] of each match's first piece]
  const cases = [
    // Arabic presentation forms, a lam-khah ligature among them, against plain letters.
    [["\ufedf\ufecc\ufeae\ufe91\ufef4\ufe94 \u0627\ufccb\ufec4\ufeee\ufec3"], "الخطوط", [[0, 7, 12]]],
    // Lam-alef: one glyph, two letters; half of it still marks the whole glyph.
    [["\ufefb"], "لا", [[0, 0, 1]]],
    [["\ufefb\ufefb"], "ا", [[0, 0, 1], [0, 1, 2]]],
    // Vowel points fold away like Latin accents.
    [["\u0643\u064e\u062a\u064e\u0628\u064e"], "كتب", [[0, 0, 6]]],
    [["\uff2e\uff25\uff37\uff33 \u2460"], "news 1", [[0, 0, 6]]],
    [["ΚΑΛΗΜΈΡΑ"], "καλημερα", [[0, 0, 8]]],
    // A Hangul syllable is one letter: the first two jamo of 한 are not 하.
    [["한국어 하나"], "하", [[0, 4, 5]]],
    // Kana voicing and Indic vowel signs change the word and are kept.
    [["かがみ"], "か", [[0, 0, 1]]],
    [["कि क"], "क", [[0, 0, 1], [0, 3, 4]]],
    [["\ud835\udc00BC"], "abc", [[0, 0, 4]]],
  ];
  for (const [strs, query, want] of cases) {
    const page = pageText(strs.map((str) => ({ str })), true);
    const q = foldQuery(query);
    const got = findAll(page.text, q).map((at) => Object.values(itemRanges(page.map, at, q.length)[0]));
    assert.deepEqual(got, want, `${query} in ${strs}`);
  }
});

test("a match's line of context is the printed text around it, cut at blanks", () => {
  const cases = [
    [["A \ufb01ne day at the Café"], "fine", { before: "A ", hit: "\ufb01ne", after: " day at the Café" }],
    [["le cafe\u0301 noir"], "cafe", { before: "le ", hit: "cafe\u0301", after: " noir" }],
    [["ends in light-", "house keeping"], "lighthouse", { before: "ends in ", hit: "lighthouse", after: " keeping" }],
    [["a line before", "the needle here", "and after"], "needle", { before: "the ", hit: "needle", after: " here" }],
    [["over the", "line break"], "the line", { before: "over ", hit: "the line", after: " break" }],
    [[`${"word ".repeat(20)}needle${" tail".repeat(20)}`], "needle",
      { before: "…word word word word word word word ", hit: "needle", after: " tail tail tail tail tail tail tail…" }],
  ];
  for (const [lines, query, want] of cases) {
    const page = pageText(lines.map((str) => ({ str, hasEOL: true })), false, true);
    const q = foldQuery(query);
    assert.deepEqual(matchContext(page, findAll(page.text, q)[0], q.length), want, query);
  }
});

test("copied text reads as letters, and anything else is left as it is", () => {
  const cases = [
    ["\ufb01nd o\ufb03ce", "find office"],
    ["\u0627\ufccb\ufec4\ufeee\ufec3", "الخطوط"],
    ["Ｆｕｌｌ Café ①", "Ｆｕｌｌ Café ①"],
  ];
  for (const [text, want] of cases) assert.equal(plainLetters(text), want);
});

test("the chapter being read is the latest to start at or before the page, innermost first", () => {
  const flat = [{ page: 3 }, { page: 3 }, { page: 9 }, { page: 5 }, { page: 20 }];
  const cases = [[1, -1], [3, 1], [6, 3], [9, 2], [19, 2], [40, 4]];
  for (const [page, want] of cases) assert.equal(currentEntry(flat, page), want, `page ${page}`);
});

test("the bar says how far the search got", () => {
  const cases = [
    [{ query: "", current: -1, total: 0, searching: false }, ""],
    [{ query: "x", current: -1, total: 0, searching: true }, "Searching…"],
    [{ query: "x", current: 0, total: 3, searching: true }, "3 found…"],
    [{ query: "x", current: 11, total: 40, searching: false }, "12 of 40"],
    [{ query: "x", current: -1, total: 0, searching: false }, "No matches"],
  ];
  for (const [state, want] of cases) assert.equal(matchStatus(state), want);
});
