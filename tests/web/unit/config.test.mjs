import { test } from "node:test";
import assert from "node:assert/strict";
import {
  ERROR_BAD_PATH, ERROR_NO_CONFIG, ERROR_NO_PATH, joinUrl, readBackground, readConfig, readText,
} from "../../../reader/src/flipbook/config.js";

const PAGE = "file:///tmp/book-1/flipbook.html";
const DATA = "file:///tmp/book-1/data/";

test("joinUrl adds exactly one slash whether or not the directory URL ends with one", () => {
  const cases = [
    ["file:///tmp/x/data", "flipbook.pdf", "file:///tmp/x/data/flipbook.pdf"],
    ["file:///tmp/x/data/", "flipbook.pdf", "file:///tmp/x/data/flipbook.pdf"],
    ["file:///tmp/x/data/", "/files/toc/", "file:///tmp/x/data/files/toc/"],
    ["", "a.png", "a.png"],
  ];
  for (const [dir, rel, want] of cases) assert.equal(joinUrl(dir, rel), want, `${dir} + ${rel}`);
});

test("a configuration the page cannot use yields a message instead of a blank page", () => {
  const cases = [
    [undefined, ERROR_NO_CONFIG],
    [null, ERROR_NO_CONFIG],
    [[], ERROR_NO_CONFIG],
    ["{not json", ERROR_NO_CONFIG],
    [{}, ERROR_NO_PATH],
    [{ path: "" }, ERROR_NO_PATH],
    [{ path: 42 }, ERROR_NO_PATH],
    // The reader never fetches from the network or runs script URLs.
    [{ path: "https://brivane.example/book.pdf" }, ERROR_BAD_PATH],
    [{ path: "javascript:alert(1)" }, ERROR_BAD_PATH],
  ];
  for (const [raw, error] of cases) assert.equal(readConfig(raw, PAGE).error, error, JSON.stringify(raw));
});

test("directory URLs are accepted with and without their trailing slash", () => {
  for (const suffix of ["", "/"]) {
    const config = readConfig({
      path: "file:///tmp/book-1/data/flipbook.pdf",
      thumbnailPath: `file:///tmp/book-1/data${suffix}`,
      tocPath: `file:///tmp/book-1/data/files/toc${suffix}`,
    }, PAGE);
    assert.equal(config.error, undefined);
    assert.equal(config.pdfUrl, "file:///tmp/book-1/data/flipbook.pdf");
    assert.equal(config.dataUrl, DATA);
    assert.equal(config.tocUrl, `${DATA}files/toc/`);
  }
});

test("the configuration may arrive as JSON text, and percent-encoded paths survive", () => {
  const path = "file:///tmp/My%20Book-abc/data/flipbook.pdf";
  const config = readConfig(JSON.stringify({ path, metadata: { design: { title: "T" } } }), PAGE);
  assert.equal(config.pdfUrl, path);
  assert.equal(config.path, path);
  assert.equal(config.title, "T");
  assert.equal(config.dataUrl, "file:///tmp/My%20Book-abc/data/");
});

test("title and subtitle follow the metadata's lenient text reading; unknown members are ignored", () => {
  const cases = [
    [{ design: { title: "A", subtitle: "B" } }, "A", "B"],
    [{ design: { title: 7 } }, "7", ""],
    [{ design: { title: true } }, "true", ""],
    [{ design: { title: { nested: 1 } } }, "", ""],
    [{ design: "flat" }, "", ""],
    [{ Design: { title: "case matters" } }, "", ""],
    [null, "", ""],
    [{ design: { title: "<b>X</b>", extra: [1, 2] }, unknown: true }, "<b>X</b>", ""],
  ];
  for (const [metadata, title, subtitle] of cases) {
    const config = readConfig({ path: `${DATA}flipbook.pdf`, metadata }, PAGE);
    assert.equal(config.title, title, JSON.stringify(metadata));
    assert.equal(config.subtitle, subtitle, JSON.stringify(metadata));
  }
  assert.equal(readText(Number.NaN), "");
});

test("a background is a colour or an image under files/backgrounds, nothing else", () => {
  const cases = [
    ["#223344", { color: "#223344" }],
    ["rgb(10, 20, 30)", { color: "rgb(10, 20, 30)" }],
    ["teal", { color: "teal" }],
    // The host's rewrite leaves a doubled slash after the directory name.
    [`${DATA}files/backgrounds//paper.jpg`, { image: `${DATA}files/backgrounds//paper.jpg` }],
    ["files/backgrounds/paper.jpg", { image: `${DATA}files/backgrounds/paper.jpg` }],
    [{ image: "files/backgrounds/a.png" }, { image: `${DATA}files/backgrounds/a.png` }],
    ["files/user/1/secret.jpg", null],
    ["files/backgrounds/../../../etc/passwd", null],
    ["https://tracker.example/files/backgrounds/x.png", null],
    ["red; background-image: url(x)", null],
    ["", null],
    [12, null],
  ];
  for (const [value, want] of cases) assert.deepEqual(readBackground(value, DATA), want, JSON.stringify(value));
});
