// Plain-text messages to the host over the "bridge" message handler.

export const OPEN_FILE = "action.openfile";
export const HELP = "action.help";

export function openPdfMessage(path) {
  return `action.openpdf ${path}`;
}

export function printMessage(path) {
  return `action.print ${path}`;
}

/** Where the reader is, so the host can reopen the book there. */
export function positionMessage(page) {
  return `action.position ${page}`;
}

/** The pages on screen, left to right, so the host can print just those. */
export function shownMessage(pages) {
  return `action.shown ${pages.join(" ")}`;
}

/** How the reader shows the book (view, fit, zoom, direction), for the host to keep with its page. */
export function viewMessage(state) {
  return `action.view ${JSON.stringify(state)}`;
}

/** Opens the host's recent book at `index` of the list it gave the start page. */
export function openRecentMessage(index) {
  return `action.openrecent ${index}`;
}

export function bridgeHandler(win = globalThis) {
  return win?.webkit?.messageHandlers?.bridge ?? null;
}

/** Posts `text` to the host; false when the page runs without one (a plain browser). */
export function post(text, win = globalThis) {
  const handler = bridgeHandler(win);
  if (!handler || typeof handler.postMessage !== "function") return false;
  handler.postMessage(String(text));
  return true;
}
