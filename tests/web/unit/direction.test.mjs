import { test } from "node:test";
import assert from "node:assert/strict";
import {
  directionFromPreferences, directionOf, overviewCell, overviewPages, overviewRows, pagesOnScreen, placeSpread, swipeStep,
  tooltipFor,
} from "../../../reader/src/flipbook/direction.js";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { onScreenMessage } from "../../../reader/src/shared/bridge.js";
import { spreadOf } from "../../../reader/src/flipbook/layout.js";

test("a book reads right to left only when its catalogue or a stored choice says so", () => {
  const preferences = [[{ Direction: "R2L" }, "rtl"], [{ Direction: "r2l" }, "rtl"], [{ Direction: "L2R" }, "ltr"],
    [{ Direction: "rtl" }, "ltr"], [{ Direction: 7 }, "ltr"], [{}, "ltr"], [null, "ltr"], ["R2L", "ltr"]];
  for (const [given, want] of preferences) assert.equal(directionFromPreferences(given), want, JSON.stringify(given));
  const stored = [["rtl", "rtl"], [" LTR ", "ltr"], ["R2L", null], ["", null], [undefined, null], [{}, null]];
  for (const [given, want] of stored) assert.equal(directionOf(given), want, JSON.stringify(given));
});

test("spreads put the cover and an even last page alone, the earlier page left, or right to left on the right, and the host hears them so; so do the overview's rows", () => {
  // page, count, spreads: the pages [left, right] of the spine (or the single page) left to right, then right to left
  const cases = [[1, 12, true, [null, 1], [1, null]], [3, 12, true, [2, 3], [3, 2]], [12, 12, true, [12, null], [null, 12]],
    [11, 11, true, [10, 11], [11, 10]], [99, 11, true, [10, 11], [11, 10]], [0, 11, true, [null, 1], [1, null]], [2, 2, true, [2, null], [null, 2]],
    [5, 12, false, 5, 5]];
  const sides = (s) => (s.single != null ? s.single : [s.left, s.right]);
  for (const [page, count, spreads, ltr, rtl] of cases) {
    const spread = spreadOf(page, count, spreads);
    assert.deepEqual([ltr, rtl], ["ltr", "rtl"].map((d) => sides(placeSpread(spread, d))), `page ${page} of ${count}`);
    // Left to right on screen is also what Current page prints.
    const heard = [ltr, rtl].map((pages) => `action.onscreen ${[pages].flat().filter((p) => p != null).join(" ")}`);
    assert.deepEqual(["ltr", "rtl"].map((d) => onScreenMessage(pagesOnScreen(spread, d))), heard, `page ${page} of ${count}`);
  }
  // page: its overview row, its side left to right, then right to left
  for (const [page, row, ltr, rtl] of [[1, 0, "right", "left"], [2, 1, "left", "right"], [3, 1, "right", "left"], [12, 6, "left", "right"]]) {
    assert.deepEqual(["ltr", "rtl"].map((d) => overviewCell(page, d)), [{ row, side: ltr }, { row, side: rtl }], `page ${page}`);
  }
  // rows first..last of count pages: the pages on them
  for (const [first, last, count, from, to] of [[0, 0, 12, 1, 1], [0, 2, 12, 1, 5], [5, 6, 12, 10, 12], [6, 6, 13, 12, 13]]) {
    assert.deepEqual(overviewPages(first, last, count), { first: from, last: to }, `rows ${first}..${last}`);
  }
  assert.deepEqual([0, 1, 2, 3, 12, 13].map(overviewRows), [0, 1, 2, 2, 7, 7]);
});

test("sideways keys, swipes and key hints follow the reading direction; the other keys keep their meaning", () => {
  const keys = [["ArrowLeft", "ltr", "previous"], ["ArrowRight", "ltr", "next"], ["ArrowLeft", "rtl", "next"], ["ArrowRight", "rtl", "previous"],
    ["ArrowDown", "rtl", "next"], ["PageUp", "rtl", "previous"], [" ", "rtl", "next"], ["Home", "rtl", "first"], ["R", "rtl", "direction"]];
  for (const [key, direction, want] of keys) assert.equal(commandForKey({ key }, { direction }), want, `${key} ${direction}`);
  assert.equal(commandForKey({ key: "ArrowLeft" }, { direction: "rtl", typing: true }), null, "typing keeps its keys");
  // A finger dragged leftward (dx < 0) pulls in the page from the right.
  for (const [dx, direction, want] of [[-80, "ltr", 1], [80, "ltr", -1], [-80, "rtl", -1], [80, "rtl", 1], [0, "rtl", 0]]) {
    assert.equal(swipeStep(dx, direction), want, `${dx} ${direction}`);
  }
  assert.deepEqual(["ltr", "rtl"].map((d) => tooltipFor("Seite (→), zurück (←)", d)), ["Seite (→), zurück (←)", "Seite (←), zurück (→)"]);
});
