import { test } from "node:test";
import assert from "node:assert/strict";
import { labelOf, pageDisplay, pageOfEntry, usefulLabels } from "../../../reader/src/flipbook/pageLabels.js";

// Four pages of roman front matter, then the body numbered from 1, and an appendix.
const FRONT = ["i", "ii", "iii", "iv", ...Array.from({ length: 20 }, (_, i) => String(i + 1)), "A-1", "A-2"];
const COUNT = FRONT.length;

test("only labels that say something other than the page count are kept", () => {
  const cases = [
    [null, 3, null],
    [["1", "2", "3"], 3, null],
    [["1", "", "3"], 3, null],
    [["i", "ii"], 3, null],
    [["i", "ii", "1"], 3, ["i", "ii", "1"]],
    [[" iv ", 7, "x".repeat(40)], 3, ["iv", "", "x".repeat(24)]],
  ];
  for (const [raw, count, want] of cases) assert.deepEqual(usefulLabels(raw, count), want, JSON.stringify(raw));
});

test("a typed entry reaches the page printed so, else counts pages", () => {
  const cases = [
    ["iv", FRONT, 4],
    ["IV", FRONT, 4],
    [" 17 ", FRONT, 21],
    ["25", FRONT, 25],
    ["99", FRONT, COUNT],
    ["0", FRONT, 1],
    ["12 / 26", null, 12],
    ["", FRONT, null],
    ["xx", FRONT, null],
  ];
  for (const [entry, labels, want] of cases) assert.equal(pageOfEntry(entry, labels, COUNT), want, entry);
});

test("a page shows its printed label, with the count beside it where they differ", () => {
  const cases = [
    [FRONT, 21, "17", "17 (21 of 26)"],
    [["i", "2", "3"], 2, "2", "2"],
    [null, 31, "31", "31"],
    [["i", "", "x"], 2, "2", "2"],
  ];
  for (const [labels, page, label, display] of cases) {
    assert.equal(labelOf(labels, page), label);
    assert.equal(pageDisplay(labels, page, COUNT), display);
  }
});
