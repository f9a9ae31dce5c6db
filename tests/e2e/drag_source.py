"""A window that drags files as a file manager does (text/uri-list over XDND):
the test presses on it and lets go over the reader.

usage: drag_source.py FILE..."""
import sys
from pathlib import Path

import gi

gi.require_version("Gdk", "4.0")
gi.require_version("Gtk", "4.0")
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402

URIS = "".join(Path(p).resolve().as_uri() + "\r\n" for p in sys.argv[1:]).encode()


def prepare(_source, _x, _y):
    return Gdk.ContentProvider.new_for_bytes("text/uri-list", GLib.Bytes.new(URIS))


def activate(app):
    window = Gtk.ApplicationWindow(application=app, title="drag source")
    window.set_default_size(160, 160)
    label = Gtk.Label(label="files")
    source = Gtk.DragSource(actions=Gdk.DragAction.COPY)
    source.connect("prepare", prepare)
    # Says when GTK is done, so the test knows the drop went through.
    source.connect("drag-end", lambda _s, _d, _delete: print("drag-end", flush=True))
    source.connect("drag-cancel", lambda _s, _d, reason: print("drag-cancel", int(reason), flush=True) or False)
    label.add_controller(source)
    window.set_child(label)
    window.present()


app = Gtk.Application(application_id="com.brivane.DragSource", flags=Gio.ApplicationFlags.NON_UNIQUE)
app.connect("activate", activate)
app.run([])
