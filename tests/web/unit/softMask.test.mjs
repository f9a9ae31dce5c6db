import { test } from "node:test";
import assert from "node:assert/strict";
import { maskToAlpha } from "../../../reader/src/flipbook/softMask.js";

const invert = Array.from({ length: 256 }, (_, i) => 255 - i);

test("a soft mask's pixels become the alpha they mask with", () => {
  const cases = [
    // [subtype, transfer map, RGBA in, RGBA out]
    ["Luminosity", null, [255, 255, 255, 255], [0, 0, 0, 255]],
    ["Luminosity", null, [0, 0, 0, 255], [0, 0, 0, 0]],
    ["Luminosity", null, [255, 0, 0, 255], [0, 0, 0, 77]],
    ["Luminosity", null, [0, 255, 0, 255], [0, 0, 0, 150]],
    ["Luminosity", null, [0, 0, 255, 255], [0, 0, 0, 28]],
    ["Luminosity", invert, [255, 255, 255, 255], [0, 0, 0, 0]],
    ["Alpha", null, [10, 20, 30, 128], [10, 20, 30, 128]],
    ["Alpha", invert, [10, 20, 30, 128], [10, 20, 30, 127]],
    // Every pixel is converted, not only the first.
    ["Luminosity", null, [255, 255, 255, 255, 0, 0, 0, 255, 128, 128, 128, 255], [0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 128]],
  ];
  for (const [subtype, map, pixel, want] of cases) {
    assert.deepEqual([...maskToAlpha(new Uint8ClampedArray(pixel), subtype, map)], want, `${subtype} ${pixel}${map ? " inverted" : ""}`);
  }
});
