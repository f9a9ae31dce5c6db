import { test } from "node:test";
import assert from "node:assert/strict";
import { EDGE_PX, HIDE_DELAY_MS, SHOW_DELAY_MS, revealDelay, wantedBars } from "../../../reader/src/flipbook/edgeReveal.js";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { fullscreenMessage } from "../../../reader/src/shared/bridge.js";

test("the pointer at an edge calls that edge's bar, and a bar shown stays while the pointer is over it", () => {
  const page = { height: 900, topBar: 48, bottomBar: 44 };
  const none = { top: false, bottom: false };
  const cases = [
    // y, bars shown before, bars wanted
    [0, none, { top: true, bottom: false }],
    [EDGE_PX, none, { top: true, bottom: false }],
    [EDGE_PX + 1, none, none],
    [30, none, none],  // over where the bar would be, but it was not called
    [30, { top: true, bottom: false }, { top: true, bottom: false }],
    [48, { top: true, bottom: false }, { top: true, bottom: false }],
    [49, { top: true, bottom: false }, none],
    [450, { top: true, bottom: true }, none],
    [899, none, { top: false, bottom: true }],
    [900 - EDGE_PX - 1, none, none],
    [870, { top: false, bottom: true }, { top: false, bottom: true }],
    [855, { top: false, bottom: true }, none],
    [Number.NaN, { top: true, bottom: true }, none],  // the pointer left the page
  ];
  for (const [y, shown, want] of cases) assert.deepEqual(wantedBars({ y, shown, ...page }), want, `y=${y} ${JSON.stringify(shown)}`);
  assert.deepEqual(wantedBars({ y: 0, height: 0, topBar: 48, bottomBar: 44 }), none);
});

test("bars come after a short pause and go after a longer one", () => {
  assert.equal(revealDelay(true), SHOW_DELAY_MS);
  assert.equal(revealDelay(false), HIDE_DELAY_MS);
  assert.ok(SHOW_DELAY_MS > 0 && SHOW_DELAY_MS < HIDE_DELAY_MS);
});

test("F11 and Escape reach the page's commands even from a text field, and the host hears on or off", () => {
  const cases = [
    [{ key: "F11" }, false, "fullscreen"],
    [{ key: "F11" }, true, "fullscreen"],
    [{ key: "Escape" }, true, "close"],
    [{ key: "Escape" }, false, "close"],
    [{ key: "F11", ctrlKey: true }, false, null],
  ];
  for (const [event, typing, want] of cases) assert.equal(commandForKey(event, { typing }), want, JSON.stringify(event));
  assert.equal(fullscreenMessage(true), "action.fullscreen on");
  assert.equal(fullscreenMessage(false), "action.fullscreen off");
});
