#!/usr/bin/env python3
"""The shipped pages in WebKitGTK, the engine the application embeds, for what the engine decides; the
page tests in Chromium walk the reader's logic. check_pages.py <data dir> [<text book pdf>] under a
display (e.g. xvfb-run). Exits 77 when WebKitGTK's introspection data is not installed."""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

try:
    import gi
    gi.require_version("Gtk", "4.0")
    gi.require_version("WebKit", "6.0")
    from gi.repository import GLib, Gtk, WebKit
except (ImportError, ValueError) as error:
    print(f"skipped: {error}")
    sys.exit(77)

# Records script errors and CSP refusals, which WebKit would otherwise only log.
WATCH = """
window.__problems = [];
addEventListener('error', e => __problems.push('error: ' + e.message));
addEventListener('unhandledrejection', e => __problems.push('rejection: ' + e.reason));
document.addEventListener('securitypolicyviolation', e => __problems.push('csp: ' + e.violatedDirective + ' ' + e.blockedURI));
"""

# Runs a check's steps (STEPS) with helpers; their answer, whether they finished
# and the page's problems go out in the final "report {...}".
RUN = """(async () => {
const until = async (test) => {
  for (const start = Date.now(); !test() && Date.now() - start < 20000; ) await new Promise(r => setTimeout(r, 50));
};
let answer = null, done = false;
try {
  answer = await (async () => { STEPS })();
  done = true;
} catch (e) {
  __problems.push('steps: ' + e);
}
webkit.messageHandlers.bridge.postMessage('report ' + JSON.stringify({answer, done, problems: __problems}));
})()"""


def check_page(name, url, size, steps, want):
    """Loads url and runs the async script body `steps`: their answer, the bridge messages, and as failures
    the page's problems, steps that did not finish and answers other than `want` holds."""
    messages = []
    app = Gtk.Application(application_id="com.brivane.Reader.WebCheck")

    def received(_manager, value):
        messages.append(value.to_string())
        if messages[-1].startswith("report "):
            app.quit()

    def finished(view, event):
        if event == WebKit.LoadEvent.FINISHED:
            view.evaluate_javascript(RUN.replace("STEPS", steps), -1, None, None, None, None, None)

    def activate(app):
        window = Gtk.ApplicationWindow(application=app, default_width=size[0], default_height=size[1])
        content = WebKit.UserContentManager()
        content.register_script_message_handler("bridge", None)
        content.connect("script-message-received::bridge", received)
        content.add_script(WebKit.UserScript.new(WATCH, WebKit.UserContentInjectedFrames.TOP_FRAME,
                                                 WebKit.UserScriptInjectionTime.START, None, None))
        view = WebKit.WebView(user_content_manager=content)
        view.get_settings().set_allow_file_access_from_file_urls(True)
        window.set_child(view)
        view.connect("load-changed", finished)
        view.load_uri(url)
        window.present()
        GLib.timeout_add(60000, lambda: app.quit() or False)

    app.connect("activate", activate)
    app.run([])
    reports = [json.loads(m[len("report "):]) for m in messages if m.startswith("report ")]
    state = reports[-1] if reports else {}
    print(f"{name}:", state)
    answer = state.get("answer") or {}
    failures = [f"{name} problems: {state['problems']}"] if state.get("problems") else []
    if not state.get("done"):
        failures.append(f"{name}: the steps did not finish")
    failures += [f"{name} {k}: {answer.get(k)!r}, want {v!r}" for k, v in want.items() if answer.get(k) != v]
    return answer, messages, failures


def read_book(data, work, name, pdf_path, steps):
    """check_page on pdf_path opened as a book in a workspace of its own, laid out as the application
    does: the reader core on top, the book in data/."""
    workspace = os.path.join(work, name)
    shutil.copytree(data, workspace)
    os.makedirs(os.path.join(workspace, "data"))
    pdf = os.path.join(workspace, "data", "flipbook.pdf")
    shutil.copyfile(pdf_path, pdf)
    config = {"path": "file://" + pdf, "thumbnailPath": "file://" + os.path.dirname(pdf), "metadata": None}
    return check_page(name, "file://" + workspace + "/flipbook.html", (1280, 800), f"onMessage({json.dumps(config)});\n{steps}", {})


def check_start(data):
    """The start page's bridge: its buttons post to the host, and the host's echo reaches the page."""
    _, messages, failures = check_page("start", "file://" + os.path.join(data, "main.html"), (450, 300), """
        document.getElementById('open').click();
        document.getElementById('help').click();
        return {busy: document.getElementById('open').getAttribute('aria-busy'), echo: typeof webkit.messageHandlers.bridge.onMessage};
    """, {"busy": "true", "echo": "function"})
    if messages[:2] != ["action.openfile", "action.help"]:
        failures.append(f"the start page posted {messages[:2]}, want open and help")
    return failures


# WebKit's own fonts and layout place the text layer: its 'Harbour' must lie on the drawn word.
TEXT_STEPS = """
  await until(() => document.querySelector('.slot.right .page[data-page="1"] .textLayer span'));
  const span = [...document.querySelectorAll('.slot.right .textLayer span')].find(s => s.textContent.includes('Harbour'));
  const range = document.createRange();
  range.setStart(span.firstChild, 0);
  range.setEnd(span.firstChild, 'Harbour'.length);
  const word = range.getBoundingClientRect(), at = span.closest('.page').getBoundingClientRect();
  return {word: [word.left - at.left, word.top - at.top, word.right - at.left, word.bottom - at.top], width: at.width};
"""


