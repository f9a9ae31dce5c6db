"""A German session gets the reader in German: the invalid-file alert and its button."""
GERMAN_INVALID = "Die gewählte Flipbook-Datei hat ein ungültiges Format und kann nicht geöffnet werden."


def test_a_german_session_gets_the_alert_in_german(desktop, launch, books):
    desktop.env["LANGUAGE"] = "de"
    try:
        app = launch()
    finally:
        del desktop.env["LANGUAGE"]
    wid = app.start_window()
    app.open_with_panel(wid, next(iter(books["broken"].values())))
    alert = app.wait_alert(GERMAN_INVALID)
    assert [b.split(" ")[0] for b in alert["buttons"]] == ["Schließen"], alert
    desktop.screenshot(None, "invalid-file-alert-german")
