"""Prints what the accessibility tree shows of one process's windows, as JSON:
[{"role": ..., "texts": [...], "buttons": [...]}]. Runs as its own process inside
the test desktop, since the accessibility bus address comes from its session bus.

usage: a11y_probe.py PID"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

WINDOW_ROLES = {Atspi.Role.DIALOG, Atspi.Role.ALERT, Atspi.Role.FRAME, Atspi.Role.WINDOW, Atspi.Role.FILE_CHOOSER}


def children(node):
    try:  # a node can vanish while we walk
        return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c is not None]
    except Exception:
        return []


def walk(node, depth=0):
    yield node
    for child in children(node) if depth < 40 else []:
        yield from walk(child, depth + 1)


result = []
for app in children(Atspi.get_desktop(0)):
    if app.get_process_id() != int(sys.argv[1]):
        continue
    for window in (w for w in children(app) if w.get_role() in WINDOW_ROLES):
        entry = {"role": window.get_role_name(), "texts": [], "buttons": []}
        for node in walk(window):
            role, name = node.get_role(), node.get_name()
            if name and role in (Atspi.Role.LABEL, Atspi.Role.STATIC):
                entry["texts"].append(name)
            elif name and role in (Atspi.Role.PUSH_BUTTON, Atspi.Role.LINK):
                entry["buttons"].append(name)
        result.append(entry)
print(json.dumps(result))
