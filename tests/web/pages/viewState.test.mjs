import { test } from "node:test";
import assert from "node:assert/strict";
import { book, configFor, openPage, sent, shot, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();

const KNOWN = ["view", "fit", "zoom", "direction"];
const reports = async (page) => (await sent(page)).filter((m) => m.startsWith("action.view ")).map((m) => JSON.parse(m.slice(12)));
/** Waits until the page's latest report names `zoom`. */
const zoomTold = (page, zoom) => page.waitForFunction((z) => {
  const last = window.__sent.filter((m) => m.startsWith("action.view ")).at(-1);
  return last !== undefined && JSON.parse(last.slice(12)).zoom === z;
}, zoom);

test("the book opens as the host kept it and the page tells each change of view once", async () => {
  const { page, problems } = await openPage("flipbook.html");
  // Given before the book has opened, with a value this page does not know.
  await page.evaluate((c) => { window.onMessage(c); window.onResume(5, { zoom: 1.5, view: "sideways", colour: "red" }); },
    configFor(await book(12)));
  await waitForPages(page, 4, 5);
  await zoomTold(page, 1.5);
  await shot(page, "view-state-resumed");
  assert.ok(await page.evaluate(() => document.getElementById("stage").classList.contains("zoomed")));
  assert.equal(await page.textContent("#zoom-level"), "150%", "the toolbar shows the zoom it came back with");
  assert.ok((await sent(page)).includes("action.position 4"));
  for (const report of await reports(page)) {
    assert.deepEqual(Object.keys(report).filter((k) => !KNOWN.includes(k)), [], "only fields the host accepts");
    assert.notEqual(report.view, "sideways");
  }

  // Back to fit: one report, however long the page then rests.
  await page.keyboard.press("0");
  await zoomTold(page, 1);
  assert.equal(await page.textContent("#zoom-level"), "100%");
  await page.waitForTimeout(800);
  assert.deepEqual((await reports(page)).map((r) => r.zoom), [1.5, 1]);

  // Given after the book has opened: the page and the zoom follow at once.
  await page.evaluate(() => window.onResume(9, { zoom: 2 }));
  await waitForPages(page, 8, 9);
  await zoomTold(page, 2);
  assert.ok((await sent(page)).includes("action.position 8"));
  assert.deepEqual(problems, []);
  await page.close();
});
