import { test } from "node:test";
import assert from "node:assert/strict";
import { openPage, reader, useBrowser, waitForPages } from "./harness.mjs";

useBrowser();

const START = [
  ["de", "Flipbook öffnen …", "Wo bekomme ich Flipbooks?"],
  ["fr", "Ouvrir un flipbook…", "Où trouver des flipbooks\u00a0?"],
];

test("the start page shows the catalogue's texts and keeps working", async () => {
  for (const [lang, button, help] of START) {
    const { page, problems } = await openPage("main.html", { width: 450, height: 300 }, lang);
    const open = page.getByRole("button", { name: button });
    assert.equal(await page.getByRole("link", { name: help }).count(), 1, lang);
    assert.equal(await page.evaluate(() => document.documentElement.lang), lang);
    await open.click();
    assert.deepEqual(await page.evaluate(() => window.__sent.slice()), ["action.openfile"], lang);
    assert.notEqual(await page.locator("#open-status").textContent(), "", lang);
    assert.deepEqual(problems, [], lang);
    await page.close();
  }
});

test("the reader page in German: toolbar, pager, announcements and messages", async () => {
  const { page, problems } = await reader(4, null, undefined, "de");
  await waitForPages(page, null, 1);
  for (const name of ["Seitenübersicht", "Vergrößern", "Drucken", "Nächste Seite"]) {
    assert.equal(await page.getByRole("button", { name }).count(), 1, name);
  }
  await page.getByRole("button", { name: "Nächste Seite" }).click();
  await waitForPages(page, 2, 3);
  assert.equal(await page.locator("#announce").textContent(), "Seiten 2 und 3 von 4");
  await page.evaluate(() => window.onMessage({}));
  assert.equal(await page.locator("#message h2").textContent(), "Das Flipbook kann nicht angezeigt werden");
  assert.match(await page.locator("#message p").textContent(), /^Dieses Flipbook kann nicht angezeigt werden: /);
  assert.deepEqual(problems, []);
  await page.close();
});
