// The JavaScript module in Node: the same bytes as the native mxpconvert, sound results for bad
// input, and a 100 MB archive in bounded memory.
import assert from "node:assert/strict";
import { readFileSync, readdirSync } from "node:fs";
import { basename, join } from "node:path";
import { test } from "node:test";

import { lineFeeds, nativeConvert, root, sampleArchive, scratchDir, webBuild, writeSample } from "./support.mjs";

const { convertMXP } = await import(join(webBuild, "mirtabel.mjs"));

const inputs = [
  ...["examples", "tests/data", "fuzz/corpus"].flatMap((dir) =>
    readdirSync(join(root, dir)).filter((name) => name.endsWith(".mxp")).map((name) => join(root, dir, name))),
];

test("every test input and fuzz seed converts to the native converter's bytes", async (t) => {
  const scratch = scratchDir(t);
  assert.ok(inputs.length >= 20);
  for (const format of ["records", "json", "html"]) {
    for (const input of inputs) {
      const native = nativeConvert(input, scratch, format);
      const result = await convertMXP(readFileSync(input), { format, title: basename(input, ".mxp") });
      const where = `${input} as ${format}`;
      assert.equal(result.error, null, where);
      assert.ok(Buffer.from(result.output).equals(native.output), where);
      const articles = native.output.toString().split("<article ").length - 1;
      assert.equal(result.records, format === "html" ? articles : lineFeeds(native.output), where);
      assert.equal(result.leftOut.length, native.leftOut, where);
      assert.deepEqual(result.warnings.map(warningWords), native.warnings.map(nativeWarningWords), where);
    }
  }
});

// A warning's kind and, for input that does not look like MXP, the reason in mxpconvert's words.
const warningWords = ({ code, message }) => (code === "not-mxp" ? `${code}: ${message.replace(/^.*?: |\.$/g, "")}` : code);
const nativeWarningWords = (line) => {
  const doubt = / does not look like an MXP recipe export: (.*)$/.exec(line);
  if (doubt) return `not-mxp: ${doubt[1]}`;
  const codes = [[/ left out: /, "left-out"], [/ written cut$/, "cut"], [/ has a first line /, "marker"],
                 [/ has no line that opens /, "marker"], [/ an empty title: /, "empty-titles"],
                 [/ its marker line but for spacing/, "joined"], [/ longer than a record's /, "too-long"]];
  return codes.find(([pattern]) => pattern.test(line))?.[1] ?? line;
};

test("the left-out side file holds those recipes as they stood", async () => {
  const input = Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), sampleArchive(1).block]);
  const result = await convertMXP(input);
  assert.deepEqual(result.leftOut, ["Recipe 7 \u00e0 la cr\u00e8me"]);
  const side = Buffer.from(result.leftOutFile);
  const marker = Buffer.from("\ufeff*  Recipe export  *\n");
  const recipe = input.subarray(input.indexOf("\n\n   Recipe 7 ") + 1, input.indexOf("*  Recipe export  *\n\n   Recipe 8"));
  assert.ok(side.equals(Buffer.concat([marker, recipe])));
  const again = await convertMXP(side);
  assert.deepEqual([again.records, again.leftOut], [0, result.leftOut]);
});

const utf16 = (text) => Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, "utf16le")]);
const oneRecipe = (body) => Buffer.concat([Buffer.from("*  M  *\n\n T\n--------\n"), body, Buffer.from("\n")]);
const record = (body) => `T${" ".repeat(99)}[PAGE]${body}\n`;
let seed = 7;
const binary = Buffer.from(Array.from({ length: 70000 }, () => ((seed = (seed * 1103515245 + 12345) >>> 0) >>> 16) & 0xff));

