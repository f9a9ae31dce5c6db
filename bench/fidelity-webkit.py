#!/usr/bin/env python3
"""bench/fidelity's drawing side in WebKitGTK, the engine the application embeds.

usage: fidelity-webkit.py DATA_DIR PDF OUT_DIR PAGES   (under a display, e.g. xvfb-run)

Opens PDF as a book in the built reader page of DATA_DIR and writes the image
of each of its first PAGES pages, as drawn, to OUT_DIR/<n>.png, or an empty
OUT_DIR/<n>.failed when the page shows that it could not be drawn. The book is
served as the application serves it: through a book scheme of its own, read
by ranges, so the page takes the same paths (worker from a blob, decoders
fetched through the scheme) as in the application.
"""
import base64
import json
import os
import re
import shutil
import sys
import tempfile

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("WebKit", "6.0")
gi.require_version("Soup", "3.0")
from gi.repository import GLib, Gio, Gtk, Soup, WebKit  # noqa: E402

SCHEME = "brivane-book"  # the name the page's policy allows

STEPS = """
(async () => {
  const post = (m) => webkit.messageHandlers.bridge.postMessage(m);
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
  onMessage(CONFIG);
  for (let n = 1; n <= COUNT; n++) {
    if (n > 1) onResume(n);
    let src = null, last = null;
    for (const start = Date.now(); Date.now() - start < 20000; await sleep(150)) {
      const el = document.querySelector(`.slot .page[data-page="${n}"]`);
      if (el?.classList.contains("failed")) { src = "failed"; break; }
      const img = el?.querySelector("img");
      const now = el && !el.classList.contains("loading") && img.complete && img.naturalWidth > 0 ? img.src : null;
      if (now && now === last) { src = now; break; }
      last = now;
    }
    if (!src || src === "failed") { post(`page ${n} ${src ?? "none"}`); continue; }
    const bytes = new Uint8Array(await (await fetch(src)).arrayBuffer());
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    post(`page ${n} png ${btoa(text)}`);
  }
  post("done");
})();
"""


def serve(root):
    """Answers the book scheme from root: whole files or one byte range, as the application's host does."""

    def answer(request):
        path = os.path.realpath(request.get_path())
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            request.finish_error(GLib.Error.new_literal(Gio.io_error_quark(), "not found", Gio.IOErrorEnum.NOT_FOUND))
            return
        status, headers = 200, {"Access-Control-Allow-Origin": "*", "Accept-Ranges": "bytes",
                                "Access-Control-Expose-Headers": "Accept-Ranges, Content-Range, Content-Length"}
        if request.get_http_method() == "OPTIONS":
            # The preflight of a request with a Range header.
            status, data = 204, b""
            headers.update({"Access-Control-Allow-Methods": "GET, HEAD", "Access-Control-Allow-Headers": "Range"})
        else:
            with open(path, "rb") as f:
                data = f.read()
        wanted = request.get_http_headers().get_one("Range") if request.get_http_headers() else None
        m = re.match(r"bytes=(\d*)-(\d*)$", wanted or "")
        if m and status == 200:
            size = len(data)
            begin, end = (size - int(m[2]), size - 1) if not m[1] else (int(m[1]), min(int(m[2] or size - 1), size - 1))
            begin = max(begin, 0)
            data = data[begin:end + 1]
            status = 206
            headers["Content-Range"] = f"bytes {begin}-{end}/{size}"
        stream = Gio.MemoryInputStream.new_from_bytes(GLib.Bytes.new(data))
        response = WebKit.URISchemeResponse.new(stream, len(data))
        response.set_status(status, None)
        response.set_content_type("application/octet-stream")
        soup = Soup.MessageHeaders.new(Soup.MessageHeadersType.RESPONSE)
        for name, value in headers.items():
            soup.append(name, value)
        response.set_http_headers(soup)
        request.finish_with_response(response)

    return answer


def main():
    data_dir, pdf, out, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="brivane-fidelity-webkit-")
    workspace = os.path.join(work, "book")
    shutil.copytree(data_dir, workspace)
    os.makedirs(os.path.join(workspace, "data"))
    shutil.copyfile(pdf, os.path.join(workspace, "data", "flipbook.pdf"))
    book = "file://" + os.path.join(workspace, "data")
    config = {"path": book + "/flipbook.pdf", "thumbnailPath": book + "/", "tocPath": book + "/files/toc/",
              "apiEndpoint": "https://brivane.example", "appVersion": 1, "appClient": "mac", "metadata": None}
    app = Gtk.Application(application_id="com.brivane.Reader.Fidelity", flags=Gio.ApplicationFlags.NON_UNIQUE)

    def received(_manager, value):
        message = value.to_string()
        if message == "done":
            app.quit()
            return
        if not message.startswith("page "):
            return  # what the page tells the host
        _, n, kind, *rest = message.split(" ", 3)
        if kind == "png":
            with open(os.path.join(out, f"{n}.png"), "wb") as f:
                f.write(base64.b64decode(rest[0]))
        else:
            open(os.path.join(out, f"{n}.{kind}"), "w").close()

    def activate(app):
        context = WebKit.WebContext.get_default()
        context.register_uri_scheme(SCHEME, serve(os.path.realpath(workspace)))
        context.get_security_manager().register_uri_scheme_as_secure(SCHEME)
        context.get_security_manager().register_uri_scheme_as_cors_enabled(SCHEME)
        window = Gtk.ApplicationWindow(application=app, default_width=1440, default_height=900)
        content = WebKit.UserContentManager()
        content.register_script_message_handler("bridge", None)
        content.connect("script-message-received::bridge", received)
        content.add_script(WebKit.UserScript.new(f"window.brivaneBookScheme = {json.dumps(SCHEME)};",
                                                 WebKit.UserContentInjectedFrames.TOP_FRAME,
                                                 WebKit.UserScriptInjectionTime.START, None, None))
        view = WebKit.WebView(user_content_manager=content, web_context=context)
        view.get_settings().set_allow_file_access_from_file_urls(True)
        # The page's console (its one line for a page it could not draw) goes to stdout.
        view.get_settings().set_enable_write_console_messages_to_stdout(True)
        window.set_child(view)

        def loaded(view, event):
            if event == WebKit.LoadEvent.FINISHED:
                steps = STEPS.replace("CONFIG", json.dumps(config)).replace("COUNT", str(count))
                view.evaluate_javascript(steps, -1, None, None, None, None, None)

        view.connect("load-changed", loaded)
        view.load_uri("file://" + os.path.join(workspace, "flipbook.html"))
        window.present()
        GLib.timeout_add(30000 + 25000 * count, lambda: app.quit() or False)

    app.connect("activate", activate)
    app.run([])
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
