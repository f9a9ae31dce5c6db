"""Reads (and optionally presses) what the accessibility tree shows of one
process's dialogs. Runs as its own process inside the test desktop, since the
accessibility bus address comes from that desktop's session bus.

usage: a11y_probe.py PID [BUTTON_TO_PRESS]
prints JSON: [{"title": ..., "texts": [...], "buttons": [...]}] for each window."""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

TEXT_ROLES = {Atspi.Role.LABEL, Atspi.Role.STATIC}
WINDOW_ROLES = {Atspi.Role.DIALOG, Atspi.Role.ALERT, Atspi.Role.FRAME, Atspi.Role.WINDOW,
                Atspi.Role.FILE_CHOOSER}


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.get_child_count()):
        try:
            yield from walk(node.get_child_at_index(i), depth + 1)
        except Exception:  # a node can vanish while we walk
            continue


def main():
    pid = int(sys.argv[1])
    press = sys.argv[2] if len(sys.argv) > 2 else None
    desktop = Atspi.get_desktop(0)
    result = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_process_id() != pid:
            continue
        for w in range(app.get_child_count()):
            window = app.get_child_at_index(w)
            if window is None or window.get_role() not in WINDOW_ROLES:
                continue
            entry = {"title": window.get_name() or "", "role": window.get_role_name(),
                     "texts": [], "buttons": []}
            for node in walk(window):
                role = node.get_role()
                name = node.get_name() or ""
                if role in TEXT_ROLES and name:
                    entry["texts"].append(name)
                elif role in (Atspi.Role.PUSH_BUTTON, Atspi.Role.LINK) and name:
                    entry["buttons"].append(name)
                    if press and name.split(" ")[0] == press.split(" ")[0] and name.startswith(press):
                        actions = node.get_action_iface()
                        if actions is not None and actions.get_n_actions() > 0:
                            actions.do_action(0)
                            press = None
            result.append(entry)
    print(json.dumps(result))
    if press:
        sys.exit(3)


if __name__ == "__main__":
    main()
