import { t } from "../shared/strings.js";

// Searchable text of a page and the matching rules, without the DOM: case and
// accents are folded away, runs of white space and line breaks count as one
// blank, and a word hyphenated at the end of a line is joined again.

const MARKS = /\p{M}/gu;
const SPACE = /\s/u;
const LETTER = /\p{L}/u;
const SOFT_HYPHEN = "\u00ad";

/** The folded form of one character: lower case, no accents, ligatures spelt out. */
function fold(ch) {
  if (SPACE.test(ch)) return " ";
  if (ch === SOFT_HYPHEN) return "";
  return ch.normalize("NFKD").replace(MARKS, "").toLowerCase();
}

/** Folded query text; "" when nothing is left to look for. */
export function foldQuery(query) {
  let out = "";
  for (const ch of String(query ?? "")) {
    const f = fold(ch);
    if (f === " " && (out === "" || out.endsWith(" "))) continue;
    out += f;
  }
  return out.trimEnd();
}

/**
 * Folds the text items of a page (pdf.js text content, in order) into one
 * string. With `withMap`, also says for each character of that string which
 * item and which code units of it it came from (null for an inserted blank).
 * Items are counted as the text layer counts them: those that carry a `str`.
 */
export function pageText(items, withMap = false) {
  let text = "";
  const map = withMap ? [] : null;
  const push = (f, where) => {
    for (const c of f) {
      if (c === " " && (text === "" || text.endsWith(" "))) continue;
      text += c;
      map?.push(where);
    }
  };
  let index = -1;
  for (const item of items ?? []) {
    if (typeof item?.str !== "string") continue;
    index += 1;
    const str = item.str;
    let offset = 0;
    for (const ch of str) {
      push(fold(ch), [index, offset, ch.length]);
      offset += ch.length;
    }
    if (item.hasEOL) {
      // "light-" at a line's end and "house" on the next read as one word.
      const hyphenated = text.length >= 2 && text.endsWith("-") && LETTER.test(text.at(-2));
      if (hyphenated) {
        text = text.slice(0, -1);
        map?.pop();
      } else {
        push(" ", null);
      }
    }
  }
  return withMap ? { text, map } : { text };
}

/** Start offsets of every non-overlapping occurrence of folded `query` in folded `text`. */
export function findAll(text, query) {
  const found = [];
  if (!query) return found;
  for (let at = text.indexOf(query); at !== -1; at = text.indexOf(query, at + query.length)) found.push(at);
  return found;
}

/**
 * The pieces of text items that characters [start, start + length) of a
 * page's folded text came from: [{ item, from, to }] in item order.
 */
export function itemRanges(map, start, length) {
  const ranges = [];
  for (let k = start; k < start + length && k < map.length; k++) {
    const where = map[k];
    if (!where) continue;
    const [item, offset, size] = where;
    const last = ranges.at(-1);
    if (last && last.item === item) {
      last.from = Math.min(last.from, offset);
      last.to = Math.max(last.to, offset + size);
    } else {
      ranges.push({ item, from: offset, to: offset + size });
    }
  }
  return ranges;
}

/** "12 of 40", or what the bar says while there is no count. */
export function matchStatus({ query, current, total, searching }) {
  if (!query) return "";
  if (total === 0) return searching ? t("Searching…") : t("No matches");
  if (searching) return t("{count} found…", { count: total });
  return t("{current} of {total}", { current: current + 1, total });
}
