// The start page: asks the host to open a flipbook or to show where to get
// one. The host echoes each message back about a second later.
import {
  CLEAR_RECENT, HELP, OPEN_FILE, bridgeHandler, openRecentMessage, post, removeRecentMessage,
} from "../shared/bridge.js";
import { t, translateDocument } from "../shared/strings.js";
import { recentEntries } from "./recent.js";
import { RecentList } from "./RecentList.js";

translateDocument();

// The host sends no echo when the chosen file is refused (it shows an alert
// instead), so the busy state also ends when the window regains focus or
// after a while.
const BUSY_LIMIT_MS = 15000;

const open = document.getElementById("open");
const help = document.getElementById("help");
const status = document.getElementById("open-status");
let busyTimer = 0;

function setBusy(busy) {
  clearTimeout(busyTimer);
  open.setAttribute("aria-busy", String(busy));
  status.textContent = busy ? t("Choose a flipbook file…") : "";
  if (busy) busyTimer = setTimeout(() => setBusy(false), BUSY_LIMIT_MS);
}

open.addEventListener("click", () => {
  if (open.getAttribute("aria-busy") === "true") return;
  if (post(OPEN_FILE)) setBusy(true);
});

help.addEventListener("click", (event) => {
  event.preventDefault();
  post(HELP);
});

window.addEventListener("focus", () => {
  if (open.getAttribute("aria-busy") === "true") setTimeout(() => setBusy(false), 1200);
});

const handler = bridgeHandler();
if (handler) {
  handler.onMessage = () => setBusy(false);
}

// The host offers the books read lately once the page has loaded; a click
// names one by its place in that list, never by its path.
const recent = new RecentList(document.getElementById("recent-list"), {
  open(index) {
    if (open.getAttribute("aria-busy") === "true") return;
    if (post(openRecentMessage(index))) setBusy(true);
  },
  remove(index) {
    post(removeRecentMessage(index));
  },
});

document.getElementById("recent-clear").addEventListener("click", () => post(CLEAR_RECENT));

window.onRecentBooks = (books) => {
  const entries = recentEntries(books);
  recent.show(entries);
  document.getElementById("recent").hidden = entries.length === 0;
  document.body.classList.toggle("has-recent", entries.length > 0);
};

// Covers are drawn after the list is shown; each comes by its place in that list.
window.onRecentCover = (index, fields) => {
  recent.cover(index, fields);
};

open.focus();
