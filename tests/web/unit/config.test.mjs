import { test } from "node:test";
import assert from "node:assert/strict";
import {
  bookUrl, capText, ERROR_BAD_PATH, ERROR_NO_CONFIG, ERROR_NO_PATH, readBackground, readConfig,
  TITLE_MAX_GRAPHEMES,
} from "../../../reader/src/flipbook/config.js";
import { MAX_ENTRIES, tocFromMetadata, tocFromOutline } from "../../../reader/src/flipbook/toc.js";

const PAGE = "file:///tmp/book-1/flipbook.html";
const DATA = "file:///tmp/book-1/data/";

test("local file URLs map to the host's book scheme where it offers one; nothing else does", () => {
  const cases = [
    ["file:///tmp/A%20B-x/data/flipbook.pdf", "brivane-book", "brivane-book:///tmp/A%20B-x/data/flipbook.pdf"],
    ["file:///tmp/x.pdf", undefined, null], // a plain browser: file URLs as they are
    ["file://server/share/x.pdf", "brivane-book", null],
    ["https://example.com/x.pdf", "brivane-book", null],
    ["not a url", "brivane-book", null],
    ["file:///tmp/x.pdf", "javascript:alert(1)//", null],
  ];
  for (const [url, scheme, want] of cases) assert.equal(bookUrl(url, scheme), want, `${url} via ${scheme}`);
});

test("a configuration the page cannot use yields a message instead of a blank page", () => {
  const cases = [
    [undefined, ERROR_NO_CONFIG], [[], ERROR_NO_CONFIG], ["{not json", ERROR_NO_CONFIG],
    [{}, ERROR_NO_PATH], [{ path: 42 }, ERROR_NO_PATH],
    // The reader never fetches from the network or runs script URLs.
    [{ path: "https://brivane.example/book.pdf" }, ERROR_BAD_PATH], [{ path: "javascript:alert(1)" }, ERROR_BAD_PATH],
  ];
  for (const [raw, error] of cases) assert.equal(readConfig(raw, PAGE).error, error, JSON.stringify(raw));
});

test("directory URLs are accepted with and without their trailing slash, or else lie beside the PDF; JSON text and percent-encoding survive", () => {
  for (const dirs of [{ thumbnailPath: "file:///tmp/book-1/data", tocPath: `${DATA}files/toc` }, { thumbnailPath: DATA, tocPath: `${DATA}files/toc/` }, {}]) {
    const raw = { path: `${DATA}flipbook%20x.pdf`, ...dirs };
    const config = readConfig(JSON.stringify(raw), PAGE);
    assert.deepEqual([config.error, config.pdfUrl, config.dataUrl, config.tocUrl], [undefined, raw.path, DATA, `${DATA}files/toc/`], JSON.stringify(dirs));
  }
});

test("title and subtitle follow the metadata's lenient text reading; unknown members are ignored", () => {
  const cases = [
    [{ design: { title: "A", subtitle: "B" } }, "A", "B"],
    [{ design: { title: 7 } }, "7", ""],
    [{ design: { title: { nested: 1 } } }, "", ""],
    [{ Design: { title: "case matters" } }, "", ""],
    [{ design: { title: "<b>X</b>", extra: [1, 2] }, unknown: true }, "<b>X</b>", ""],
  ];
  for (const [metadata, title, subtitle] of cases) {
    const config = readConfig({ path: `${DATA}flipbook.pdf`, metadata }, PAGE);
    assert.deepEqual([config.title, config.subtitle], [title, subtitle], JSON.stringify(metadata));
  }
});

