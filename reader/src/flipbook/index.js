// Entry point of the reader page: the host calls the global onMessage with the
// reader configuration after every finished load.
import { Reader } from "./Reader.js";
import { Controls } from "./Controls.js";
import { translateDocument } from "../shared/strings.js";

translateDocument();

const reader = new Reader();
const controls = new Controls(reader);

window.onMessage = (config) => {
  reader.load(config);
};

// The host's second call after the configuration: the page to reopen at and,
// when it kept one, how the book was shown.
window.onResume = (page, state) => {
  reader.resumeAt(page, state);
};

// The host says whether the window shows the book alone.
window.onFullscreen = (active) => {
  controls.fullscreenChanged(active === true);
};

// The host's menus run the same commands as the toolbar and the keys.
window.onCommand = (name) => {
  controls.run(String(name));
};

// The host's own find field: what it holds (direction 0), or on to the next (1) or previous (-1) match.
window.onFind = (query, direction) => {
  reader.find.lookFor(String(query), Number(direction) || 0);
};

// The host reads [from, to) of page `page`'s text aloud; called without a page when it stops.
window.onSpeaking = (page, from, to) => {
  reader.shown.speak(Number(page), Number(from), Number(to));
};
