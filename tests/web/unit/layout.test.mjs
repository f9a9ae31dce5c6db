import { test } from "node:test";
import assert from "node:assert/strict";
import {
  nextPage, pagesOf, parsePageEntry, previousPage, spreadAnchor, spreadOf, usesSpreads, visibleRange,
} from "../../../reader/src/flipbook/layout.js";

test("spreads put the cover alone on the right and an even last page alone on the left", () => {
  const cases = [[1, 8, [null, 1]], [3, 8, [2, 3]], [8, 8, [8, null]], [9, 9, [8, 9]], [99, 9, [8, 9]], [0, 9, [null, 1]], [2, 2, [2, null]]];
  for (const [page, count, want] of cases) {
    const s = spreadOf(page, count, true);
    assert.deepEqual([s.left, s.right], want, `page ${page} of ${count}`);
  }
});

test("turning forward then back visits every page exactly once, for odd and even counts", () => {
  for (const spreads of [true, false]) {
    for (const count of [1, 2, 3, 8]) {
      const [seen, back] = [[], []];
      let page = 1;
      for (let prev = 0, n = 0; prev !== page && n++ <= count; [prev, page] = [page, nextPage(page, count, spreads)]) {
        seen.push(...pagesOf(spreadOf(page, count, spreads)));
      }
      assert.deepEqual(seen, Array.from({ length: count }, (_, i) => i + 1), `${count} pages, spreads ${spreads}`);
      for (let prev = 0, n = 0; prev !== page && n++ <= count; [prev, page] = [page, previousPage(page, count, spreads)]) {
        back.push(spreadAnchor(page, count, spreads));
      }
      assert.equal(back.at(-1), 1);
      assert.equal(new Set(back).size, back.length, "no spread repeats on the way back");
    }
  }
});

test("wide windows show spreads, narrow ones single pages", () => {
  const portrait = 1 / Math.SQRT2;
  const cases = [
    [900, 700, portrait, 40, true],
    [700, 800, portrait, 40, false],
    [1600, 900, 1.5, 40, false], // landscape pages would shrink too much side by side
    [1280, 760, portrait, 2, false], // too few pages for a spread
    [1280, 0, portrait, 40, false],
  ];
  for (const [w, h, aspect, count, want] of cases) assert.equal(usesSpreads(w, h, aspect, count), want, `${w}x${h} @${aspect}`);
});

test("page entry accepts a number, with or without the total, and clamps it", () => {
  const cases = [["12", 12], [" 7 / 40", 7], ["99", 40], ["0", 1], ["abc", null], ["", null], ["-3", null]];
  for (const [text, want] of cases) assert.equal(parsePageEntry(text, 40), want, JSON.stringify(text));
});

test("the overview builds only the rows a view of the column shows", () => {
  const cases = [
    [[0, 400, 100, 200_000], { first: 1, last: 4 }],
    [[150, 400, 100, 200_000], { first: 2, last: 6 }],
    [[19_999_950, 400, 100, 200_000], { first: 200_000, last: 200_000 }],
    [[-30, 0, 100, 5], { first: 1, last: 1 }],
    [[0, 400, 100, 0], { first: 1, last: 0 }],
  ];
  for (const [args, want] of cases) assert.deepEqual(visibleRange(...args), want, JSON.stringify(args));
});
