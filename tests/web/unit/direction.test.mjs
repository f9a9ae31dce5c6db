import { test } from "node:test";
import assert from "node:assert/strict";
import {
  arrowCommand, directionFromPreferences, directionOf, overviewCell, overviewPages, overviewRows, placeSpread,
  swipeStep, tooltipFor,
} from "../../../reader/src/flipbook/direction.js";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { spreadOf } from "../../../reader/src/flipbook/layout.js";
import { dragAngle, poseStyles, turnKeyframes } from "../../../reader/src/flipbook/leafMotion.js";

test("a book reads right to left only when its catalogue or a stored choice says so", () => {
  const preferences = [
    [{ Direction: "R2L" }, "rtl"],
    [{ Direction: "r2l" }, "rtl"],
    [{ Direction: "L2R" }, "ltr"],
    [{ Direction: "rtl" }, "ltr"], // not a value the catalogue can hold
    [{ Direction: 7 }, "ltr"],
    [{ HideToolbar: true }, "ltr"],
    [null, "ltr"],
    ["R2L", "ltr"],
  ];
  for (const [given, want] of preferences) assert.equal(directionFromPreferences(given), want, JSON.stringify(given));
  const stored = [["rtl", "rtl"], [" LTR ", "ltr"], ["R2L", null], ["", null], [undefined, null], [{}, null]];
  for (const [given, want] of stored) assert.equal(directionOf(given), want, JSON.stringify(given));
});

test("right to left, the cover sits left of the spine and each spread shows its earlier page on the right", () => {
  // page, count, spreads, and the pages then on the [left, right] of the spine (or the single page) both ways.
  const cases = [
    [1, 12, true, [null, 1], [1, null]],
    [2, 12, true, [2, 3], [3, 2]],
    [3, 12, true, [2, 3], [3, 2]],
    [12, 12, true, [12, null], [null, 12]],
    [11, 11, true, [10, 11], [11, 10]],
    [5, 12, false, 5, 5],
  ];
  const sides = (s) => (s.single != null ? s.single : [s.left, s.right]);
  for (const [page, count, spreads, ltr, rtl] of cases) {
    const spread = spreadOf(page, count, spreads);
    assert.deepEqual(sides(placeSpread(spread, "ltr")), ltr, `page ${page} of ${count}, left to right`);
    assert.deepEqual(sides(placeSpread(spread, "rtl")), rtl, `page ${page} of ${count}, right to left`);
  }
});

test("the page overview pairs pages as the spreads do, on the sides the direction puts them", () => {
  // page: [row, side left to right, side right to left]
  const cells = [[1, 0, "right", "left"], [2, 1, "left", "right"], [3, 1, "right", "left"], [12, 6, "left", "right"], [13, 6, "right", "left"]];
  for (const [page, row, ltr, rtl] of cells) {
    assert.deepEqual(overviewCell(page, "ltr"), { row, side: ltr }, `page ${page}`);
    assert.deepEqual(overviewCell(page, "rtl"), { row, side: rtl }, `page ${page}`);
  }
  // rows first..last of a book of count pages: the pages on them
  const spans = [[0, 0, 12, 1, 1], [0, 2, 12, 1, 5], [1, 1, 12, 2, 3], [5, 6, 12, 10, 12], [6, 6, 13, 12, 13], [0, 0, 1, 1, 1]];
  for (const [first, last, count, from, to] of spans) assert.deepEqual(overviewPages(first, last, count), { first: from, last: to });
  assert.deepEqual([0, 1, 2, 3, 12, 13].map(overviewRows), [0, 1, 2, 2, 7, 7]);
});

test("sideways keys, swipes and the buttons' key hints follow the reading direction; the others keep their meaning", () => {
  const keys = [
    ["ArrowLeft", "ltr", "previous"],
    ["ArrowRight", "ltr", "next"],
    ["ArrowLeft", "rtl", "next"],
    ["ArrowRight", "rtl", "previous"],
    ["ArrowUp", "rtl", "previous"],
    ["ArrowDown", "rtl", "next"],
    ["PageUp", "rtl", "previous"],
    ["PageDown", "rtl", "next"],
    [" ", "rtl", "next"],
    ["Home", "rtl", "first"],
    ["End", "rtl", "last"],
    ["r", "ltr", "direction"],
    ["R", "rtl", "direction"],
  ];
  for (const [key, direction, want] of keys) assert.equal(commandForKey({ key }, { direction }), want, `${key} ${direction}`);
  assert.equal(commandForKey({ key: "ArrowLeft" }, { direction: "rtl", typing: true }), null, "typing keeps its keys");
  assert.equal(arrowCommand("ArrowLeft", "zoomIn", "rtl"), "zoomIn", "only turns are turned around");

  // A finger dragging leftward (dx < 0) pulls in the page from the right.
  const swipes = [[-80, "ltr", 1], [80, "ltr", -1], [-80, "rtl", -1], [80, "rtl", 1], [0, "rtl", 0]];
  for (const [dx, direction, want] of swipes) assert.equal(swipeStep(dx, direction), want, `${dx} ${direction}`);

  const tips = [
    ["Next page (→)", "ltr", "Next page (→)"],
    ["Next page (→)", "rtl", "Next page (←)"],
    ["Seite zurück (←)", "rtl", "Seite zurück (→)"],
  ];
  for (const [text, direction, want] of tips) assert.equal(tooltipFor(text, direction), want);
});

const rotation = (transform) => Number(/rotateY\((-?[\d.e-]+)deg\)/.exec(transform)[1]);

test("a right-to-left leaf moves as the mirror image of a left-to-right one", () => {
  for (const [from, to] of [[0, -180], [-180, 0], [-60, -180], [-100, 0]]) {
    const ltr = turnKeyframes(from, to, 12, "ltr");
    const rtl = turnKeyframes(from, to, 12, "rtl");
    for (const part of ["front", "back"]) {
      assert.equal(rtl[part].length, ltr[part].length);
      for (const [i, frame] of rtl[part].entries()) {
        const mirror = ltr[part][i];
        assert.equal(frame.offset, mirror.offset);
        assert.equal(frame.opacity, mirror.opacity, `${from}→${to} ${part}: the same face shows`);
        assert.equal(rotation(frame.transform), -rotation(mirror.transform) || 0, `${from}→${to} ${part} at ${frame.offset}`);
      }
    }
    assert.deepEqual(rtl.shade, ltr.shade);
  }
  assert.doesNotMatch(poseStyles(0, "rtl").front.transform, /-0deg/);

  // The same drag, measured from the spine toward the left page.
  const drags = [[200, 400, 200, 0], [100, 400, 200, 0], [400, 400, 200, -90], [600, 400, 200, -180], [300, 400, 200, -60]];
  for (const [x, spine, reach, want] of drags) assert.ok(Math.abs(dragAngle(x, spine, reach, "rtl") - want) < 1e-9, `x ${x}`);
});
