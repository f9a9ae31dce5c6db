import { test } from "node:test";
import assert from "node:assert/strict";
import { findAll, foldQuery, itemRanges, matchStatus, pageText } from "../../../reader/src/flipbook/textSearch.js";
import { recentEntries } from "../../../reader/src/start/recent.js";

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
  // A decomposed accent is two code units that fold into one letter.
  const decomposed = pageText([{ str: "cafe\u0301 au lait" }], true);
  assert.deepEqual(itemRanges(decomposed.map, findAll(decomposed.text, "cafe")[0], 4), [{ item: 0, from: 0, to: 4 }]);
  assert.deepEqual(findAll("aaaa", "aa"), [0, 2]);
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

test("recent books keep the host's numbering and show only text", () => {
  const books = [{ title: "<b>One</b>", file: "one.flip" }, null, { title: "", file: "two.flip" }, { title: 5, file: "" },
    ...Array.from({ length: 10 }, (_, i) => ({ title: `T${i}`, file: `${i}.flip` }))];
  const entries = recentEntries(books);
  assert.deepEqual(entries.slice(0, 2), [{ title: "<b>One</b>", file: "one.flip", index: 0 }, { title: "two.flip", file: "two.flip", index: 2 }]);
  assert.equal(entries.at(-1).index, 7);
  assert.deepEqual(recentEntries("nope"), []);
});
