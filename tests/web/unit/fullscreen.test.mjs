import { test } from "node:test";
import assert from "node:assert/strict";
import { EDGE_PX, wantedBars } from "../../../reader/src/flipbook/edgeReveal.js";

test("the pointer at an edge calls that edge's bar, and a bar shown stays while the pointer is over it", () => {
  const page = { height: 900, topBar: 48, bottomBar: 44 };
  const none = { top: false, bottom: false };
  const cases = [
    // y, bars shown before, bars wanted
    [0, none, { top: true, bottom: false }],
    [EDGE_PX, none, { top: true, bottom: false }],
    [EDGE_PX + 1, none, none],
    [30, none, none],  // over where the bar would be, but it was not called
    [48, { top: true, bottom: false }, { top: true, bottom: false }],
    [49, { top: true, bottom: false }, none],
    [899, none, { top: false, bottom: true }],
    [900 - EDGE_PX - 1, none, none],
    [870, { top: false, bottom: true }, { top: false, bottom: true }],
    [855, { top: false, bottom: true }, none],
    [Number.NaN, { top: true, bottom: true }, none],  // the pointer left the page
  ];
  for (const [y, shown, want] of cases) assert.deepEqual(wantedBars({ y, shown, ...page }), want, `y=${y} ${JSON.stringify(shown)}`);
  assert.deepEqual(wantedBars({ y: 0, height: 0, topBar: 48, bottomBar: 44 }), none);
});
