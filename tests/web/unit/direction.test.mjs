import { test } from "node:test";
import assert from "node:assert/strict";
import {
  directionFromPreferences, directionOf, overviewCell, overviewPages, overviewRows, pagesOnScreen, placeSpread, swipeStep,
  tooltipFor,
} from "../../../reader/src/flipbook/direction.js";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { onScreenMessage } from "../../../reader/src/shared/bridge.js";
import { spreadOf } from "../../../reader/src/flipbook/layout.js";
import { dragAngle, turnKeyframes } from "../../../reader/src/flipbook/leafMotion.js";

test("a book reads right to left only when its catalogue or a stored choice says so", () => {
  const preferences = [[{ Direction: "R2L" }, "rtl"], [{ Direction: "r2l" }, "rtl"], [{ Direction: "L2R" }, "ltr"],
    [{ Direction: "rtl" }, "ltr"], [{ Direction: 7 }, "ltr"], [{}, "ltr"], [null, "ltr"], ["R2L", "ltr"]];
  for (const [given, want] of preferences) assert.equal(directionFromPreferences(given), want, JSON.stringify(given));
  const stored = [["rtl", "rtl"], [" LTR ", "ltr"], ["R2L", null], ["", null], [undefined, null], [{}, null]];
  for (const [given, want] of stored) assert.equal(directionOf(given), want, JSON.stringify(given));
});

test("right to left, spreads and the overview's rows show their earlier page on the right, the cover alone on the left", () => {
  // page, count, spreads: the pages [left, right] of the spine (or the single page) left to right, then right to left
  const cases = [[1, 12, true, [null, 1], [1, null]], [3, 12, true, [2, 3], [3, 2]], [12, 12, true, [12, null], [null, 12]],
    [11, 11, true, [10, 11], [11, 10]], [5, 12, false, 5, 5]];
  const sides = (s) => (s.single != null ? s.single : [s.left, s.right]);
  for (const [page, count, spreads, ltr, rtl] of cases) {
    const spread = spreadOf(page, count, spreads);
    assert.deepEqual([ltr, rtl], ["ltr", "rtl"].map((d) => sides(placeSpread(spread, d))), `page ${page} of ${count}`);
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

test("the host hears the pages on screen left to right, which is what Current page prints", () => {
  // page, count, spreads, direction: the message
  const cases = [[1, 12, true, "ltr", "action.onscreen 1"], [1, 12, true, "rtl", "action.onscreen 1"],
    [4, 12, true, "ltr", "action.onscreen 4 5"], [5, 12, true, "rtl", "action.onscreen 5 4"],
    [12, 12, true, "rtl", "action.onscreen 12"], [7, 12, false, "rtl", "action.onscreen 7"]];
  for (const [page, count, spreads, direction, want] of cases) {
    assert.equal(onScreenMessage(pagesOnScreen(spreadOf(page, count, spreads), direction)), want, `${page} ${direction}`);
  }
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

const rotation = (transform) => Number(/rotateY\((-?[\d.e-]+)deg\)/.exec(transform)[1]);

test("a right-to-left leaf moves as the mirror image of a left-to-right one, never showing -0deg", () => {
  for (const [from, to] of [[0, -180], [-180, 0], [-60, -180], [-100, 0]]) {
    const [ltr, rtl] = ["ltr", "rtl"].map((d) => turnKeyframes(from, to, 12, d));
    assert.deepEqual(rtl.shade, ltr.shade);
    for (const part of ["front", "back"]) {
      assert.deepEqual(rtl[part].map((f) => [f.offset, f.opacity]), ltr[part].map((f) => [f.offset, f.opacity]), `${from}→${to} ${part}`);
      assert.deepEqual(rtl[part].map((f) => rotation(f.transform)), ltr[part].map((f) => -rotation(f.transform) || 0), `${from}→${to} ${part}`);
      assert.ok(rtl[part].every((f) => !f.transform.includes("-0deg")));
    }
  }
  // The same drag, measured from the spine toward the left page.
  for (const [x, want] of [[200, 0], [100, 0], [400, -90], [600, -180], [300, -60]]) {
    assert.ok(Math.abs(dragAngle(x, 400, 200, "rtl") - want) < 1e-9, `x ${x}`);
  }
});
