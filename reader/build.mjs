// Bundles the start page and the reader page into one directory:
//   node build.mjs <output dir>
import { build } from "esbuild";
import { cp, mkdir, readdir, readFile, rm, copyFile } from "node:fs/promises";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

// pdf.js finds page n of a flat page tree by reading the dictionaries of the
// pages before it. Read by ranges, each is a request of its own: checking the
// last page on opening cost one per page (1024 for a 1024-page book) before
// page 1 could show, and looking up any page fetched all of them at once.
// A PDF read by ranges skips the check (one loaded whole keeps it), and a
// lookup fetches ahead only the pages up to the one it looks for.
const WORKER_CHANGES = [
  ["      await this.getPage(numPages - 1);\n", "      if (this.stream.isDataLoaded) await this.getPage(numPages - 1);\n"],
  [
    "        if (currentNode === this.toplevelPagesDict && lastKid instanceof Ref && !pageDictCache.has(lastKid)) {\n",
    "        if (currentNode === this.toplevelPagesDict && last <= pageIndex && lastKid instanceof Ref && !pageDictCache.has(lastKid)) {\n",
  ],
];

const patchWorker = {
  name: "patch-pdf-worker",
  setup(build) {
    build.onLoad({ filter: /pdf\.worker\.mjs$/ }, async ({ path }) => {
      let source = await readFile(path, "utf8");
      // Each change must apply exactly once: a pdf.js update that moves the
      // code fails the build instead of silently bringing the cost back.
      for (const [was, now] of WORKER_CHANGES) {
        const at = source.indexOf(was);
        if (at < 0 || source.indexOf(was, at + 1) >= 0) throw new Error(`pdf.worker.mjs: no single place for: ${was}`);
        source = source.replace(was, now);
      }
      return { contents: source, loader: "js" };
    });
  },
};

const here = dirname(fileURLToPath(import.meta.url));
const out = process.argv[2];
if (!out) {
  console.error("usage: node build.mjs <output dir>");
  process.exit(2);
}
const src = join(here, "src");
const pdfjs = join(here, "node_modules", "pdfjs-dist");

await mkdir(out, { recursive: true });
await build({
  entryPoints: { main: join(src, "start", "index.js"), flipbook: join(src, "flipbook", "index.js") },
  outdir: out,
  bundle: true,
  // Classic scripts: module scripts from file:// are subject to CORS checks.
  format: "iife",
  target: ["chrome110", "safari16"],
  minify: true,
  legalComments: "eof",
  logLevel: "warning",
  logOverride: { "empty-import-meta": "silent" },
});

for (const file of ["main.html", "main.css", "flipbook.html", "flipbook.css"]) {
  await copyFile(join(src, file), join(out, file));
}

const assets = join(out, "pdfjs");
await rm(assets, { recursive: true, force: true });
await mkdir(assets, { recursive: true });
await build({
  entryPoints: { "pdf.worker": join(src, "worker", "index.js") },
  outdir: assets,
  outExtension: { ".js": ".mjs" },
  bundle: true,
  format: "esm",
  target: ["chrome110", "safari16"],
  minify: true,
  legalComments: "eof",
  logLevel: "warning",
  plugins: [patchWorker],
});
await copyFile(join(pdfjs, "LICENSE"), join(assets, "LICENSE"));
for (const dir of ["cmaps", "standard_fonts"]) {
  await cp(join(pdfjs, dir), join(assets, dir), { recursive: true });
}
const count = (await readdir(join(assets, "cmaps"))).length;
console.log(`web content written to ${out} (${count} cmaps)`);
