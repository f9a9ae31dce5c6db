// The contents as the host lists them in its own window: one flat list, each
// entry with its depth, so a screen reader can walk it like any other list.

// Books with more entries than this have an index, not contents.
export const CONTENTS_LIMIT = 2000;
const TITLE_LIMIT = 300;

/** [{ title, page, children }] as [{ title, page, level }], in reading order, cut at CONTENTS_LIMIT. */
export function contentsReport(entries) {
  const flat = [];
  const walk = (list, level) => {
    for (const entry of list ?? []) {
      if (flat.length >= CONTENTS_LIMIT) return;
      const page = Number(entry?.page);
      if (Number.isInteger(page) && page >= 1) {
        flat.push({ title: String(entry.title ?? "").slice(0, TITLE_LIMIT), page, level });
      }
      walk(entry?.children, level + 1);
    }
  };
  walk(entries, 0);
  return flat;
}
