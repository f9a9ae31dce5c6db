// Bundles the start page and the reader page into one directory:
//   node build.mjs <output dir>
import { build } from "esbuild";
import { cp, mkdir, readdir, rm, copyFile } from "node:fs/promises";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

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
await copyFile(join(pdfjs, "legacy", "build", "pdf.worker.min.mjs"), join(assets, "pdf.worker.mjs"));
await copyFile(join(pdfjs, "LICENSE"), join(assets, "LICENSE"));
for (const dir of ["cmaps", "standard_fonts"]) {
  await cp(join(pdfjs, dir), join(assets, dir), { recursive: true });
}
const count = (await readdir(join(assets, "cmaps"))).length;
console.log(`web content written to ${out} (${count} cmaps)`);
