import { test } from "node:test";
import assert from "node:assert/strict";
import { compare } from "../../../bench/fidelityMetric.mjs";

/** A white RGBA page with `paint(x, y)` returning [r, g, b] or null (paper) per pixel. */
function page(width, height, paint = () => null) {
  const data = new Uint8Array(width * height * 4).fill(255);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const colour = paint(x, y);
      if (colour) data.set(colour, (y * width + x) * 4);
    }
  }
  return { data, width, height };
}

// Lines of "text": 2 px strokes every 5 px in bands, as small type is drawn;
// `soft` antialiases each stroke's right edge, as another rasteriser might.
const text = (soft = false) => (x, y) => {
  if (y % 40 >= 12 || x <= 20 || x >= 380) return null;
  if (x % 5 < 2) return [20, 20, 20];
  return soft && x % 5 === 2 ? [138, 138, 138] : null;
};
const photo = (colour) => (x, y) => (x >= 100 && x < 300 && y >= 100 && y < 250 ? colour : null);
const both = (...parts) => (x, y) => parts.reduce((c, p) => c ?? p(x, y), null);

test("the verdict tells drawn pages from blank, missing and wrongly coloured ones", () => {
  const poppler = page(400, 500, both(text(), photo([200, 60, 40])));
  const cases = [
    ["the same drawing", both(text(), photo([200, 60, 40])), "ok"],
    ["text antialiased otherwise", both(text(true), photo([200, 60, 40])), "ok"],
    ["colours a little off", both(text(), photo([214, 70, 52])), "ok"],
    ["a blank page", () => null, "blank"],
    ["the image left out", text(), "differs"],
    ["the image in other colours", both(text(), photo([40, 60, 200])), "differs"],
  ];
  for (const [name, paint, want] of cases) {
    assert.equal(compare(page(400, 500, paint), poppler).verdict, want, name);
  }
  assert.equal(compare(page(100, 100), page(100, 100)).verdict, "ok", "a page poppler leaves blank, left blank");
});

test("sizes a pixel apart are compared over their common part; further apart is an error", () => {
  const drawn = page(400, 500, text());
  assert.equal(compare(drawn, page(401, 499, text())).verdict, "ok");
  assert.throws(() => compare(drawn, page(410, 500, text())), /sizes differ/);
});
