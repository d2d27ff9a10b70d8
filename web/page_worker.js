// The page's worker: converts the files the page sends it, one at a time, reports how far it has
// read, and indexes the output so that the page can list its recipes and show any one. For the
// preview of the records it then reads the same file into JSON Lines too: the recipe as a person
// reads it comes from that structured reading.
const recordDecoder = new TextDecoder();
let queue = Promise.resolve();

self.onmessage = (event) => {
  queue = queue.then(() => convertFile(event.data));
};

async function convertFile({ id, file, format, encoding, marker, title }) {
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    self.postMessage({ id, type: "progress", done: 0, total: bytes.length });
    const started = performance.now();
    const result = await convertMXP(bytes, {
      format,
      encoding,
      marker,
      title,
      onProgress: (done, total) => self.postMessage({ id, type: "progress", done, total }),
    });
    const seconds = (performance.now() - started) / 1000;
    // The cookbook is read by opening it: no preview.
    const index = result.error !== null || format === "html" ? null
      : format === "records" ? indexRecords(result.output) : indexJson(result.output);
    const transfer = [result.output.buffer];
    if (result.leftOutFile !== null) transfer.push(result.leftOutFile.buffer);
    if (index !== null) transfer.push(index.starts.buffer);
    if (index?.bodies) transfer.push(index.bodies.buffer);
    self.postMessage({ id, type: "done", result, index, seconds }, transfer);
    if (result.error === null && format === "records") await readRecipes(id, bytes, encoding, marker);
  } catch (error) {
    self.postMessage({ id, type: "failed", message: messageOf(error) });
  }
}

// The structured reading of the records' file, for the preview only: a failure here leaves the
// records as they are.
async function readRecipes(id, bytes, encoding, marker) {
  try {
    const structured = await convertMXP(bytes, { format: "json", encoding, marker });
    if (structured.error !== null) throw new Error(structured.error.message);
    const starts = lineStarts(structured.output);
    self.postMessage({ id, type: "recipes", recipes: { json: structured.output, starts } }, [structured.output.buffer, starts.buffer]);
  } catch (error) {
    self.postMessage({ id, type: "recipes", recipes: null, message: messageOf(error) });
  }
}

const messageOf = (error) => (error instanceof Error ? error.message : String(error));

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

// Where each JSON line starts; one more start marks the end of the last.
function lineStarts(output) {
  const starts = [0];
  for (let feed = output.indexOf(10); feed >= 0; feed = output.indexOf(10, feed + 1)) starts.push(feed + 1);
  if (starts[starts.length - 1] !== output.length) starts.push(output.length);
  return Float64Array.from(starts);
}

// The JSON Lines output: where each object starts, and its name.
function indexJson(output) {
  const starts = lineStarts(output);
  const titles = [];
  for (let i = 0; i + 1 < starts.length; ++i)
    titles.push(JSON.parse(recordDecoder.decode(output.subarray(starts[i], starts[i + 1]))).name);
  return { starts, titles };
}
