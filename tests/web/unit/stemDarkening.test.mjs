import { test } from "node:test";
import assert from "node:assert/strict";
import { DARKEN_WIDTH, stemDarkening } from "../../../reader/src/flipbook/stemDarkening.js";

test("small text gets an outline of the same device width at any scale or rotation; large text and broken input none", () => {
  const s = Math.SQRT1_2;
  const cases = [
    // [transform, font px in its units, outline in device px (0: none)]
    [{ a: 1, b: 0, c: 0, d: 1 }, 10, DARKEN_WIDTH],
    [{ a: 0.5, b: 0, c: 0, d: -0.5 }, 40, DARKEN_WIDTH],
    [{ a: 3 * s, b: 3 * s, c: -3 * s, d: 3 * s }, 8, DARKEN_WIDTH],
    [{ a: 1, b: 0, c: 0, d: 1 }, 36, 0],
    [{ a: 4, b: 0, c: 0, d: 4 }, 12, 0],
    [{ a: 0, b: 0, c: 0, d: 0 }, 10, 0],
    [{ a: 1, b: 0, c: 0, d: 1 }, 0, 0],
    [{ a: 1, b: 0, c: 0, d: 1 }, NaN, 0],
  ];
  for (const [m, fontPx, device] of cases) {
    const scale = Math.sqrt(Math.abs(m.a * m.d - m.b * m.c));
    const width = stemDarkening(m, fontPx);
    assert.ok(Math.abs(width * scale - device) < 1e-9 || (device === 0 && width === 0), `${JSON.stringify(m)} ${fontPx}px: ${width}`);
  }
});