test("a background is a colour or an image file inside the book's own files/backgrounds, nothing else", () => {
  const cases = [
    ["#223344", { color: "#223344" }],
    // The host's rewrite leaves a doubled slash after the directory name.
    [`${DATA}files/backgrounds//paper.jpg`, { image: `${DATA}files/backgrounds/paper.jpg` }],
    [{ image: "files/backgrounds/a%20b.png" }, { image: `${DATA}files/backgrounds/a%20b.png` }],
    [`${DATA}files/backgrounds/sub/./x.png`, { image: `${DATA}files/backgrounds/sub/x.png` }],
    ["files/user/1/secret.jpg", null],
    ["files/backgrounds/../../../etc/passwd", null],
    ["https://tracker.example/files/backgrounds/x.png", null],
    ["red; background-image: url(x)", null],
    [12, null],
    // The folder's name, but not this book's folder: another book's, or on another host.
    ["file:///tmp/book-2/data/files/backgrounds/x.png", null],
    ["file://otherhost/tmp/book-1/data/files/backgrounds/x.png", null],
    // Separators and steps upwards that only appear once the file system decodes the name.
    ["files/backgrounds/..%2F..%2F..%2F..%2Fhome%2Fu%2Foutside.png", null],
    ["files/backgrounds/%2e%2e/%2e%2e/outside.png", null],
    ["files/backgrounds/x.png%00.jpg", null],
    ["files/backgrounds/%E0%A4%A.png", null],
    ["files/backgrounds/", null],
    ["files/backgrounds/x.png?../../y", null],
  ];
  for (const [value, want] of cases) assert.deepEqual(readBackground(value, DATA), want, JSON.stringify(value));
});

test("a table of contents in the metadata is read leniently and checked against the page count", () => {
  const cases = [
    [{ toc: [{ title: "Intro", page: 1 }, { title: "End", page: 12 }] }, [["Intro", 1], ["End", 12]]],
    [{ design: { toc: [{ label: "A", pageNumber: "3" }] } }, [["A", 3]]],
    [{ toc: { items: [{ name: "B", page_number: 2 }] } }, [["B", 2]]],
    [{ toc: [{ title: "Beyond", page: 99 }, { title: "Zero", page: 0 }, { title: "", page: 2 }, "junk", null] }, []],
    [null, []],
  ];
  for (const [metadata, want] of cases) assert.deepEqual(tocFromMetadata(metadata, 12).map((e) => [e.title, e.page]), want, JSON.stringify(metadata));
  // An entry without a page of its own leads to its first child.
  const [part] = tocFromMetadata({ toc: [{ title: "Part", children: [{ title: "Ch 1", page: 4 }, { title: "Ch 2", page: 6 }] }] }, 10);
  assert.deepEqual([part.page, part.children.map((c) => c.page)], [4, [4, 6]]);
});

test("outline destinations resolve to pages; broken ones are dropped without losing children", async () => {
  const outline = [
    { title: "One", dest: "d1", items: [] },
    { title: "Broken", dest: "nowhere", items: [{ title: "Child", dest: "d3", items: [] }] },
    { title: "Throws", dest: "boom", items: [] },
    { title: "  ", dest: "d1", items: [] },
  ];
  const toc = await tocFromOutline(outline, async (dest) => {
    if (dest === "boom") throw new Error("bad reference");
    return { d1: 1, d3: 3 }[dest] ?? null;
  });
  assert.deepEqual(toc.map((e) => [e.title, e.page, e.children.length]), [["One", 1, 0], ["Broken", 3, 1]]);
});

test("titles are cut to what a line can show, by user-perceived characters, with an ellipsis", () => {
  const family = "👨‍👩‍👧";
  const cases = [
    ["short", 10, "short"],
    ["abcdefghijk", 10, "abcdefghi…"],
    [family.repeat(12), 10, `${family.repeat(9)}…`],
    ["e\u0301".repeat(10), 10, "e\u0301".repeat(10)],
  ];
  for (const [text, max, want] of cases) assert.equal(capText(text, max), want, text);
  const huge = "T".repeat(10_000_000);
  assert.equal(capText(huge, TITLE_MAX_GRAPHEMES).length, TITLE_MAX_GRAPHEMES);
});

test("a hostile contents list or outline stops at a readable length", async () => {
  const many = Array.from({ length: 50_000 }, (_, i) => ({ title: `Page ${i + 1}`, page: 1 + (i % 12), dest: "d" }));
  assert.equal(tocFromMetadata({ toc: many }, 12).length, MAX_ENTRIES);
  let resolved = 0;
  const outline = many.map((e) => ({ ...e, items: [] }));
  const toc = await tocFromOutline(outline, async () => ++resolved && 1);
  assert.deepEqual([toc.length, resolved], [MAX_ENTRIES, MAX_ENTRIES]);
});
