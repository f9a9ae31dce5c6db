"""Prints what the accessibility tree shows of one process's windows, as JSON:
[{"role": ..., "texts": [...], "buttons": [...], "documents": [...], "menu_items": [...], "statuses": [...]}]:
"documents" holds the text (through the text interface) of text views and documents,
"menu_items" the names of menu items, with "!" before those that cannot be used now. Runs as its own process inside
the test desktop, since the accessibility bus address comes from its session bus.

usage: a11y_probe.py PID"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

TEXT_ROLES = {Atspi.Role.TEXT, Atspi.Role.DOCUMENT_TEXT, Atspi.Role.DOCUMENT_FRAME}
MENU_ITEM_ROLES = {Atspi.Role.MENU_ITEM, Atspi.Role.CHECK_MENU_ITEM, Atspi.Role.RADIO_MENU_ITEM, Atspi.Role.MENU}
WINDOW_ROLES = {Atspi.Role.DIALOG, Atspi.Role.ALERT, Atspi.Role.FRAME, Atspi.Role.WINDOW, Atspi.Role.FILE_CHOOSER}


def children(node):
    try:  # a node can vanish while we walk
        return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c is not None]
    except Exception:
        return []


def text_of(node):
    try:
        text = node.get_text_iface()
        return text.get_text(0, min(text.get_character_count(), 20000)) if text else ""
    except Exception:
        return ""


def walk(node, depth=0):
    yield node
    for child in children(node) if depth < 40 else []:
        yield from walk(child, depth + 1)


result = []
for app in children(Atspi.get_desktop(0)):
    if app.get_process_id() != int(sys.argv[1]):
        continue
    for window in (w for w in children(app) if w.get_role() in WINDOW_ROLES):
        entry = {"role": window.get_role_name(), "texts": [], "buttons": [], "documents": [], "menu_items": [],
                 "statuses": []}
        for node in walk(window):
            role, name = node.get_role(), node.get_name()
            if role in TEXT_ROLES:
                entry["documents"].append(text_of(node))
            elif role in MENU_ITEM_ROLES and name:
                usable = node.get_state_set().contains(Atspi.StateType.SENSITIVE)
                entry["menu_items"].append(name if usable else "!" + name)
            elif role == Atspi.Role.STATUS_BAR:
                entry["statuses"].append(name or text_of(node))
            elif name and role in (Atspi.Role.LABEL, Atspi.Role.STATIC):
                entry["texts"].append(name)
            elif name and role in (Atspi.Role.PUSH_BUTTON, Atspi.Role.LINK):
                entry["buttons"].append(name)
        result.append(entry)
print(json.dumps(result))
