import { test } from "node:test";
import assert from "node:assert/strict";
import { commandForKey } from "../../../reader/src/flipbook/keys.js";
import { LruCache } from "../../../reader/src/flipbook/LruCache.js";
import { linkTarget, rectToBox } from "../../../reader/src/flipbook/links.js";

test("keys map to reader commands, and leave typing alone", () => {
  const cases = [
    [{ key: "ArrowRight" }, {}, "next"],
    [{ key: "P", ctrlKey: true, shiftKey: true }, {}, "print"],
    [{ key: "p" }, {}, null],
    [{ key: " ", shiftKey: true }, {}, "previous"],
    [{ key: "2", code: "Digit2", ctrlKey: true }, {}, "viewSingle"],
    [{ key: "é", code: "Digit2", ctrlKey: true }, {}, "viewSingle"], // a layout that types no digit there
    [{ key: "3", code: "Numpad3", ctrlKey: true }, { typing: true }, "viewScroll"],
    [{ key: "1", code: "Digit1" }, {}, null],
    [{ key: "1", code: "Digit1", ctrlKey: true, shiftKey: true }, {}, null],
    [{ key: "w" }, {}, "fitWidth"],
    [{ key: "w" }, { typing: true }, null],
    [{ key: "F11" }, { typing: true }, "fullscreen"],
    [{ key: "ArrowRight", altKey: true }, {}, null],
    [{ key: "f", ctrlKey: true }, { typing: true }, "find"],
    [{ key: "F3" }, { typing: true }, "findNext"],
    [{ key: "F3", shiftKey: true }, {}, "findPrevious"],
    [{ key: "c", ctrlKey: true }, {}, null],
    [{ key: "g", ctrlKey: true }, { typing: true }, "pageEntry"],
    [{ key: "L", ctrlKey: true }, {}, "pageEntry"],
    [{ key: "l", ctrlKey: true, altKey: true }, {}, null],
    [{ key: "a", ctrlKey: true }, {}, "selectAll"],
    [{ key: "a", metaKey: true }, { typing: true }, null],
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
  cache.set("a", 1); // the same value again drops nothing
  cache.set("a", 9);
  assert.deepEqual(dropped, ["b=2", "a=1"], "least recently used first, then the replaced value");
  cache.clear();
  assert.deepEqual([cache.size, dropped.slice(2).sort()], [0, ["a=9", "c=3"]]);
});

test("only web and mail links leave the book; internal links keep their destination", () => {
  const dest = [{ num: 5, gen: 0 }, { name: "Fit" }];
  const cases = [
    [{ url: "https://example.org/a?b=1" }, { kind: "external", url: "https://example.org/a?b=1" }],
    [{ unsafeUrl: "www.example.org" }, { kind: "external", url: "https://www.example.org/" }],
    [{ url: "mailto:someone@example.org" }, { kind: "external", url: "mailto:someone@example.org" }],
    [{ unsafeUrl: "javascript:alert(1)" }, null],
    [{ dest }, { kind: "internal", dest }],
    [{ subtype: "Widget", url: "https://example.org" }, null],
    [{}, null],
  ];
  for (const [a, want] of cases) assert.deepEqual(linkTarget({ subtype: "Link", ...a }), want, JSON.stringify(a));
});

test("link rectangles land where the page shows them, turned pages and offset boxes included", () => {
  const round = (box) => box && Object.fromEntries(Object.entries(box).map(([k, v]) => [k, Math.round(v * 1e6) / 1e6]));
  // pdf.js's viewports at scale 1 for a view box [x1, y1, x2, y2] turned by 0 or 90 degrees.
  const upright = ([x1, y1, x2, y2]) => ({ transform: [1, 0, 0, -1, -x1, y2], width: x2 - x1, height: y2 - y1 });
  const turned = ([x1, y1, x2, y2]) => ({ transform: [0, 1, 1, 0, -y1, -x1], width: y2 - y1, height: x2 - x1 });
  const cases = [
    ["corners in any order", [300, 800, 60, 720], upright([0, 0, 600, 800]), { left: 0.1, top: 0, width: 0.4, height: 0.1 }],
    ["offset view box", [10, 10, 110, 90], upright([10, 10, 210, 410]), { left: 0, top: 0.8, width: 0.5, height: 0.2 }],
    ["top left of a page turned by 90 shows top right", [50, 742, 250, 822], turned([0, 0, 595, 842]),
      { left: 742 / 842, top: 50 / 595, width: 80 / 842, height: 200 / 595 }],
    ["no area", [0, 0, 0, 10], upright([0, 0, 600, 800]), null],
    ["empty page", [0, 0, 10, 10], upright([0, 0, 0, 0]), null],
    ["no viewport", [0, 0, 10, 10], undefined, null],
  ];
  for (const [what, rect, viewport, want] of cases) assert.deepEqual(round(rectToBox(rect, viewport)), want && round(want), what);
});
