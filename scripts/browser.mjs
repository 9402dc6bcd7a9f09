// Headless Chromium driven through the DevTools protocol over
// --remote-debugging-pipe, and a static file server on 127.0.0.1, with Node's
// built-ins only. Used by the page's tests, bench/web-cpu and scripts/run --web.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { basename, join, normalize, extname } from 'node:path';

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                 '.png': 'image/png', '.txt': 'text/plain', '.json': 'application/json' };

// Serves the files under `root` (and nothing above it) on a free port of
// 127.0.0.1, with `headers` (by default: not to be cached) besides the type and
// length, the type by the file's extension or as `types` names it for a file
// name (read at each request); `intercept(request, response)` may answer a
// request first (and then returns true), as a failing or redirecting host
// would. Resolves to { origin, close() }.
export function serveFiles(root, { headers = { 'cache-control': 'no-store' }, types = {}, intercept = null } = {}) {
  const server = createServer((request, response) => {
    if (intercept && intercept(request, response)) return;
    // The URL's own parsing resolves dot segments; normalize keeps the decoded
    // path below the root. A malformed escape is answered like a missing file.
    let size = -1, file = '';
    try {
      const path = normalize(decodeURIComponent(new URL(request.url, 'http://host').pathname));
      file = join(root, path.endsWith('/') ? path + 'index.html' : path);
      const stat = statSync(file);
      if (stat.isFile()) size = stat.size;
    } catch {
      // no such file, or no file name at all
    }
    if (size < 0) {
      response.writeHead(404).end();
      return;
    }
    const type = types[basename(file)] || kTypes[extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'content-type': type, 'content-length': size, ...headers });
    createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      origin: `http://127.0.0.1:${server.address().port}`,
      // Open connections too, so that a browser's next request finds no server.
      close: () => new Promise((done) => { server.close(done); server.closeAllConnections(); }),
    }));
  });
}

// The flags every run needs: no sandbox (it refuses root), no GPU, and nothing
// that reaches out to the network or writes outside a fresh profile.
function chromiumArguments(profile, extra) {
  return ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
          '--disable-component-update', '--disable-sync', '--no-first-run', '--no-default-browser-check',
          `--user-data-dir=${profile}`, '--remote-debugging-pipe', ...extra, 'about:blank'];
}

// Starts Chromium. Resolves to a browser with openPage(url, options), close()
// and pid. `extra` are more command-line flags.
export async function launchBrowser(extra = []) {
  const profile = mkdtempSync(join(tmpdir(), 'brisel-chromium-'));
  const child = spawn(process.env.CHROMIUM || 'chromium', chromiumArguments(profile, extra),
                      { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  let log = '';
  child.stderr.on('data', (chunk) => { log = (log + chunk).slice(-4000); });
  const pending = new Map();
  const listeners = new Set();
  let nextId = 1;
  let buffered = '';
  child.stdio[4].on('data', (chunk) => {
    buffered += chunk.toString('utf8');
    let end;
    while ((end = buffered.indexOf('\0')) >= 0) {
      const message = JSON.parse(buffered.slice(0, end));
      buffered = buffered.slice(end + 1);
      if (message.id !== undefined && pending.has(message.id)) {
        const { resolve, reject } = pending.get(message.id);
        pending.delete(message.id);
        if (message.error) reject(new Error(`${message.error.message} (${message.error.code})`));
        else resolve(message.result);
      } else {
        for (const listener of listeners) listener(message);
      }
    }
  });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  exited.then(() => {
    for (const { reject } of pending.values()) reject(new Error(`chromium ended:\n${log}`));
    pending.clear();
  });

  function send(method, params = {}, sessionId = undefined) {
    const id = nextId++;
    const message = sessionId ? { id, method, params, sessionId } : { id, method, params };
    child.stdio[3].write(JSON.stringify(message) + '\0');
    return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
  }

  // A new tab of width x height CSS pixels at `scale` device pixels each, on
  // `url`; `before(call)` may set the tab up first (e.g. emulated media).
  // Resolves once its document has loaded.
  async function openPage(url, { width = 800, height = 600, scale = 1, before = null } = {}) {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const call = (method, params) => send(method, params, sessionId);
    const errors = [];
    const onEvent = (message) => {
      if (message.sessionId !== sessionId) return;
      if (message.method === 'Runtime.exceptionThrown') errors.push(message.params.exceptionDetails.text +
        ' ' + (message.params.exceptionDetails.exception?.description ?? ''));
      if (message.method === 'Runtime.consoleAPICalled' && message.params.type === 'error') {
        errors.push(message.params.args.map((a) => a.value ?? a.description).join(' '));
      }
    };
    listeners.add(onEvent);
    await call('Runtime.enable');
    await call('Page.enable');
    await call('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: scale, mobile: false });
    if (before) await before(call);
    // Resolves when the tab's next document has loaded after `action`.
    const load = async (action) => {
      const loaded = new Promise((resolve) => {
        const onLoad = (message) => {
          if (message.sessionId === sessionId && message.method === 'Page.loadEventFired') {
            listeners.delete(onLoad);
            resolve();
          }
        };
        listeners.add(onLoad);
      });
      await action();
      await loaded;
    };
    await load(() => call('Page.navigate', { url }));
    const reload = () => load(() => call('Page.reload', {}));
    const visit = (address) => load(() => call('Page.navigate', { url: address }));

    // The value of a JavaScript expression (awaited when it is a promise).
    async function evaluate(expression) {
      const { result, exceptionDetails } = await call('Runtime.evaluate',
        { expression, awaitPromise: true, returnByValue: true, userGesture: true });
      if (exceptionDetails) {
        throw new Error(`${expression}: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
      }
      return result.value;
    }

    // Resolves when `expression` is true; rejects after `seconds` with the page's errors.
    async function waitFor(expression, seconds) {
      const end = Date.now() + seconds * 1000;
      while (!(await evaluate(expression))) {
        if (Date.now() > end) throw new Error(`timed out waiting for ${expression}; page errors: ${errors.join('; ')}`);
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
    }

    async function screenshot() {
      const { data } = await call('Page.captureScreenshot', { format: 'png' });
      return Buffer.from(data, 'base64');
    }

    const close = async () => {
      listeners.delete(onEvent);
      await send('Target.closeTarget', { targetId });
    };
    return { call, evaluate, waitFor, screenshot, reload, visit, close, errors };
  }

  async function close() {
    send('Browser.close').catch(() => {});
    const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(timer);
    rmSync(profile, { recursive: true, force: true });
  }

  return { openPage, close, pid: child.pid };
}
