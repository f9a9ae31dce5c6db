// The pages' texts in the session's language. Before any page script runs, the
// host puts the catalogue of that language on the window as
// `brivaneStrings` = { lang, messages: { English text: translation } }; without
// one (English, or a plain browser) every text stays as written.

export function catalogue(win = globalThis) {
  const found = win?.brivaneStrings;
  return found && typeof found === "object" && found.messages && typeof found.messages === "object" ? found : null;
}

/** Marks a text for the catalogue where it is defined; t() translates it where it is shown. */
export const N_ = (text) => text;

/** The text in the page's language, with {name} placeholders filled from values. */
export function t(text, values = {}, win = globalThis) {
  const messages = catalogue(win)?.messages;
  const own = messages && Object.hasOwn(messages, text) ? messages[text] : "";
  const chosen = typeof own === "string" && own !== "" ? own : text;
  return chosen.replace(/\{(\w+)\}/g, (whole, name) => (Object.hasOwn(values, name) ? String(values[name]) : whole));
}

const ATTRIBUTES = ["aria-label", "title", "alt"];

/**
 * Translates the static texts of a page: the text of elements marked
 * data-i18n and the labels, tooltips and alternative texts of every element.
 */
export function translateDocument(doc = document, win = globalThis) {
  const found = catalogue(win);
  if (!found) return;
  if (typeof found.lang === "string" && found.lang !== "") doc.documentElement.lang = found.lang;
  for (const element of doc.querySelectorAll("[data-i18n]")) {
    element.textContent = t(element.textContent.trim(), {}, win);
  }
  for (const name of ATTRIBUTES) {
    for (const element of doc.querySelectorAll(`[${name}]`)) {
      const value = element.getAttribute(name);
      if (value.trim() !== "") element.setAttribute(name, t(value, {}, win));
    }
  }
}
