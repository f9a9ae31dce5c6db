import { test } from "node:test";
import assert from "node:assert/strict";
import { applyViewState, readViewState, viewReport } from "../../../reader/src/flipbook/viewState.js";

test("a state keeps the fields this page knows, drops the rest one by one, and reports within the host's cap", () => {
  const cases = [
    [{ view: "single", fit: "width", zoom: 1.5, direction: "rtl" }, { view: "single", fit: "width", zoom: 1.5, direction: "rtl" }],
    [{ view: "diagonal", fit: "width", zoom: 9, direction: "up" }, { fit: "width" }],
    [{ view: ["scroll"], fit: null, zoom: "2", direction: "RTL", colour: "red" }, {}],
    [{ zoom: Number.NaN }, {}],
    [{ zoom: 1.23456 }, { zoom: 1.235 }],
    [Object.create({ view: "scroll" }), { view: "scroll" }], // a book's getters live on its prototype
  ];
  for (const [raw, want] of cases) {
    assert.deepEqual(readViewState(raw), want, JSON.stringify(raw));
    const report = viewReport(raw);
    assert.equal(report, Object.keys(want).length ? `action.view ${JSON.stringify(want)}` : "");
  }
});

test("a state goes through the setters the book has, in order, skipping what already holds", () => {
  const all = ["setDirection", "setView", "setFit", "setZoom"];
  const cases = [
    [{ zoom: 2, fit: "width", view: "single", direction: "rtl" }, {}, all, ["direction=rtl", "fit=width", "view=single", "zoom=2"]],
    [{ view: "scroll", zoom: 1.5 }, { view: "spread", zoom: 1 }, ["setZoom"], ["zoom=1.5"]],
    [{ view: "single", zoom: 1 }, { view: "single", zoom: 1 }, all, []],
  ];
  for (const [state, current, setters, want] of cases) {
    const calls = [];
    const book = { ...current };
    for (const name of setters) book[name] = (value) => calls.push(`${name.slice(3).toLowerCase()}=${value}`);
    applyViewState(book, state);
    assert.deepEqual(calls, want, JSON.stringify(state));
  }
});
