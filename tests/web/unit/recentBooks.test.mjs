import { test } from "node:test";
import assert from "node:assert/strict";
import { coverSource, progressText, recentEntries, withCover } from "../../../reader/src/start/recent.js";

const PNG = "data:image/png;base64,iVBORw0KGgo=";
const german = { brivaneStrings: { lang: "de", messages: { "page {page} of {count}": "Seite {page} von {count}", "page {page}": "Seite {page}" } } };

test("progress reads page of count, drops a count the page lies beyond, and says nothing without a page", () => {
  const cases = [
    [62, 352, "page 62 of 352"],
    [1, 1, "page 1 of 1"],
    [400, 352, "page 400"],  // a record from another edition of the book
    [5, 0, "page 5"],
    [0, 10, ""],
    ["7", 10, ""],
  ];
  for (const [page, pages, want] of cases) assert.equal(progressText(page, pages, {}), want, `${page} of ${pages}`);
  assert.equal(progressText(62, 352, german), "Seite 62 von 352");
  assert.equal(progressText(62, 0, german), "Seite 62");
});

test("only a PNG the host encoded is shown as a cover; anything else leaves the placeholder", () => {
  const cases = [
    [PNG, PNG],
    ["", ""],
    [42, ""],
    ["data:image/svg+xml;base64,PHN2Zz4=", ""],
    ["data:image/png;base64,AAA\" onerror=\"x", ""],
  ];
  for (const [given, want] of cases) assert.equal(coverSource(given), want, String(given));
});

test("entries keep the host's numbering and show only text; page, count and cover come from the host, and a cover drawn later reaches only its book", () => {
  const books = [
    { title: "<b>One</b>", file: "one.flip", page: 62, pages: 352, cover: PNG },
    null,
    { title: " ", file: "two.flip", page: "3", pages: -1, cover: "file:///etc/passwd" },
    { title: 5, file: "" },
    { title: "Four", file: "four.flip", page: 9 },
  ];
  const entries = recentEntries(books);
  const fields = (list) => list.map(({ index, page, pages, cover }) => [index, page, pages, cover]);
  assert.deepEqual(fields(entries), [[0, 62, 352, PNG], [2, 0, 0, ""], [4, 9, 0, ""]]);
  assert.deepEqual(entries.map((e) => [e.title, e.file]), [["<b>One</b>", "one.flip"], ["two.flip", "two.flip"], ["Four", "four.flip"]]);
  const more = Array.from({ length: 10 }, (_, i) => ({ title: `T${i}`, file: `${i}.flip` }));
  assert.equal(recentEntries([...books, ...more]).at(-1).index, 7, "only the host's first eight books");
  assert.deepEqual(recentEntries("nope"), []);
  const cases = [
    [4, { cover: PNG, pages: 12 }, [[0, 62, 352, PNG], [2, 0, 0, ""], [4, 9, 12, PNG]]],
    [4, { cover: "", pages: 0 }, [[0, 62, 352, PNG], [2, 0, 0, ""], [4, 9, 0, ""]]],
    [1, { cover: PNG, pages: 5 }, fields(entries)], // the host's index 1 was never listed
    [0, null, fields(entries)],
    [0, { cover: "javascript:alert(1)" }, [[0, 62, 352, ""], [2, 0, 0, ""], [4, 9, 0, ""]]],
  ];
  for (const [index, update, want] of cases) assert.deepEqual(fields(withCover(entries, index, update)), want, JSON.stringify(update));
});
