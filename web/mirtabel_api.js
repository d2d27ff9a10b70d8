// convertMXP: the conversion of an MXP file held in memory, run by the WebAssembly build of the
// C++ engine. This text follows the engine's JavaScript glue (createMirtabelWasm) and its binary
// (MIRTABEL_WASM_BASE64) in both the module mirtabel.mjs and the page's worker.
//
//   const result = await convertMXP(bytes, { format: "records", encoding: "utf-8" });
//
// bytes    a Uint8Array (or another typed array, a DataView or an ArrayBuffer) holding the file.
//          Anything else is a TypeError, the only exception convertMXP throws of its own.
// options  format      "records" (the default): the bytes ConvertMXP writes; "json": JSON
//                      Lines, one schema.org Recipe object per recipe, as mxpconvert --format
//                      json writes them, no recipe left out; or "html": the cookbook mxpconvert
//                      --format html writes, every recipe in it.
//          title       with "html": the cookbook's title, a string of at most 200 characters
//                      (default: "Cookbook").
//          marker      the line that starts each recipe: "" (the default) the input's first
//                      line, as the format has it; "auto" the line that opens the recipes as MXP
//                      does (for a file with a preface, or exports joined into one); or the
//                      text such a line ends with, at most 500 characters (mxpconvert --marker).
//          encoding    how bytes are read where the input has no byte-order mark: "utf-8" (the
//                      default; bytes that are not UTF-8 are read as Windows-1252),
//                      "windows-1252", "latin-1", "cp437", "cp850", "mac-roman" or an alias.
//          onProgress  called as onProgress(bytesRead, totalBytes) as the input is read, about
//                      every MiB. "html" reads the input twice: totalBytes is then twice its size. If it throws, the conversion stops and convertMXP rethrows it.
// result   records      the number of records written
//          output       Uint8Array, the converted bytes
//          leftOut      the titles of the recipes left out for their length, in input order
//          leftOutAt    for each of those, how many records come before it in the output
//          leftOutFile  Uint8Array, an MXP text of those recipes as they stood in the input (its
//                       first line, then each recipe), or null when none was left out
//          cutRecipes   with "json" or "html": the recipes too large to keep whole (more than 1 MiB of
//                       text or 16,384 fields), written with what fit; 0 otherwise
//          marker       the marker line used (at most 127 bytes of it)
//          warnings     [{ code, message }], the warnings mxpconvert gives, in plain words:
//                       "not-mxp" when the input does not look like MXP text (empty, say, or
//                       binary; its records are written all the same), "marker" when its first
//                       line does not seem to mark its recipes, "empty-titles" when most came
//                       out untitled, "joined" for exports joined into one (these three suggest
//                       the marker "auto"), "left-out" and "cut" for the recipes above, and
//                       with "json" or "html" "too-long" for recipes past a record's length
//          error        null, or { code, message } when nothing was converted; records is then
//                       0, output empty, warnings empty. Codes: "unknown-format", "unknown-encoding",
//                       "bad-options", "out-of-memory", "too-many-records".

const MIRTABEL_FAILURES = {
  "-1": ["unknown-format", "the format is not one of: records, json, html"],
  "-3": ["unknown-encoding", "the encoding is not one of: utf-8, windows-1252, latin-1, cp437, cp850, mac-roman"],
  "-4": ["out-of-memory", "there was not enough memory to hold the output"],
  "-6": ["too-many-records", "the input holds more records than a conversion can count"],
};
const MIRTABEL_PROGRESS_STEP = 1 << 20;

let mirtabelInstance = null;

function mirtabelWasm() {
  if (mirtabelInstance === null) {
    const binary = Uint8Array.from(atob(MIRTABEL_WASM_BASE64), (c) => c.charCodeAt(0));
    mirtabelInstance = createMirtabelWasm({ wasmBinary: binary });
  }
  return mirtabelInstance;
}

function mirtabelBytes(bytes) {
  if (bytes instanceof Uint8Array) return bytes;
  if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes instanceof ArrayBuffer) return new Uint8Array(bytes);
  if (typeof SharedArrayBuffer !== "undefined" && bytes instanceof SharedArrayBuffer) return new Uint8Array(bytes);
  throw new TypeError("convertMXP: bytes must be a Uint8Array, another typed array, a DataView or an ArrayBuffer");
}

function mirtabelFailure(code, message) {
  return { records: 0, output: new Uint8Array(0), leftOut: [], leftOutAt: [], leftOutFile: null, cutRecipes: 0,
    warnings: [], error: { code, message } };
}

// A name as the engine takes it: short, without a NUL that would end it early.
function mirtabelName(value) {
  return typeof value === "string" && /^[\w.-]{1,40}$/.test(value) ? value : null;
}

// One conversion's state on the JavaScript side: the input it is read from, the output it grows,
// and the recipes left out.
class MirtabelConversion {
  constructor(input, onProgress, readings) {
    this.input = input;
    this.position = 0;
    this.readings = readings;  // how often the input is read
    this.before = 0;  // bytes of the readings before this one
    this.reported = 0;
    this.onProgress = onProgress;
    this.thrown = null;
    this.buffer = new Uint8Array(0);
    this.size = 0;
    this.titles = [];
    this.recordsBefore = [];
    this.segments = [];
    this.cutRecipes = 0;
    this.tooLong = 0;  // with "json" or "html": recipes past the records' 9,500 characters
    this.heard = [];  // the engine's warnings about the input: { kind, text }
    this.marker = "";
    this.decoder = new TextDecoder();
  }

