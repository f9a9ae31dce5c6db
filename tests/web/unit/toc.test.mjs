import { test } from "node:test";
import assert from "node:assert/strict";
import { tocFromMetadata, tocFromOutline } from "../../../reader/src/flipbook/toc.js";

test("a table of contents in the metadata is read leniently and checked against the page count", () => {
  const cases = [
    [{ toc: [{ title: "Intro", page: 1 }, { title: "End", page: 12 }] }, [["Intro", 1], ["End", 12]]],
    [{ design: { toc: [{ label: "A", pageNumber: "3" }] } }, [["A", 3]]],
    [{ toc: { items: [{ name: "B", page_number: 2 }] } }, [["B", 2]]],
    [{ toc: [{ title: "Beyond", page: 99 }, { title: "Zero", page: 0 }, { title: "", page: 2 }, "junk", null] }, []],
    [{ toc: "files/toc/x.json" }, []],
    [null, []],
    [{}, []],
  ];
  for (const [metadata, want] of cases) {
    assert.deepEqual(tocFromMetadata(metadata, 12).map((e) => [e.title, e.page]), want, JSON.stringify(metadata));
  }
});

test("an entry without a page of its own leads to its first child", () => {
  const [part] = tocFromMetadata({ toc: [{ title: "Part", children: [{ title: "Ch 1", page: 4 }, { title: "Ch 2", page: 6 }] }] }, 10);
  assert.equal(part.page, 4);
  assert.deepEqual(part.children.map((c) => c.page), [4, 6]);
});

test("outline destinations resolve to pages; broken ones are dropped without losing children", async () => {
  const outline = [
    { title: "One", dest: "d1", items: [] },
    { title: "Broken", dest: "nowhere", items: [{ title: "Child", dest: "d3", items: [] }] },
    { title: "Throws", dest: "boom", items: [] },
    { title: "  ", dest: "d1", items: [] },
  ];
  const pages = { d1: 1, d3: 3 };
  const resolve = async (dest) => {
    if (dest === "boom") throw new Error("bad reference");
    return pages[dest] ?? null;
  };
  const toc = await tocFromOutline(outline, resolve);
  assert.deepEqual(toc.map((e) => [e.title, e.page, e.children.length]), [["One", 1, 0], ["Broken", 3, 1]]);
});
