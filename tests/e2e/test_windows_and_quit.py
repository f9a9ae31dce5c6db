"""Several windows, the window icon, and leaving the program."""
from desktop import wait_until
from flipbooks import BLUE, RED, metadata_of, pack, rewrite
from reader_app import descendants, process_state, reader_window, wait_pages


def test_windows_each_show_their_own_book_though_name_and_id_agree(desktop, launch, books):
    # The id fingerprints only page size, page count and PDF size: a red and
    # a blue book of the same shape get the same one.
    folders = [desktop.root / "colliding" / side for side in ("a", "b")]
    for folder in folders:
        folder.mkdir(parents=True)
    red = pack(books["flip_tool"], folders[0] / "source.flip", [RED] * 4, "Report")
    blue = pack(books["flip_tool"], folders[1] / "source.flip", [BLUE] * 4, "Report")
    same_id = metadata_of(red)["id"]
    red = rewrite(red, folders[0] / "report.flip")
    blue = rewrite(blue, folders[1] / "report.flip", lambda m: {**m, "id": same_id})

    app = launch(red)
    first = reader_window(app, "Report", RED)
    desktop.focus(first)
    desktop.key("ctrl+n")
    second = app.wait_new_window([first])
    wait_until("the second start page", lambda: desktop.title(second))
    app.open_with_panel(second, blue)
    app.wait_title(second, "Report")
    wait_pages(desktop, second, BLUE)
    wait_pages(desktop, first, RED)
    # Handing the first file over again reloads a reader of it; no window may take another's book.
    launch(red).proc.wait(15)
    third = app.wait_new_window([first, second], timeout=20)
    app.wait_title(third, "Report")
    wait_pages(desktop, third, RED)
    wait_pages(desktop, second, BLUE)


def test_closing_reader_restores_icon_and_ctrl_q_quits(desktop, launch, books):
    app = launch()
    first = app.start_window()
    assert (app_icon := desktop.icon(first)), "start window has no icon"
    app.open_with_panel(first, books["red"])
    app.wait_title(first, books["red_title"])
    wait_until("the flipbook's icon", lambda: desktop.icon(first) != app_icon)

    desktop.focus(first)
    desktop.key("ctrl+n")
    second = app.wait_new_window([first])
    desktop.focus(first)
    desktop.key("ctrl+w")
    wait_until("the reading window to close", lambda: first not in app.windows())
    assert desktop.icon(second) == app_icon, "application icon not restored"

    helpers = descendants(app.pid)
    assert app.quit() == 0
    wait_until(f"helper processes {helpers} to end", lambda: all((process_state(p) or "Z")[0] == "Z" for p in helpers))