def check_text_book(data, work, pdf_path):
    text, _, failures = read_book(data, work, "Text-1", pdf_path, TEXT_STEPS)
    if not text:
        return failures
    bbox = subprocess.run(["pdftotext", "-bbox", "-f", "1", "-l", "1", pdf_path, "-"], capture_output=True, text=True).stdout
    x0, y0, x1, y1 = map(float, re.search(r'xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">Harbour<', bbox).groups())
    scale = text["width"] / 420
    left, top, right, bottom = text["word"]
    off = [left - x0 * scale, right - x1 * scale, (top + bottom) / 2 - (y0 + y1) / 2 * scale]
    if max(map(abs, off)) > 3:
        failures.append(f"the text layer's 'Harbour' is off the drawn word by {off} px")
    return failures


# The codecs book (JPEG 2000, fax, JBIG2, CMYK JPEG): in WebKit JPEG 2000 takes
# the script decoder, not the wasm one Chromium runs. Each page reports the
# shares of its pixels near the picture's red, its green and black; a blank,
# missing or inverted image moves them far.
CODEC_STEPS = """
  const near = (d, i, c) => Math.abs(d[i] - c[0]) + Math.abs(d[i + 1] - c[1]) + Math.abs(d[i + 2] - c[2]) < 90;
  const shares = [];
  for (let n = 1; n <= 4; n++) {
    if (n > 1) onResume(n);
    const page = () => document.querySelector(`.slot .page[data-page="${n}"]`);
    await until(() => page()?.classList.contains('failed') || (page() && !page().classList.contains('loading') && page().querySelector('img').naturalWidth > 0));
    if (!page() || page().querySelector('.failed-notice')) { shares.push(null); continue; }
    const img = page().querySelector('img');
    const canvas = Object.assign(document.createElement('canvas'), {width: img.naturalWidth, height: img.naturalHeight});
    const context = canvas.getContext('2d');
    context.drawImage(img, 0, 0);
    const d = context.getImageData(0, 0, canvas.width, canvas.height).data;
    const count = [0, 0, 0];
    for (let i = 0; i < d.length; i += 4) {
      count[0] += near(d, i, [192, 32, 32]);
      count[1] += near(d, i, [32, 160, 64]);
      count[2] += d[i] + d[i + 1] + d[i + 2] < 150;
    }
    shares.push(count.map((k) => Math.round(1000 * k / (d.length / 4)) / 1000));
  }
  return shares;
"""
# [red, green, black] shares as poppler draws the pages (0.129, 0.107, 0 for
# the colour pages, 0.245 black for the two fax codings), with room to spare.
CODEC_RANGES = [[(0.08, 0.2), (0.07, 0.16), (0, 0.03)], [(0, 0.01), (0, 0.01), (0.17, 0.32)]]


def check_codecs(data, work):
    codecs = os.path.join(os.path.dirname(__file__), "..", "pages", "fixtures", "codecs.pdf")
    shares, _, failures = read_book(data, work, "Codecs-1", codecs, CODEC_STEPS)
    for name, got, ranges in zip(["JPEG 2000", "CCITT fax", "JBIG2", "CMYK JPEG"], shares or [None] * 4, [CODEC_RANGES[i] for i in (0, 1, 1, 0)]):
        if got is None or any(not lo <= v <= hi for v, (lo, hi) in zip(got, ranges)):
            failures.append(f"{name} page: red, green, black shares {got}, want within {ranges}")
    return failures


# Views on a 1000-page book: how many page elements the continuous column
# keeps and whether the page box follows its scroll.
VIEW_STEPS = """
  onResume(4);
  await until(() => document.querySelector('.slot.right .page[data-page="5"]:not(.loading) img')?.naturalWidth > 0);
  const stage = document.getElementById('stage');
  const digit = (n) => document.dispatchEvent(new KeyboardEvent('keydown', {key: n, code: 'Digit' + n, ctrlKey: true, bubbles: true, cancelable: true}));
  digit('3');
  await until(() => document.querySelector('.column > .page[data-page="4"]:not(.loading)'));
  // Three screens down, a fortieth of one a frame however long frames take (up to 10 s).
  const [from, end] = [stage.scrollTop, performance.now() + 10000];
  while (stage.scrollTop - from < 3 * stage.clientHeight && performance.now() < end) {
    const was = stage.scrollTop;
    stage.scrollTop += stage.clientHeight / 40;
    if (stage.scrollTop === was) break;
    await new Promise(r => requestAnimationFrame(r));
  }
  // However far slow frames let it get, the column ends three screens down.
  stage.scrollTop = from + 3 * stage.clientHeight;
  const pageBox = () => Number(document.getElementById('page-input').value);
  await until(() => pageBox() >= 6);
  const elements = document.querySelectorAll('.column > .page').length;
  const page = pageBox();
  return {elements, page};
"""


def check_views(data, work):
    pdf = os.path.join(work, "views.pdf")
    subprocess.run(["node", os.path.join(os.path.dirname(__file__), "..", "pages", "makePdf.mjs"), pdf, "1000"], check=True)
    views, _, failures = read_book(data, work, "Views-1", pdf, VIEW_STEPS)
    if not views:
        return failures
    if views["elements"] > 6:
        failures.append(f"the column keeps {views['elements']} page elements")
    if views["page"] < 6:
        failures.append(f"the page box stayed at {views['page']} through the scroll")
    return failures


def main():
    data = os.path.abspath(sys.argv[1])
    text_pdf = sys.argv[2] if len(sys.argv) > 2 else None
    work = tempfile.mkdtemp(prefix="brivane-webkit-")
    try:
        failures = check_start(data)
        if text_pdf and os.path.exists(text_pdf):
            failures += check_text_book(data, work, text_pdf)
        for check in (check_codecs, check_views):
            failures += check(data, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