test("bad input and options give a result, never an exception", async () => {
  const cases = [
    // [name, bytes, options, expected records or error code, expected output text]
    ["empty", new Uint8Array(0), {}, 0, ""],
    ["binary", binary, {}, null, null],
    ["UTF-16 cut inside a character", utf16("*  M  *\n\n T\n--------\nab").subarray(0, -1), {}, 1, record("a")],
    ["UTF-16 with a lone surrogate", Buffer.concat([utf16("*  M  *\n\n T\n--------\n"), Buffer.from([0x00, 0xd8])]), {}, 1, record("\ufffd")],
    ["an ArrayBuffer", new Uint8Array(oneRecipe(Buffer.from("b"))).buffer, undefined, 1, record("b")],
    ["cp437 where there is no byte-order mark", oneRecipe(Buffer.from([0x82])), { encoding: "cp437" }, 1, record("\u00e9")],
    ["UTF-8 falls back to Windows-1252", oneRecipe(Buffer.from([0x82])), { encoding: "UTF8" }, 1, record("\u201a")],
    ["binary as json", binary, { format: "json" }, null, null],
    ["an unknown format", binary, { format: "pdf" }, "unknown-format"],
    ["an unknown encoding", binary, { encoding: "ebcdic" }, "unknown-encoding"],
    ["an encoding name cut by a NUL", binary, { encoding: "utf-8\0x" }, "unknown-encoding"],
    ["options that are not an object", binary, "utf-8", "bad-options"],
    ["a progress callback that is not a function", binary, { onProgress: 1 }, "bad-options"],
    ["a cookbook title that is not a string", binary, { format: "html", title: 1 }, "bad-options"],
  ];
  for (const [name, bytes, options, expected, text] of cases) {
    const result = await convertMXP(bytes, options);
    const decoded = new TextDecoder("utf-8", { fatal: true }).decode(result.output);
    if (typeof expected === "string") {
      assert.equal(result.error?.code, expected, name);
      assert.deepEqual([result.records, result.output.length], [0, 0], name);
      continue;
    }
    assert.equal(result.error, null, name);
    assert.equal(result.records, lineFeeds(result.output), name);
    if (expected !== null) assert.deepEqual([result.records, decoded], [expected, text], name);
  }
  for (const notBytes of [undefined, null, "text", 42, [1, 2, 3], { length: 3 }])
    await assert.rejects(convertMXP(notBytes), TypeError);
});

test("a progress callback that throws stops the conversion with its own exception", async () => {
  const { archive } = sampleArchive(3 << 20);
  const seen = [];
  const stop = new Error("stop");
  await assert.rejects(convertMXP(archive, { onProgress: (done, total) => { seen.push([done, total]); if (seen.length === 2) throw stop; } }), stop);
  // About every MiB, whatever the engine's read buffer.
  assert.deepEqual(seen.map(([, total]) => total), [archive.length, archive.length]);
  assert.ok(seen[0][0] >= 1 << 20 && seen[1][0] - seen[0][0] >= 1 << 20 && seen[1][0] < 2.1 * (1 << 20), `${seen}`);
  assert.equal((await convertMXP(oneRecipe(Buffer.from("b")))).records, 1);
  // The cookbook reads the input twice: the count goes on over both readings, to twice its size.
  const twice = [];
  await convertMXP(archive, { format: "html", onProgress: (done, total) => twice.push([done, total]) });
  assert.deepEqual(twice.at(-1), [2 * archive.length, 2 * archive.length]);
  assert.ok(twice.every(([done], i) => i === 0 || done > twice[i - 1][0]), `${twice}`);
});

test("a 100 MB archive converts in bounded memory", async (t) => {
  const { archive, block, repeats } = sampleArchive(100e6);
  const native = nativeConvert(writeSample(scratchDir(t), "block.mxp", block), scratchDir(t));
  globalThis.gc?.();
  const before = process.memoryUsage();
  const started = performance.now();
  const result = await convertMXP(archive);
  const seconds = (performance.now() - started) / 1000;
  const after = process.memoryUsage();
  const peak = process.resourceUsage().maxRSS * 1024;

  assert.equal(result.records, lineFeeds(native.output) * repeats);
  assert.equal(result.leftOut.length, native.leftOut * repeats);
  assert.equal(result.output.length, native.output.length * repeats);
  for (let i = 0; i < repeats; ++i) {
    const at = i * native.output.length;
    assert.ok(native.output.equals(result.output.subarray(at, at + native.output.length)), `block ${i}`);
  }
  // Beyond the input, which the caller holds anyway: the output and the side file, and a
  // few MiB for the engine, whose WebAssembly memory has a fixed size.
  const kept = result.output.buffer.byteLength + result.leftOutFile.length;
  const grown = after.arrayBuffers - before.arrayBuffers;
  const mib = (bytes) => (bytes / 2 ** 20).toFixed(1);
  t.diagnostic(`100 MB in Node: ${mib(archive.length)} MiB in ${seconds.toFixed(2)} s (${(archive.length / 1e6 / seconds).toFixed(0)} MB/s); ` +
    `output ${mib(result.output.length)} MiB, side file ${mib(result.leftOutFile.length)} MiB; ` +
    `array buffers grew ${mib(grown)} MiB; peak RSS ${mib(peak)} MiB`);
  assert.ok(grown <= kept + 8 * 2 ** 20, `array buffers grew ${mib(grown)} MiB, more than the ${mib(kept)} MiB kept`);
  assert.ok(peak <= archive.length + kept * 2 + 256 * 2 ** 20, `peak RSS ${mib(peak)} MiB`);
});
