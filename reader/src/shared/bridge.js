// Plain-text messages to the host over the "bridge" message handler.

export const OPEN_FILE = "action.openfile";
export const HELP = "action.help";
export const CLEAR_RECENT = "action.clearrecent";

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
export function onScreenMessage(pages) {
  return `action.onscreen ${pages.join(" ")}`;
}

/** How the reader shows the book (view, fit, zoom, direction), for the host to keep with its page. */
export function viewMessage(state) {
  return `action.view ${JSON.stringify(state)}`;
}

/** Asks the host to show the book alone on the screen (`true`) or in its window again. */
export function fullscreenMessage(on) {
  return `action.fullscreen ${on ? "on" : "off"}`;
}

/** The page's first pages are on screen: the host's stand-in picture may go. */
export function drawnMessage(page) {
  return `action.drawn ${page}`;
}

/** Opens the host's recent book at `index` of the list it gave the start page. */
export function openRecentMessage(index) {
  return `action.openrecent ${index}`;
}

/** Takes the host's recent book at `index` off the list. */
export function removeRecentMessage(index) {
  return `action.removerecent ${index}`;
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

/** What the find bar says of its matches ("3 of 12"), for the host to say again in its own widgets. */
export function foundMessage(status) {
  return `action.found ${status}`;
}

/** The book's contents as a flat list ([{ title, page, level }]), for the host's own contents window. */
export function contentsMessage(entries) {
  return `action.contents ${JSON.stringify(entries)}`;
}

/** The printed text of the pages on screen ({ pages: [{ number, text }] }), for the host's text pane and voice. */
export function shownMessage(report) {
  return `action.shown ${JSON.stringify(report)}`;
}
