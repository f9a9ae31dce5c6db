import { test } from "node:test";
import assert from "node:assert/strict";
import {
  centred, fitSpread, fitsShape, nextPage, pagesOf, pairAspect, parsePageEntry, previousPage, snap, spreadAnchor, spreadOf, usesSpreads, visibleRange,
} from "../../../reader/src/flipbook/layout.js";

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
    [[150, 400, 100, 200_000], { first: 2, last: 6 }],
    [[19_999_950, 400, 100, 200_000], { first: 200_000, last: 200_000 }],
    [[-30, 0, 100, 5], { first: 1, last: 1 }],
    [[0, 400, 100, 0], { first: 1, last: 0 }],
  ];
  for (const [args, want] of cases) assert.deepEqual(visibleRange(...args), want, JSON.stringify(args));
});

const A4 = { width: 595, height: 842 };
const LANDSCAPE = { width: 842, height: 595 };
const SMALL = { width: 300, height: 420 };

test("spreads share one scale fitted to the view, meet at the spine and keep bottoms level; a single page fits alone", () => {
  const box = (width, height) => ({ width, height });
  const cases = [
    // [what, shapes, view, zoom, dpr, want: left box, right box, spine, book width, book height]
    ["two A4 pages fill the height", { left: A4, right: A4 }, [1000, 600], 1, 1, [box(424, 600), box(424, 600), 424, 848, 600]],
    ["the cover alone keeps the spine in the middle", { left: null, right: A4 }, [1000, 600], 1, 1, [null, box(424, 600), 424, 848, 600]],
    ["an even last page alone on the left", { left: A4, right: null }, [1000, 600], 1, 1, [box(424, 600), null, 424, 848, 600]],
    ["a landscape fold-out takes the width it needs", { left: A4, right: LANDSCAPE }, [1000, 600], 1, 1,
      [box(414, 586), box(586, 414), 414, 1000, 586]],
    ["a small page keeps its size beside a big one", { left: SMALL, right: A4 }, [1000, 600], 1, 1, [box(214, 299), box(424, 600), 214, 638, 600]],
    ["zoom scales the fitted pair", { left: A4, right: A4 }, [1000, 600], 2, 1, [box(848, 1200), box(848, 1200), 848, 1696, 1200]],
    ["half pixels at ratio 2", { left: A4, right: A4 }, [1000, 601], 1, 2, [box(424.5, 601), box(424.5, 601), 424.5, 849, 601]],
    ["fitting the width lets the pair grow past the height", { left: A4, right: A4 }, [1000, 600], 1, 1, [box(500, 708), box(500, 708), 500, 1000, 708], "width"],
    ["a single page fills the height", { single: A4 }, [500, 600], 1, 1, [null, box(424, 600), 0, 424, 600]],
    ["a single landscape page fills the width", { single: LANDSCAPE }, [500, 600], 1, 1, [null, box(500, 353), 0, 500, 353]],
    ["a zoomed single page", { single: SMALL }, [500, 600], 1.5, 1, [null, box(643, 900), 0, 643, 900]],
    ["a single page in fifths of a pixel at ratio 1.25", { single: { width: 595, height: 841.89 } }, [333.3, 1000], 1, 1.25,
      [null, box(333.6, 471.2), 0, 333.6, 471.2]],
  ];
  for (const [what, shapes, [vw, vh], zoom, dpr, want, fitTo] of cases) {
    const fit = fitSpread(shapes, vw, vh, zoom, dpr, fitTo);
    assert.deepEqual([fit.left, fit.right, fit.spine, fit.width, fit.height], want, what);
  }
});

test("the book is centred on a device pixel, wherever the stage starts", () => {
  const cases = [
    // [room, size, origin, dpr, want offset]
    [1000, 848, 0, 1, 76],
    [1001, 848, 0, 1, 77], // 76.5 rounds to a whole pixel
    [1000, 848, 48.5, 1, 76.5], // a stage at half a pixel is made up for
    [1000, 847, 0, 2, 76.5], // half CSS pixels are whole device pixels at ratio 2
    [500, 848, 0.25, 1, -0.25], // larger than the room: no centring, but still on a pixel
  ];
  for (const [room, size, origin, dpr, want] of cases) assert.equal(centred(room, size, origin, dpr), want, `${size} in ${room} from ${origin} at ${dpr}`);
});

test("snapping and the aspect a spread is judged by", () => {
  assert.deepEqual([snap(100.4), snap(100.4, 2), snap(0.1), snap(0.1, 3)], [100, 100.5, 1, 1 / 3]);
  const cases = [[A4, A4, 595 / 842], [null, A4, 595 / 842], [A4, LANDSCAPE, (595 + 842) / 2 / 842], [null, null, 0]];
  for (const [l, r, want] of cases) assert.equal(pairAspect(l, r), want);
  // A landscape fold-out beside a portrait page still reads as a spread in a wide window.
  assert.equal(usesSpreads(1400, 800, pairAspect(A4, LANDSCAPE), 40), true);
});

test("a render fits its page's shape up to whole-pixel rounding, and never one sized for another shape", () => {
  const cases = [
    // width, height, page aspect, fits
    [595, 842, 595 / 842, true],
    [523, 740, 523 / 741, true],
    [6, 128, 0.05, true],
    [3, 1, 2.4, true],
    [523, 741, 792 / 612, false],
    [120, 6, 1 / 20, false],
    [0, 10, 1, false],
    [10, 10, NaN, false],
  ];
  for (const [width, height, aspect, fits] of cases) {
    assert.equal(fitsShape(width, height, aspect), fits, `${width}x${height} for ${aspect.toFixed(3)}`);
  }
});
