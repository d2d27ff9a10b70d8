// A zip archive of every output, to download them at once: each file compressed by the browser's
// own deflate (CompressionStream), or stored as it is where that would not make it smaller.
"use strict";

const ZIP_CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

function zipCrc32(bytes) {
  let crc = 0xffffffff;
  for (let i = 0; i < bytes.length; ++i) crc = ZIP_CRC_TABLE[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// Raw deflate data (no zlib header), as a zip file's method 8 holds it.
async function zipDeflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream("deflate-raw"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// files: [{ name, bytes }] with distinct names. Resolves to a Blob, or rejects with a RangeError
// past what a zip file without its 64-bit extension holds (4 GiB, 65,535 files).
async function makeZip(files, date = new Date()) {
  const encoder = new TextEncoder();
  const time = (date.getHours() << 11) | (date.getMinutes() << 5) | (date.getSeconds() >> 1);
  const day = ((date.getFullYear() - 1980) << 9) | ((date.getMonth() + 1) << 5) | date.getDate();
  const header = (size, fields) => {
    const view = new DataView(new ArrayBuffer(size));
    fields.forEach(([at, value, bytes]) => (bytes === 4 ? view.setUint32(at, value, true) : view.setUint16(at, value, true)));
    return new Uint8Array(view.buffer);
  };
  const parts = [];
  const directory = [];
  let offset = 0;
  for (const { name, bytes } of files) {
    if (bytes.length > 0xffffffff) throw new RangeError("too large for one zip file");
    const nameBytes = encoder.encode(name);
    const crc = zipCrc32(bytes);
    const deflated = await zipDeflate(bytes);
    const [method, data] = deflated.length < bytes.length ? [8, deflated] : [0, bytes];
    // version 2.0, UTF-8 names (flag 0x0800), method, time, date, CRC, sizes, name length
    const common = [[8, method], [10, time], [12, day], [14, crc, 4], [18, data.length, 4], [22, bytes.length, 4], [26, nameBytes.length]];
    parts.push(header(30, [[0, 0x04034b50, 4], [4, 20], [6, 0x0800], ...common]), nameBytes, data);
    directory.push(
      header(46, [[0, 0x02014b50, 4], [4, 20], [6, 20], [8, 0x0800], ...common.map(([at, ...rest]) => [at + 2, ...rest]), [42, offset, 4]]),
      nameBytes);
    offset += 30 + nameBytes.length + data.length;
    if (offset > 0xffffffff) throw new RangeError("too large for one zip file");
  }
  const directorySize = directory.reduce((sum, part) => sum + part.length, 0);
  if (offset + directorySize > 0xffffffff || files.length > 0xffff) throw new RangeError("too large for one zip file");
  const end = header(22, [[0, 0x06054b50, 4], [8, files.length], [10, files.length], [12, directorySize, 4], [16, offset, 4]]);
  return new Blob([...parts, ...directory, end], { type: "application/zip" });
}
