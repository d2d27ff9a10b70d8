// Debian's headless Chromium, driven through its DevTools protocol over a pipe (no port, no
// browser download), with a new empty profile and none of its background connections.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

export async function launchChromium() {
  const profile = mkdtempSync(join(tmpdir(), "mirtabel-chromium-"));
  const flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    `--user-data-dir=${profile}`, "--remote-debugging-pipe", "about:blank"];
  // Its own process group, so that closing ends Chromium's helpers along with it.
  const child = spawn(process.env.MIRTABEL_CHROMIUM ?? "/usr/bin/chromium", flags,
    { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"], detached: true });
  let log = "";
  child.stderr.on("data", (data) => (log = (log + data).slice(-4000)));
  const exited = new Promise((resolve) => child.on("exit", resolve));
  const browser = new Connection(child.stdio[3], child.stdio[4], () => log);
  browser.close = async () => {
    await Promise.race([browser.send("Browser.close").catch(() => {}), exited]);
    await Promise.race([exited, new Promise((resolve) => setTimeout(resolve, 5000))]);
    try {
      process.kill(-child.pid);
    } catch {}
    rmSync(profile, { recursive: true, force: true });
  };
  await browser.send("Browser.getVersion");
  return browser;
}

// Messages are JSON texts, each ended by a NUL byte. Commands for a page or a worker carry the
// session id of that target.
class Connection {
  constructor(input, output, log) {
    this.input = input;
    this.pending = new Map();
    this.listeners = [];
    this.lastId = 0;
    this.log = log;
    let buffered = "";
    output.setEncoding("utf8");
    output.on("data", (data) => {
      const parts = (buffered + data).split("\0");
      buffered = parts.pop();
      for (const part of parts) this.receive(JSON.parse(part));
    });
    output.on("close", () => {
      for (const { reject } of this.pending.values()) reject(new Error(`Chromium closed the pipe:\n${log()}`));
    });
  }

  receive(message) {
    if (message.id === undefined) {
      for (const listener of this.listeners) listener(message.method, message.params, message.sessionId);
      return;
    }
    const call = this.pending.get(message.id);
    this.pending.delete(message.id);
    if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
    else call.resolve(message.result);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = ++this.lastId;
    this.input.write(JSON.stringify({ id, method, params, sessionId }) + "\0");
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject, method }));
  }

  // Calls listener(method, params, sessionId) for every event.
  on(listener) {
    this.listeners.push(listener);
  }

  // A target's session: send() and evaluate() on it.
  session(sessionId) {
    const send = (method, params) => this.send(method, params, sessionId);
    const evaluate = async (expression) => {
      const { result, exceptionDetails } = await send("Runtime.evaluate",
        { expression, awaitPromise: true, returnByValue: true, userGesture: true });
      if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
      return result.value;
    };
    const waitFor = async (expression, seconds = 30) => {
      for (const end = Date.now() + seconds * 1000; Date.now() < end; await new Promise((r) => setTimeout(r, 100))) {
        const value = await evaluate(expression);
        if (value) return value;
      }
      throw new Error(`still false after ${seconds} s: ${expression}`);
    };
    return { sessionId, send, evaluate, waitFor };
  }
}
