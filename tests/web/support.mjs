// What the web tests share: where the builds are, the native converter they are held against,
// and a generated archive of any size.
import { spawnSync } from "node:child_process";
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";

export const root = resolve(dirname(fileURLToPath(import.meta.url)), "../..");
export const webBuild = process.env.MIRTABEL_WEB_BUILD ?? join(root, "build/web");

export function scratchDir(t) {
  const dir = mkdtempSync(join(tmpdir(), "mirtabel-web-"));
  t.after(() => rmSync(dir, { recursive: true, force: true }));
  return dir;
}

const converter =
  process.env.MIRTABEL_NATIVE_CONVERTER ??
  ["build/dev/mxpconvert", "build/release/mxpconvert"].map((p) => join(root, p)).find(existsSync);

// The native mxpconvert on one file, in "records" or "json": its output bytes, how many recipes
// it left out, and its warnings. It reads the input as the module does by default: as UTF-8
// (bytes that are not UTF-8 as Windows-1252), and binary files too.
export function nativeConvert(input, scratch, format = "records") {
  const output = join(scratch, "native.out");
  const args = ["-v", "-f", "utf-8", "--force", `--format=${format}`, input, "-o", output];
  const run = spawnSync(converter, args, { encoding: "utf8" });
  if (run.status !== 0) throw new Error(`${converter} failed on ${input}: ${run.stderr}`);
  return {
    output: readFileSync(output),
    leftOut: run.stderr.split("\n").filter((line) => line.startsWith("  left out: ")).length,
    warnings: run.stderr.split("\n").filter((line) => line.startsWith("mxpconvert: warning: ")),
  };
}

export const lineFeeds = (bytes) => bytes.reduce((n, byte) => n + (byte === 10), 0);

// A column-layout archive: one block of recipes of every size, one of them too long to convert,
// repeated until it holds at least `size` bytes. The block's records, repeated, are the output.
export function sampleArchive(size) {
  let block = "";
  for (let i = 0; i < 60; ++i) {
    block += `*  Recipe export  *\n\n   Recipe ${i} \u00e0 la cr\u00e8me\n`;
    block += "Serving Size  : 4\n\n  Amount  Measure       Ingredient\n--------  ------------  ----------\n";
    const lines = i === 7 ? 200 : (i % 25) + 1;
    for (let j = 0; j < lines; ++j) block += `   ${j}      cups          step ${j} of recipe ${i}, stirred well ${"x".repeat(i === 7 ? 50 : j)}\n`;
  }
  const bytes = Buffer.from(block, "utf8");
  const repeats = Math.ceil(size / bytes.length);
  const archive = Buffer.alloc(bytes.length * repeats);
  for (let i = 0; i < repeats; ++i) bytes.copy(archive, i * bytes.length);
  return { archive, block: bytes, repeats };
}

export function writeSample(dir, name, bytes) {
  const path = join(dir, name);
  writeFileSync(path, bytes);
  return path;
}
