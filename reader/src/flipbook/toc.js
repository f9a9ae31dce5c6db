// The contents list: the flipbook's own table of contents when its metadata
// carries one, otherwise the PDF outline. Entries are { title, page, children }.

const TITLE_KEYS = ["title", "label", "name", "text"];
const PAGE_KEYS = ["page", "pageNumber", "page_number", "pageNum"];
const CHILD_KEYS = ["children", "items", "entries", "subitems"];
const MAX_DEPTH = 8;
// A list longer than this is no help to a reader, and a hostile outline of a
// page per entry would otherwise be resolved and drawn entry by entry.
export const MAX_ENTRIES = 1000;

function firstOf(object, keys) {
  for (const key of keys) if (object[key] !== undefined) return object[key];
  return undefined;
}

function readPage(value, pageCount) {
  const n = typeof value === "string" && /^\s*\d+\s*$/.test(value) ? Number(value) : value;
  if (typeof n !== "number" || !Number.isInteger(n) || n < 1 || n > pageCount) return null;
  return n;
}

function readEntries(list, pageCount, depth, budget) {
  if (!Array.isArray(list) || depth > MAX_DEPTH) return [];
  const entries = [];
  for (const item of list) {
    if (budget.left <= 0) break;
    if (item === null || typeof item !== "object" || Array.isArray(item)) continue;
    const title = firstOf(item, TITLE_KEYS);
    const page = readPage(firstOf(item, PAGE_KEYS), pageCount);
    const children = readEntries(firstOf(item, CHILD_KEYS), pageCount, depth + 1, budget);
    if (typeof title !== "string" || title.trim() === "") {
      entries.push(...children);
      continue;
    }
    if (page === null && children.length === 0) continue;
    budget.left -= 1;
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
  return readEntries(items, pageCount, 0, { left: MAX_ENTRIES });
}

/**
 * The PDF outline with destinations resolved to page numbers by `resolve`
 * (async, dest -> 1-based page or null). Entries that go nowhere keep their
 * children.
 */
export async function tocFromOutline(outline, resolve, depth = 0, budget = { left: MAX_ENTRIES }) {
  if (!Array.isArray(outline) || depth > MAX_DEPTH) return [];
  const entries = [];
  for (const item of outline) {
    if (budget.left <= 0) break;
    const children = await tocFromOutline(item?.items, resolve, depth + 1, budget);
    const title = typeof item?.title === "string" ? item.title.trim() : "";
    let page = null;
    try {
      page = title !== "" && item.dest ? await resolve(item.dest) : null;
    } catch {
      page = null;
    }
    if (title === "" || (page === null && children.length === 0)) {
      entries.push(...children);
      continue;
    }
    budget.left -= 1;
    entries.push({ title, page: page ?? children[0].page, children });
  }
  return entries;
}

/**
 * Index, in `flat` (entries in reading order, parents before their
 * children), of the chapter that `page` falls in: the latest-starting entry
 * at or before it, the innermost one where several start there. -1 before
 * the first.
 */
export function currentEntry(flat, page) {
  let best = -1;
  for (const [i, entry] of flat.entries()) {
    if (entry.page <= page && (best === -1 || entry.page >= flat[best].page)) best = i;
  }
  return best;
}
