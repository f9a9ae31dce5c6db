// What the start page lists of the books the host says were read lately.
import { t } from "../shared/strings.js";

export const RECENT_LIMIT = 8;

const COVER_PREFIX = "data:image/png;base64,";

/** The cover's address if it is a picture the host drew, else "" (the page shows a placeholder). */
export function coverSource(value) {
  return typeof value === "string" && value.length > COVER_PREFIX.length && value.startsWith(COVER_PREFIX) &&
    !/[^A-Za-z0-9+=\u002F]/.test(value.slice(COVER_PREFIX.length))
    ? value
    : "";
}

function count(value) {
  return Number.isInteger(value) && value > 0 ? value : 0;
}

/**
 * [{ title, file, index, page, pages, cover }] from the host's list: untitled
 * books named by their file; `index` is the book's place in the host's list;
 * `page` and `pages` are 0 when unknown.
 */
export function recentEntries(books) {
  if (!Array.isArray(books)) return [];
  const entries = [];
  for (const [index, book] of books.slice(0, RECENT_LIMIT).entries()) {
    const file = typeof book?.file === "string" ? book.file : "";
    const title = typeof book?.title === "string" ? book.title.trim() : "";
    if (file === "" && title === "") continue;
    entries.push({ title: title || file, file, index, page: count(book.page), pages: count(book.pages), cover: coverSource(book.cover) });
  }
  return entries;
}

/** The entries with the cover and page count the host drew later for the book at `index`. */
export function withCover(entries, index, fields) {
  return entries.map((entry) => (entry.index !== index || !fields || typeof fields !== "object"
    ? entry
    : { ...entry, cover: coverSource(fields.cover), pages: count(fields.pages) || entry.pages }));
}

/** "page 62 of 352"; without a count that holds the page, only "page 62"; nothing without a page. */
export function progressText(page, pages, win = globalThis) {
  if (!count(page)) return "";
  return count(pages) >= page ? t("page {page} of {count}", { page, count: pages }, win) : t("page {page}", { page }, win);
}
