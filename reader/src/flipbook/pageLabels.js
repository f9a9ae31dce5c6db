// Printed page numbers ("xii", "17", "A-3") next to the PDF's own count, and
// what a reader may type into the page box to reach one.
import { t } from "../shared/strings.js";

// A label longer than this is no page number; it would only crowd the box.
const LABEL_MAX = 24;

/**
 * The labels worth showing, one per page, or null: none given, the wrong
 * number of them, or every one the same as the page's own number.
 */
export function usefulLabels(raw, pageCount) {
  if (!Array.isArray(raw) || raw.length !== pageCount || pageCount < 1) return null;
  const labels = raw.map((label) => (typeof label === "string" ? label.trim().slice(0, LABEL_MAX) : ""));
  if (labels.every((label, i) => label === "" || label === String(i + 1))) return null;
  return labels;
}

/** Page `page`'s printed label, or its number where it has none. */
export function labelOf(labels, page) {
  const label = labels?.[page - 1];
  return label ? label : String(page);
}

/**
 * The page a typed entry names, or null. A printed label wins (exactly as
 * printed, then in any case), so "iv" and "17" reach the pages printed so;
 * otherwise a number counts pages from the first ("12", "12 / 40").
 */
export function pageOfEntry(text, labels, pageCount) {
  const entry = String(text ?? "").trim();
  if (entry === "" || pageCount < 1) return null;
  if (labels) {
    const exact = labels.indexOf(entry);
    if (exact !== -1) return exact + 1;
    const lower = entry.toLocaleLowerCase();
    const loose = labels.findIndex((label) => label.toLocaleLowerCase() === lower);
    if (loose !== -1) return loose + 1;
  }
  const m = /^(\d+)\s*(?:\/.*)?$/.exec(entry);
  if (!m) return null;
  return Math.min(Math.max(Number(m[1]), 1), pageCount);
}

/** "17 (31 of 352)" where the printed label differs from the count, else "31". */
export function pageDisplay(labels, page, pageCount) {
  const label = labelOf(labels, page);
  if (label === String(page)) return label;
  return t("{label} ({page} of {count})", { label, page, count: pageCount });
}
