// What the start page lists of the books the host says were read lately.

export const RECENT_LIMIT = 8;

/**
 * [{ title, file, index }] from the host's list: text only, untitled books
 * named by their file; `index` is the book's place in the host's list.
 */
export function recentEntries(books) {
  if (!Array.isArray(books)) return [];
  const entries = [];
  for (const [index, book] of books.slice(0, RECENT_LIMIT).entries()) {
    const file = typeof book?.file === "string" ? book.file : "";
    const title = typeof book?.title === "string" ? book.title.trim() : "";
    if (file === "" && title === "") continue;
    entries.push({ title: title || file, file, index });
  }
  return entries;
}
