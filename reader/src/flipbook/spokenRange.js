// Where a sentence the host reads aloud lies in a page's folded text, which
// is what the text layer marks by. The host counts in the printed text.

/**
 * The folded characters whose printed source starts in [from, to) of the
 * printed text: { start, length }, or null when none does. `at` is
 * pageText's map from folded to printed offsets, never decreasing.
 */
export function foldedSpan(at, from, to) {
  let start = -1;
  let end = -1;
  for (let k = 0; k < at.length && at[k] < to; k++) {
    if (at[k] < from) continue;
    if (start < 0) start = k;
    end = k + 1;
  }
  return start < 0 ? null : { start, length: end - start };
}

// A page of long tables runs to some ten thousand characters; past this a
// page is cut, as nobody listens to more of one page than that.
export const PAGE_TEXT_LIMIT = 60000;

/** The printed text of the pages on screen, and how many the book has, as the host takes it. */
export function shownReport(pages, count) {
  return {
    count,
    pages: pages.map(({ number, text }) => ({ number, text: String(text).slice(0, PAGE_TEXT_LIMIT) })),
  };
}
