import { test } from "node:test";
import assert from "node:assert/strict";
import { currentPage, pageAtY, shownRange, stack, topOf } from "../../../reader/src/flipbook/column.js";
import { blockOf, insideBlock, nearestRect, shareOf } from "../../../reader/src/flipbook/textBlock.js";
import {
  clampZoom, keepPoint, pan, parseZoomEntry, shareAt, wheelZoom, ZOOM_MAX, ZOOM_MIN, ZoomHold, zoomIn, zoomOut,
} from "../../../reader/src/flipbook/zoom.js";

test("zoom levels stay within bounds, step through the list and come back", () => {
  const cases = [
    ["in from fit", zoomIn(1), 1.25],
    ["out from fit", zoomOut(1), 0.8],
    ["in from between steps", zoomIn(1.1), 1.25],
    ["out from between steps", zoomOut(1.1), 1],
    ["in at the top", zoomIn(ZOOM_MAX), ZOOM_MAX],
    ["out at the bottom", zoomOut(ZOOM_MIN), ZOOM_MIN],
    ["clamped high", clampZoom(50), ZOOM_MAX],
    ["clamped low", clampZoom(0.01), ZOOM_MIN],
    ["nonsense is the fitted size", clampZoom(NaN), 1],
    ["negative is the fitted size", clampZoom(-2), 1],
  ];
  for (const [what, got, want] of cases) assert.equal(got, want, what);
  let level = 1;
  for (let i = 0; i < 4; i++) level = zoomIn(level);
  for (let i = 0; i < 4; i++) level = zoomOut(level);
  assert.equal(level, 1, "four steps in and four out land on the fitted size");
});

test("the wheel zooms by its delta, the same amount in and out, in every delta unit", () => {
  const cases = [
    ["a notch up zooms in", wheelZoom(1, -100) > 1.15],
    ["a notch down zooms out", wheelZoom(1, 100) < 0.85],
    ["in then out returns", Math.abs(wheelZoom(wheelZoom(1.7, -37), 37) - 1.7) < 1e-9],
    ["lines count as pixels", Math.abs(wheelZoom(1, -3, 1) - wheelZoom(1, -120)) < 1e-9],
    ["a small pinch zooms a little", Math.abs(wheelZoom(2, -2) - 2) < 0.02],
    ["a page-sized delta stops at the bound", wheelZoom(1, -50, 2) === ZOOM_MAX],
  ];
  for (const [what, ok] of cases) assert.ok(ok, what);
});

test("typed zoom levels are read as percentages, clamped, and nonsense is refused", () => {
  const cases = [["150", 1.5], ["150 %", 1.5], ["87,5%", 0.875], [" 200% ", 2], ["9000", ZOOM_MAX], ["1", ZOOM_MIN],
    ["0", null], ["", null], ["abc", null], ["-50", null], ["1e3", null]];
  for (const [text, want] of cases) assert.equal(parseZoomEntry(text), want, JSON.stringify(text));
});

test("keeping a point: the scroll change puts the same place of the content back under it", () => {
  const cases = [
    // [point, box before, box after (unscrolled), want dx, dy]
    [{ x: 300, y: 200 }, { left: 100, top: 100, width: 400, height: 400 }, { left: 0, top: 0, width: 800, height: 800 }, 100, 0],
    [{ x: 100, y: 100 }, { left: 100, top: 100, width: 400, height: 400 }, { left: 50, top: 40, width: 800, height: 800 }, -50, -60],
  ];
  for (const [point, before, after, dx, dy] of cases) {
    assert.deepEqual(keepPoint(point, shareAt(point, before), after), { dx, dy }, JSON.stringify([point, before]));
  }
});

