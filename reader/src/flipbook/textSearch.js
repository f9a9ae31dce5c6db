import { t } from "../shared/strings.js";

// Searchable text of a page and the matching rules, without the DOM: case and
// accents are folded away, ligatures, presentation forms and width variants
// read as the letters they stand for, runs of white space and line breaks
// count as one blank, and a word hyphenated at the end of a line is joined.

// Accents and vowel points only. Other scripts' combining marks (Indic vowel
// signs, kana voicing) make different words and stay.
const ACCENT_RANGES = [
  [0x0300, 0x036f], [0x0483, 0x0489], [0x0591, 0x05c7], [0x0610, 0x061a], [0x064b, 0x065f], [0x0670, 0x0670],
  [0x06d6, 0x06ed], [0x1ab0, 0x1aff], [0x1dc0, 0x1dff], [0x20d0, 0x20ff], [0xfe20, 0xfe2f],
];
const isAccent = (c) => ACCENT_RANGES.some(([from, to]) => c >= from && c <= to);
const SPACE = /\s/u;
const LETTER = /\p{L}/u;
const SOFT_HYPHEN = "\u00ad";
// Most pages repeat a few hundred characters; folding each once is enough.
const folded = new Map();

/** The folded form of one character: lower case, no accents, compatibility forms spelt out. */
function fold(ch) {
  if (ch < "\u0080") return SPACE.test(ch) ? " " : ch.toLowerCase();
  let f = folded.get(ch);
  if (f === undefined) {
    if (SPACE.test(ch)) f = " ";
    else if (ch === SOFT_HYPHEN) f = "";
    // Composed again afterwards, so a Hangul syllable or a voiced kana stays one letter.
    else f = [...ch.normalize("NFKD").toLowerCase()].filter((c) => !isAccent(c.codePointAt(0))).join("").normalize("NFC");
    if (folded.size < 65536) folded.set(ch, f);
  }
  return f;
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
 * With `withDisplay`, also gives the page's text as printed (blanks joined the
 * same way) and, for each folded character, where in it that character came
 * from. Items are counted as the text layer counts them: those with a `str`.
 */
export function pageText(items, withMap = false, withDisplay = false) {
  let text = "";
  let display = "";
  // Whether the text so far ends in a blank (or is empty): blanks never repeat.
  let blank = true;
  const map = withMap ? [] : null;
  const at = withDisplay ? [] : null;
  const push = (f, ch, where) => {
    // A folded-away accent still shows on its letter.
    if (f === "" && withDisplay) display += ch;
    let shown = false;
    for (let k = 0; k < f.length; k++) {
      const c = f[k];
      if (c === " ") {
        if (blank) continue;
        blank = true;
      } else {
        blank = false;
      }
      if (withDisplay && !shown) {
        display += c === " " && ch !== "\n" ? " " : ch;
        shown = true;
      }
      text += c;
      map?.push(where);
      at?.push(display.length - (c === " " ? 1 : ch.length));
    }
  };
  let index = -1;
  for (const item of items ?? []) {
    if (typeof item?.str !== "string") continue;
    index += 1;
    const str = item.str;
    let offset = 0;
    for (const ch of str) {
      const f = fold(ch);
      const last = map?.at(-1);
      // An accent folded away belongs to its letter's glyph, which a mark covers whole.
      if (f === "" && last && last[0] === index && last[1] + last[2] === offset) last[2] += ch.length;
      push(f, ch, withMap ? [index, offset, ch.length] : null);
      offset += ch.length;
    }
    if (item.hasEOL) {
      // "light-" at a line's end and "house" on the next read as one word.
      const hyphenated = text.length >= 2 && text.endsWith("-") && LETTER.test(text.at(-2));
      if (hyphenated) {
        text = text.slice(0, -1);
        blank = text === "" || text.endsWith(" ");
        map?.pop();
        if (withDisplay) display = display.slice(0, at.pop());
      } else {
        push(" ", "\n", null);
      }
    }
  }
  const page = { text };
  if (withMap) page.map = map;
  if (withDisplay) Object.assign(page, { display, at: Uint32Array.from(at) });
  return page;
}

// Characters of printed text either side of a match in a results list.
const CONTEXT = 36;

/**
 * The printed line around a match of `length` folded characters at `start`:
 * { before, hit, after }, cut at a blank where one is near and marked "…"
 * where cut short of the line's ends. `page` is pageText's result with display.
 */
export function matchContext(page, start, length) {
  const { display, at } = page;
  if (!at || start >= at.length) return { before: "", hit: "", after: "" };
  const from = at[start];
  const last = Math.min(start + length, at.length) - 1;
  // The hit ends where the next folded character's source begins.
  let to = display.length;
  for (let k = last + 1; k < at.length; k++) {
    if (at[k] > at[last]) {
      to = at[k];
      break;
    }
  }
  const lineStart = display.lastIndexOf("\n", from - 1) + 1;
  const lineEnd = display.indexOf("\n", to) === -1 ? display.length : display.indexOf("\n", to);
  let begin = Math.max(lineStart, from - CONTEXT);
  let end = Math.min(lineEnd, to + CONTEXT);
  const space = display.indexOf(" ", begin);
  if (begin > lineStart && space !== -1 && space < from - CONTEXT / 2) begin = space + 1;
  const back = display.lastIndexOf(" ", end);
  if (end < lineEnd && back > to + CONTEXT / 2) end = back;
  return {
    before: (begin > lineStart ? "…" : "") + display.slice(begin, from).trimStart(),
    // A match over a line break reads as one line.
    hit: display.slice(from, to).replaceAll("\n", " ").trimEnd(),
    after: display.slice(to, end).trimEnd() + (end < lineEnd ? "…" : ""),
  };
}

// Ligatures and the contextual shapes of Arabic letters, as a PDF may spell its text.
const PRESENTATION_FORMS = /[\ufb00-\ufdff\ufe70-\ufeff]+/gu;

/** Copied text with ligatures and presentation forms as the letters they stand for. */
export function plainLetters(text) {
  return text.replace(PRESENTATION_FORMS, (run) => run.normalize("NFKC"));
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
