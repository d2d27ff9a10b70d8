// The page's worker: converts the files the page sends it, one at a time, reports how far it has
// read, and indexes the records so that the page can list their titles and show any one.
const recordDecoder = new TextDecoder();
let queue = Promise.resolve();

self.onmessage = (event) => {
  queue = queue.then(() => convertFile(event.data));
};

async function convertFile({ id, file, format, encoding, title }) {
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    self.postMessage({ id, type: "progress", done: 0, total: bytes.length });
    const started = performance.now();
    const result = await convertMXP(bytes, {
      format,
      encoding,
      title,
      onProgress: (done, total) => self.postMessage({ id, type: "progress", done, total }),
    });
    const seconds = (performance.now() - started) / 1000;
    const index = result.error === null && format === "records" ? indexRecords(result.output) : null;
    const transfer = [result.output.buffer];
    if (result.leftOutFile !== null) transfer.push(result.leftOutFile.buffer);
    if (index !== null) transfer.push(index.starts.buffer, index.bodies.buffer);
    self.postMessage({ id, type: "done", result, index, seconds }, transfer);
  } catch (error) {
    self.postMessage({ id, type: "failed", message: error instanceof Error ? error.message : String(error) });
  }
}

// Where each record and its body start, and its title without the padding. A record is its
// 100-character title field, its body and a line feed; no line feed is inside the title field.
function indexRecords(output) {
  const starts = [];
  const bodies = [];
  const titles = [];
  for (let start = 0; start < output.length; ) {
    let end = output.indexOf(10, start);
    if (end < 0) end = output.length;
    let body = start;
    for (let characters = 0; characters < 100 && body < end; ++characters) {
      ++body;
      while (body < end && (output[body] & 0xc0) === 0x80) ++body;  // continuation bytes
    }
    starts.push(start);
    bodies.push(body);
    titles.push(recordDecoder.decode(output.subarray(start, body)).replace(/ +$/, ""));
    start = end + 1;
  }
  return { starts: Float64Array.from(starts), bodies: Float64Array.from(bodies), titles };
}
