import { test } from "node:test";
import assert from "node:assert/strict";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { LruCache } from "../../../reader/src/flipbook/LruCache.js";
import { linkTarget, rectToBox } from "../../../reader/src/flipbook/links.js";
import { openPdfMessage, printMessage } from "../../../reader/src/shared/bridge.js";

test("messages carry the action, one blank and the path, unchanged", () => {
  const path = "file:///tmp/A%20B-x/data/flipbook.pdf";
  assert.equal(openPdfMessage(path), `action.openpdf ${path}`);
  assert.equal(printMessage(path), `action.print ${path}`);
  // The host takes the argument at these byte offsets.
  assert.equal(Buffer.from(openPdfMessage(path)).subarray(15).toString(), path);
  assert.equal(Buffer.from(printMessage(path)).subarray(13).toString(), path);
});

test("keys map to reader commands, and leave typing and zoomed scrolling alone", () => {
  const cases = [
    [{ key: "ArrowRight" }, {}, "next"],
    [{ key: "Home" }, {}, "first"],
    [{ key: "+" }, {}, "zoomIn"],
    [{ key: "F11" }, {}, "fullscreen"],
    [{ key: "p", ctrlKey: true }, {}, "print"],
    [{ key: "P", ctrlKey: true, shiftKey: true }, {}, "print"],
    [{ key: "p" }, {}, null],
    [{ key: "ArrowDown" }, { zoomed: true }, null],
    [{ key: "ArrowRight" }, { zoomed: true }, "next"],
    [{ key: "0" }, { typing: true }, null],
    [{ key: "F11" }, { typing: true }, "fullscreen"],
    [{ key: "ArrowRight", altKey: true }, {}, null],
  ];
  for (const [event, state, want] of cases) assert.equal(commandForKey(event, state), want, JSON.stringify([event, state]));
});

test("the cache hands back what it drops, so object URLs can be revoked", () => {
  const dropped = [];
  const cache = new LruCache(2, (value, key) => dropped.push(`${key}=${value}`));
  cache.set("a", 1);
  cache.set("b", 2);
  cache.get("a");
  cache.set("c", 3);
  assert.deepEqual(dropped, ["b=2"], "least recently used goes first");
  cache.set("a", 1);
  assert.deepEqual(dropped, ["b=2"], "storing the same value again drops nothing");
  cache.set("a", 9);
  assert.deepEqual(dropped, ["b=2", "a=1"], "a replaced value is dropped");
  cache.clear();
  assert.equal(cache.size, 0);
  assert.deepEqual(dropped.slice(2).sort(), ["a=9", "c=3"]);
});

test("only web and mail links leave the book; internal links keep their destination", () => {
  const cases = [
    [{ subtype: "Link", url: "https://example.org/a?b=1" }, { kind: "external", url: "https://example.org/a?b=1" }],
    [{ subtype: "Link", unsafeUrl: "www.example.org" }, { kind: "external", url: "https://www.example.org/" }],
    [{ subtype: "Link", url: "mailto:someone@example.org" }, { kind: "external", url: "mailto:someone@example.org" }],
    [{ subtype: "Link", unsafeUrl: "javascript:alert(1)" }, null],
    [{ subtype: "Link", unsafeUrl: "file:///etc/passwd" }, null],
    [{ subtype: "Link", unsafeUrl: "not a url" }, null],
    [{ subtype: "Link", dest: "chapter2" }, { kind: "internal", dest: "chapter2" }],
    [{ subtype: "Link", dest: [{ num: 5, gen: 0 }, { name: "Fit" }] }, { kind: "internal", dest: [{ num: 5, gen: 0 }, { name: "Fit" }] }],
    [{ subtype: "Widget", url: "https://example.org" }, null],
    [{ subtype: "Link" }, null],
  ];
  for (const [annotation, want] of cases) assert.deepEqual(linkTarget(annotation), want, JSON.stringify(annotation));
});

test("link rectangles land where they are on the page, with the y axis flipped", () => {
  const view = [0, 0, 600, 800];
  const round = (box) => Object.fromEntries(Object.entries(box).map(([k, v]) => [k, Math.round(v * 1e6) / 1e6]));
  assert.deepEqual(round(rectToBox([60, 720, 300, 800], view)), { left: 0.1, top: 0, width: 0.4, height: 0.1 });
  assert.deepEqual(round(rectToBox([300, 800, 60, 720], view)), { left: 0.1, top: 0, width: 0.4, height: 0.1 }, "corners in any order");
  assert.deepEqual(round(rectToBox([10, 10, 110, 90], [10, 10, 210, 410])), { left: 0, top: 0.8, width: 0.5, height: 0.2 }, "offset view box");
  assert.equal(rectToBox([0, 0, 0, 10], view), null);
  assert.equal(rectToBox([0, 0, 10, 10], [0, 0, 0, 0]), null);
});
