// The contents list: the flipbook's own table of contents when its metadata
// carries one, otherwise the PDF outline. Entries are { title, page, children }.

const TITLE_KEYS = ["title", "label", "name", "text"];
const PAGE_KEYS = ["page", "pageNumber", "page_number", "pageNum"];
const CHILD_KEYS = ["children", "items", "entries", "subitems"];
const MAX_DEPTH = 8;

function firstOf(object, keys) {
  for (const key of keys) if (object[key] !== undefined) return object[key];
  return undefined;
}

function readPage(value, pageCount) {
  const n = typeof value === "string" && /^\s*\d+\s*$/.test(value) ? Number(value) : value;
  if (typeof n !== "number" || !Number.isInteger(n) || n < 1 || n > pageCount) return null;
  return n;
}

function readEntries(list, pageCount, depth) {
  if (!Array.isArray(list) || depth > MAX_DEPTH) return [];
  const entries = [];
  for (const item of list) {
    if (item === null || typeof item !== "object" || Array.isArray(item)) continue;
    const title = firstOf(item, TITLE_KEYS);
    const page = readPage(firstOf(item, PAGE_KEYS), pageCount);
    const children = readEntries(firstOf(item, CHILD_KEYS), pageCount, depth + 1);
    if (typeof title !== "string" || title.trim() === "") {
      entries.push(...children);
      continue;
    }
    if (page === null && children.length === 0) continue;
    entries.push({ title: title.trim(), page: page ?? children[0].page, children });
  }
  return entries;
}

/** The metadata's table of contents ("toc" at the top or in "design"), or []. */
export function tocFromMetadata(metadata, pageCount) {
  if (metadata === null || typeof metadata !== "object" || Array.isArray(metadata)) return [];
  const design = metadata.design !== null && typeof metadata.design === "object" ? metadata.design : {};
  const list = metadata.toc ?? design.toc;
  const items = Array.isArray(list) ? list : firstOf(list ?? {}, CHILD_KEYS);
  return readEntries(items, pageCount, 0);
}

/**
 * The PDF outline with destinations resolved to page numbers by `resolve`
 * (async, dest -> 1-based page or null). Entries that go nowhere keep their
 * children.
 */
export async function tocFromOutline(outline, resolve, depth = 0) {
  if (!Array.isArray(outline) || depth > MAX_DEPTH) return [];
  const entries = [];
  for (const item of outline) {
    const children = await tocFromOutline(item.items, resolve, depth + 1);
    let page = null;
    try {
      page = item.dest ? await resolve(item.dest) : null;
    } catch {
      page = null;
    }
    const title = typeof item.title === "string" ? item.title.trim() : "";
    if (title === "" || (page === null && children.length === 0)) {
      entries.push(...children);
      continue;
    }
    entries.push({ title, page: page ?? children[0].page, children });
  }
  return entries;
}