test("a zoom held under a still pointer keeps its first place until the pointer, the time or the scroll moves", () => {
  let measured = 0;
  const measure = () => ++measured;
  const hold = new ZoomHold(1000);
  const at = { left: 0, top: 0 };
  const steps = [
    // [point, time, scroll before the step, want place]
    [{ x: 10, y: 10 }, 0, at, 1],
    [{ x: 10, y: 10 }, 500, { left: 40, top: 0 }, 1],
    [{ x: 11, y: 9 }, 900, { left: 40, top: 0 }, 1],
    [{ x: 11, y: 9 }, 1000, { left: 90, top: 0 }, 2], // something else scrolled
    [{ x: 30, y: 9 }, 1100, { left: 40, top: 0 }, 3], // the pointer moved
    [{ x: 30, y: 9 }, 2200, { left: 40, top: 0 }, 4], // too late
  ];
  for (const [i, [point, now, where, want]] of steps.entries()) {
    assert.equal(hold.place(point, now, where, measure), want, `step ${i}`);
    hold.left({ left: 40, top: 0 });
  }
});

test("panning moves towards an edge and says when it stands there", () => {
  const cases = [[0, 500, 60, 60], [480, 500, 60, 500], [500, 500, 60, null], [499.5, 500, 60, null], [0, 500, -60, null],
    [30, 500, -60, 0], [0, 0, 60, null], [10, 500, 0, null]];
  for (const [position, limit, delta, want] of cases) assert.equal(pan(position, limit, delta), want, JSON.stringify([position, limit, delta]));
});

test("the column stacks pages with gaps and finds the pages in view by position", () => {
  const tops = stack([100, 200, 100, 50], 10);
  assert.deepEqual([...tops], [10, 120, 330, 440, 500]);
  const cases = [
    ["above the first page", pageAtY(tops, 0), 1],
    ["in the gap after page 1", pageAtY(tops, 115), 1],
    ["top of page 2", pageAtY(tops, 120), 2],
    ["past the end", pageAtY(tops, 9999), 4],
    ["a view over pages 2 and 3", shownRange(tops, 200, 200), { first: 2, last: 3 }],
    ["widened by a page each way", shownRange(tops, 200, 200, 1), { first: 1, last: 4 }],
    ["an empty book", shownRange(stack([], 10), 0, 100), { first: 1, last: 0 }],
    ["page 3 starts a half gap above its top", topOf(tops, 3, 10), 325],
    ["page 2 at the top is the page", currentPage(tops, 125, 10), 2],
    ["less than half of page 2 left: page 3", currentPage(tops, 240, 10), 3],
    ["the last page never gives way", currentPage(tops, 480, 10), 4],
  ];
  for (const [what, got, want] of cases) assert.deepEqual(got, want, what);
});

test("the text block is the box round the words; presses in its blank parts belong to it", () => {
  const page = { left: 100, top: 50, right: 500, bottom: 650 };
  const words = [{ left: 140, top: 110, right: 420, bottom: 130 }, { left: 140, top: 170, right: 380, bottom: 190 },
    { left: 0, top: 0, right: 0, bottom: 0 }];
  const block = shareOf(blockOf(words), page);
  assert.deepEqual(Object.values(block).map((v) => Number(v.toFixed(4))), [0.1, 0.1, 0.8, 0.2333]);
  const at = (x, y) => { const p = shareOf({ left: x, top: y, right: x, bottom: y }, page); return insideBlock(p.left, p.top, block); };
  const cases = [
    ["between two lines", at(200, 150), true],
    ["in the right margin", at(480, 150), false],
    ["below the last line", at(200, 400), false],
  ];
  for (const [what, got, want] of cases) assert.equal(got, want, what);
  assert.equal(blockOf([]), null);
  assert.equal(insideBlock(0.5, 0.5, null), false, "a page without text has no block");
});

test("a press in blank space lands on the line level with it, else the nearest", () => {
  const lines = [{ left: 10, top: 0, right: 300, bottom: 20 }, { left: 10, top: 30, right: 120, bottom: 50 },
    { left: 10, top: 60, right: 300, bottom: 80 }, { left: 0, top: 0, right: 0, bottom: 0 }];
  const cases = [
    ["past the end of a short line", [250, 40], 1],
    ["in the gap, nearer the line below", [200, 57], 2],
    ["far below", [100, 999], 2],
    ["level with one line though far across", [900, 10], 0],
  ];
  for (const [what, [x, y], want] of cases) assert.equal(nearestRect(lines, x, y), want, what);
  assert.equal(nearestRect([], 0, 0), -1);
});