  read(target) {
    const total = this.input.length;
    const size = Math.min(target.length, total - this.position);
    const done = this.before + this.position;
    const due = size === 0 ? this.reported !== done : done - this.reported >= MIRTABEL_PROGRESS_STEP;
    if (this.onProgress && due) {
      this.reported = done;
      try {
        this.onProgress(done, this.readings * total);
      } catch (error) {
        this.thrown = { error };
        return -1;
      }
    }
    target.set(this.input.subarray(this.position, this.position + size));
    this.position += size;
    return size;
  }

  rewind() {
    this.before += this.position;
    this.position = 0;
  }

  write(bytes) {
    if (this.size + bytes.length > this.buffer.length) {
      try {
        this.grow(this.size + bytes.length);
      } catch (error) {
        return -1;
      }
    }
    this.buffer.set(bytes, this.size);
    this.size += bytes.length;
    return 0;
  }

  // The output is usually about the input's size: room for that at first, then half as much
  // again whenever it is full.
  grow(needed) {
    const first = this.buffer.length === 0 ? this.input.length + 65536 : 0;
    const grown = new Uint8Array(Math.max(needed, first, Math.floor(this.buffer.length * 1.5)));
    grown.set(this.buffer.subarray(0, this.size));
    this.buffer = grown;
  }

  leftOut(title, firstLineEnd, begin, end, recordsBefore) {
    this.titles.push(this.decoder.decode(title));
    this.recordsBefore.push(recordsBefore);
    if (this.segments.length === 0) this.segments.push([0, firstLineEnd]);
    this.segments.push([begin, end]);
  }

  output() {
    // A view when most of the buffer is used; a copy rather than keep a mostly empty buffer.
    const used = this.buffer.subarray(0, this.size);
    return this.size * 2 >= this.buffer.length ? used : used.slice();
  }

  warnings() {
    const warnings = [];
    const count = (n) => `${n.toLocaleString("en")} recipe${n === 1 ? "" : "s"}`;
    const codes = { 1: "not-mxp", 2: "marker", 3: "empty-titles", 4: "joined" };
    for (const { kind, text } of this.heard)
      warnings.push({ code: codes[kind] ?? "input", message: `The file ${text}.` });
    if (this.tooLong > 0)
      warnings.push({ code: "too-long", message: `${count(this.tooLong)} longer than a record's 9,500 characters, kept whole here; so long a recipe may be several read as one.` });
    if (this.titles.length > 0) {
      const one = this.titles.length === 1;
      warnings.push({ code: "left-out", message: `${count(this.titles.length)} left out: ${one ? "its text is" : "their texts are"} longer than 9,500 characters.` });
    }
    if (this.cutRecipes > 0)
      warnings.push({ code: "cut", message: `${count(this.cutRecipes)} too large to keep whole (more than 1 MiB of text or 16,384 fields), written cut.` });
    return warnings;
  }

  leftOutFile() {
    if (this.segments.length === 0) return null;
    const file = new Uint8Array(this.segments.reduce((sum, [begin, end]) => sum + end - begin, 0));
    let at = 0;
    for (const [begin, end] of this.segments) {
      file.set(this.input.subarray(begin, end), at);
      at += end - begin;
    }
    return file;
  }
}

async function convertMXP(bytes, options) {
  const input = mirtabelBytes(bytes);
  if (options === undefined || options === null) options = {};
  if (typeof options !== "object") return mirtabelFailure("bad-options", "options must be an object");
  const { format = "records", encoding = "utf-8", title = "", marker = "", onProgress } = options;
  if (onProgress !== undefined && typeof onProgress !== "function")
    return mirtabelFailure("bad-options", "onProgress must be a function");
  if (typeof title !== "string" || title.length > 200 || title.includes("\0"))
    return mirtabelFailure("bad-options", "title must be a string of at most 200 characters, without NUL");
  if (typeof marker !== "string" || marker.length > 500 || marker.includes("\0"))
    return mirtabelFailure("bad-options", "marker must be a string of at most 500 characters, without NUL");
  const formatName = mirtabelName(format);
  if (formatName === null) return mirtabelFailure(...MIRTABEL_FAILURES["-1"]);
  const encodingName = mirtabelName(encoding);
  if (encodingName === null) return mirtabelFailure(...MIRTABEL_FAILURES["-3"]);

  const wasm = await mirtabelWasm();
  const conversion = new MirtabelConversion(input, onProgress, formatName === "html" ? 2 : 1);
  wasm.mirtabelConversion = conversion;
  let status;
  try {
    status = wasm.ccall("mirtabel_wasm_convert", "number", ["string", "string", "string", "string"],
                        [formatName, encodingName, title, marker]);
  } finally {
    wasm.mirtabelConversion = null;
  }
  if (conversion.thrown !== null) throw conversion.thrown.error;
  if (status < 0) return mirtabelFailure(...MIRTABEL_FAILURES[status]);
  return {
    records: status,
    output: conversion.output(),
    leftOut: conversion.titles,
    leftOutAt: conversion.recordsBefore,
    leftOutFile: conversion.leftOutFile(),
    cutRecipes: conversion.cutRecipes,
    marker: conversion.marker,
    warnings: conversion.warnings(),
    error: null,
  };
}
