// The page in headless Chromium: its canvas, read back exactly, against
// saver-render's frame, also opened from the unzipped download; its sound
// requests against molecule-trace; full screen against the saver's closing
// rules; its messages when it cannot start; settings, pausing and offline use.
//   node page_test.mjs <page folder> <folder of saver-render and molecule-trace>
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchBrowser, serveFiles } from '../../scripts/browser.mjs';

const [pageDir, toolsDir] = process.argv.slice(2);
const scratch = join(pageDir, 'tests', 'web-scratch');
mkdirSync(scratch, { recursive: true });
let failures = 0;
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures += 1;
};

// Differing pixels between the canvas and the PNG at `url`; `edgeLit` tells
// whether the reference shows a molecule cut by the window's edge.
const kCompare = (url) => `(async () => {
  const canvas = document.getElementById('screen');
  const got = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  const picture = await createImageBitmap(await (await fetch('${url}')).blob(),
                                          { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  const scratch = new OffscreenCanvas(picture.width, picture.height).getContext('2d');
  scratch.drawImage(picture, 0, 0);
  const want = scratch.getImageData(0, 0, picture.width, picture.height).data;
  let differing = got.length === want.length ? 0 : -1, lit = 0, edgeLit = false;
  for (let i = 0; differing >= 0 && i < want.length; i += 4) {
    if (got[i] !== want[i] || got[i + 1] !== want[i + 1] || got[i + 2] !== want[i + 2]) ++differing;
    if (want[i] + want[i + 1] + want[i + 2] === 0) continue;
    ++lit;
    const x = (i / 4) % picture.width, y = Math.floor(i / 4 / picture.width);
    edgeLit ||= x === 0 || y === 0 || x === picture.width - 1 || y === picture.height - 1;
  }
  return { differing, lit, edgeLit, canvas: [canvas.width, canvas.height], window: [innerWidth, innerHeight] };
})()`;

// A hash of the canvas's pixels, for runs where the reference cannot be fetched.
const kCanvasHash = `(() => { const c = document.getElementById('screen'), hash = [2166136261];
  for (const byte of c.getContext('2d').getImageData(0, 0, c.width, c.height).data) {
    hash[0] = Math.imul(hash[0] ^ byte, 16777619);
  }
  return hash[0] >>> 0; })()`;
const hashes = {};

const kFrames = [
  // seed, width, height, count, ticks, device pixel ratio, sound frequency (sound
  // on when set), the size the page opens at before it is resized to width x height
  { seed: 1, width: 320, height: 240, count: 10, ticks: 20, scale: 1, openAt: [300, 200] },
  { seed: 7, width: 203, height: 151, count: 24, ticks: 45, scale: 2, clips: true },
  { seed: 5, width: 50, height: 40, count: 3, ticks: 9, scale: 1, clips: true },
  { seed: 3141592653, width: 640, height: 480, count: 16, ticks: 100, scale: 1, frequency: 50 },
];

async function checkFrame(browser, origin, c) {
  const name = `seed ${c.seed}, ${c.openAt ? `resized from ${c.openAt.join(' x ')} to ` : ''}${c.width} x ${c.height} at ${c.scale}x, ${c.count} molecules, ${c.ticks} ticks`;
  const picture = `frame-${c.seed}-${c.width}x${c.height}.png`;
  const size = ['--seed', c.seed, '--width', c.width, '--height', c.height, '--count', c.count, '--ticks', c.ticks];
  execFileSync(join(toolsDir, 'saver-render'), [...size, '--out', join(scratch, picture)].map(String));
  const sound = c.frequency ? `&sound=1&frequency=${c.frequency}` : '&sound=0';
  const [width, height] = c.openAt ?? [c.width, c.height];
  const page = await browser.openPage(
    `${origin}/index.html?seed=${c.seed}&count=${c.count}&ticks=${c.ticks}${sound}`, { width, height, scale: c.scale });
  if (c.openAt) {
    await page.waitFor('window.briselPage?.finished', 30);
    await page.call('Emulation.setDeviceMetricsOverride',
      { width: c.width, height: c.height, deviceScaleFactor: c.scale, mobile: false });
  }
  await page.waitFor(`window.briselPage?.finished && document.getElementById('screen').width === ${c.width}`, 30);
  const result = await page.evaluate(kCompare(`/tests/web-scratch/${picture}`));
  check(result.differing === 0 && result.lit > 0 && result.canvas.join() === result.window.join() &&
        (!c.clips || result.edgeLit), `frame equals saver-render's: ${name}: ${JSON.stringify(result)}`);
  hashes[c.seed] = await page.evaluate(kCanvasHash);
  if (c.frequency) {
    const trace = execFileSync(join(toolsDir, 'molecule-trace'),
      [...size, '--sound-switch', 1, '--sound-freq', c.frequency].map(String)).toString();
    const want = trace.split('\n').filter((line) => line.startsWith('sound,'));
    const got = (await page.evaluate('window.briselPage.sounds')).map((line) => 'sound,' + line);
    check(want.length > 1 && got.join('\n') === want.join('\n'),
      `sound requests equal molecule-trace's: ${name}: got ${got.length}, want ${want.length}`);
  }
  await page.close();
}

// The closing rules in full screen: a key ends it (Space too, without pausing
// the animation), a travel of 4 pixels from the first position seen in full
// screen does not, one of 5 does, and so does a click; the cursor is hidden
// meanwhile.
async function checkFullScreen(browser, origin) {
  const page = await browser.openPage(`${origin}/index.html?seed=2`, { width: 800, height: 600 });
  const mouse = (type, x, y) => page.call('Input.dispatchMouseEvent',
    { type, x, y, button: type === 'mouseMoved' ? 'none' : 'left', clickCount: 1 });
  const key = (type, key = 'a') => page.call('Input.dispatchKeyEvent',
    { type, key, code: key === ' ' ? 'Space' : 'KeyA', text: key,
      windowsVirtualKeyCode: key.toUpperCase().charCodeAt() });
  const settle = () => new Promise((resolve) => setTimeout(resolve, 300));
  const isFull = () => page.evaluate('document.fullscreenElement !== null');
  const enter = async () => {
    const [x, y] = await page.evaluate(`(() => { const r = document.getElementById('full-screen')
      .getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
    await mouse('mouseMoved', x, y);
    await mouse('mousePressed', x, y);
    await mouse('mouseReleased', x, y);
    await page.waitFor('document.fullscreenElement !== null', 10);
    return [x, y];
  };

  let [x, y] = await enter();
  await mouse('mouseMoved', x + 1, y);
  await mouse('mouseMoved', x + 4, y - 1);
  await settle();
  const cursor = await page.evaluate("getComputedStyle(document.getElementById('screen')).cursor");
  check(await isFull() && cursor === 'none', `full screen stays on a 4-pixel move, cursor "${cursor}"`);
  await key('keyDown');
  await key('keyUp');
  await settle();
  check(!(await isFull()), 'a key ends full screen');

  for (const focused of ['the button', 'nothing']) {  // as Chrome leaves it after the click, and as Safari does
    await enter();
    if (focused === 'nothing') await page.evaluate('document.activeElement.blur()');
    await key('keyDown', ' ');
    await key('keyUp', ' ');
    await settle();
    const ticks = await page.evaluate('briselPage.ticks');
    await page.waitFor(`briselPage.ticks > ${ticks}`, 3).catch(() => {});
    const after = await page.evaluate(`[!document.fullscreenElement, briselPage.paused, briselPage.ticks > ${ticks}]`);
    check(after.join() === 'true,false,true',
      `Space with ${focused} focused ends full screen, the animation plays on: ${after}`);
  }

  [x, y] = await enter();
  await mouse('mouseMoved', x + 1, y);
  await mouse('mouseMoved', x + 4, y + 2);
  await settle();
  check(!(await isFull()), 'a 5-pixel move ends full screen');

  [x, y] = await enter();
  await mouse('mousePressed', x, y);
  await mouse('mouseReleased', x, y);
  await settle();
  check(!(await isFull()), 'a click ends full screen');
  await page.close();
}

// The download unzipped as a user would: files readable by all, and the page
// opened from its file (file://) draws the same frame as over http.
async function checkDownload(browser) {
  const [zip] = readdirSync(pageDir).filter((name) => /^brisel-.*-web\.zip$/.test(name));
  const folder = join(scratch, 'unzipped', zip.replace(/\.zip$/, ''));
  rmSync(join(scratch, 'unzipped'), { recursive: true, force: true });
  execFileSync('unzip', ['-q', join(pageDir, zip), '-d', join(scratch, 'unzipped')]);
  check(readdirSync(join(scratch, 'unzipped')).join() === zip.replace(/\.zip$/, ''), 'the zip unzips into one folder named like it');
  const modes = readdirSync(folder).map((name) => (statSync(join(folder, name)).mode & 0o777).toString(8));
  check(modes.length === 8 && modes.every((mode) => mode === '644'), `the zip's files unzip as 644: ${modes}`);
  const c = kFrames[0];
  const page = await browser.openPage(`${pathToFileURL(folder).href}/index.html?seed=${c.seed}&count=${c.count}` +
    `&ticks=${c.ticks}&sound=0`, { width: c.width, height: c.height });
  await page.waitFor('window.briselPage?.finished', 30);
  const hash = await page.evaluate(kCanvasHash);
  check(hash === hashes[c.seed] && page.errors.length === 0,
    `opened from the unzipped index.html: frame ${hash}, over http ${hashes[c.seed]}; errors: ${page.errors}`);
  await page.close();
}

// Each way the page can fail to start ends in a message in the page, and no
// exception: a copy of the page without brisel.js, with its WebAssembly
// damaged (without the newest DOM calls), in a browser without WebAssembly or
// too old for the script (its one exception); it says what to do for a file or a site.
const kDeleting = (names) => (call) => call('Page.addScriptToEvaluateOnNewDocument', { source: `'${names}'
  .split(' ').forEach((name) => { delete Element.prototype[name]; delete globalThis[name]; })` });
const kFailures = [
  { name: 'no-script', says: /is missing\. Reload the page/ },
  { name: 'no-script', file: true, says: /is missing\. Keep index.html and brisel.js together/ },
  { name: 'damaged', script: (text) => text.replace('base64,AGFzbQ', 'base64,AAAAAA'), says: /compiled[^]*Reload/,
    before: kDeleting('replaceChildren append prepend replaceWith before after') },
  { name: 'no-wasm', script: (text) => text, says: /cannot run Brisel/, before: kDeleting('WebAssembly') },
  { name: 'old', script: (text) => text, says: /too old for it/, before: kDeleting('URLSearchParams'), throws: 1 },
];

async function checkFailures(browser, origin) {
  for (const f of kFailures) {
    const folder = join(scratch, f.name);
    rmSync(folder, { recursive: true, force: true });
    mkdirSync(folder);
    copyFileSync(join(pageDir, 'index.html'), join(folder, 'index.html'));
    if (f.script) writeFileSync(join(folder, 'brisel.js'), f.script(readFileSync(join(pageDir, 'brisel.js'), 'utf8')));
    const page = await browser.openPage(f.file ? pathToFileURL(join(folder, 'index.html')).href
      : `${origin}/tests/web-scratch/${f.name}/index.html`, { before: f.before });
    await page.waitFor("!document.getElementById('message').hidden", 10);
    const text = await page.evaluate("document.getElementById('message').innerText");
    check(f.says.test(text) && page.errors.length === (f.throws ?? 0),
      `${f.name}: "${text.split('\n')[0]}"; errors: ${page.errors}`);
    await page.close();
  }
}

// A hostile stored value leaves the animation running with the defaults; a
// slider held on an arrow key starts the animation over once, when the key is
// let go, and the next visit keeps its value; reduced motion starts paused on a
// still frame, and Space plays.
async function checkSettingsAndPause(browser, origin) {
  let page = await browser.openPage(`${origin}/index.html`, { width: 320, height: 240 });
  await page.evaluate(`localStorage.setItem('brisel.settings', '{"count":{"toString":"x"},"frequency":[1]}')`);
  await page.reload();
  await page.waitFor('window.briselPage.ticks > 3', 10);
  const count = await page.evaluate("document.getElementById('count').value");
  check(count === '10' && page.errors.length === 0, `a hostile stored value: ${count} molecules; ${page.errors}`);
  const key = (type) => page.call('Input.dispatchKeyEvent',
    { type, key: 'ArrowRight', code: 'ArrowRight', windowsVirtualKeyCode: 39 });
  await page.evaluate("document.querySelector('details').open = true; document.getElementById('count').focus()");
  for (let i = 0; i < 5; ++i) await key('rawKeyDown');
  const held = await page.evaluate("[briselPage.starts, document.getElementById('count').value]");
  await key('keyUp');
  const starts = await page.evaluate('briselPage.starts');
  check(held.join() === '1,15' && starts === 2, `a held arrow key: ${held[0]} starts at ${held[1]}, then ${starts}`);
  const space = (type, more) => page.call('Input.dispatchKeyEvent', { type, key: ' ', code: 'Space', ...more });
  for (let i = 0; i < 6; ++i) await space('keyDown', { autoRepeat: i > 0 });  // held: five repeats
  for (const type of ['keyUp', 'keyDown', 'keyUp']) await space(type, { modifiers: 2 });  // then Ctrl+Space
  const paused = await page.evaluate("[briselPage.paused, document.activeElement.id]");
  check(paused.join() === 'true,count', `Space held on the slider, then Ctrl+Space: paused, focus: ${paused}`);
  await page.reload();
  await page.waitFor('window.briselPage?.ticks > 0', 10);
  check(await page.evaluate("document.getElementById('count').value") === '15', 'the next visit keeps the count');
  await page.close();
  page = await browser.openPage(`${origin}/index.html`, { width: 120, height: 90 });
  await page.waitFor('window.briselPage?.ticks > 0', 10);
  await page.evaluate("document.querySelector('details').open = true");
  await page.call('Input.dispatchMouseEvent', { type: 'mouseWheel', x: 60, y: 50, deltaX: 0, deltaY: 1000 });
  await page.waitFor("document.getElementById('panel').scrollTop > 0", 3).catch(() => {});
  const fits = await page.evaluate(`document.getElementById('panel').scrollTop > 0 &&
    [...document.querySelectorAll('#panel, summary')].every((e) => {
      const r = e.getBoundingClientRect(), hit = document.elementFromPoint(r.x + 9, r.y + 9).closest(e.tagName);
      return r.top >= 0 && r.left >= 0 && r.bottom <= 90 && r.right <= 120 && hit === e; })`);
  check(fits, 'a 120 x 90 window: the open panel, scrolled down by the wheel, and its heading on top are inside it');
  await page.close();

  page = await browser.openPage(`${origin}/index.html?count=12`, { width: 320, height: 240, before: (call) =>
    call('Emulation.setEmulatedMedia', { features: [{ name: 'prefers-reduced-motion', value: 'reduce' }] }) });
  await new Promise((resolve) => setTimeout(resolve, 500));
  const still = await page.evaluate(`[briselPage.ticks, document.getElementById('pause').textContent, document
    .getElementById('screen').getContext('2d').getImageData(0, 0, 320, 240).data.some((v, i) => i % 4 < 3 && v)]`);
  await page.call('Input.dispatchKeyEvent', { type: 'keyDown', key: ' ', code: 'Space', windowsVirtualKeyCode: 32 });
  await page.waitFor('briselPage.ticks > 3', 5);
  check(still.join() === '1,Play,true', `reduced motion: ticks, button, lit: ${still}, then Space plays`);
  await page.close();
}

// The page on a host sending month-old files without Cache-Control, the script
// as application/octet-stream (then text/plain), redirecting index.html to its
// folder: offline after one visit; a new release whole on the first visit after
// it; the kept copy for a silent (4 s), failing (500, 502, 503) or portal
// server, or one that answers a page or text for the script; offline, the
// folder's other addresses are the browser's.
async function checkOffline(browser) {
  const site = join(scratch, 'site');
  mkdirSync(site, { recursive: true });
  readdirSync(pageDir).filter((file) => /\.(html|js|json|png)$/.test(file))
    .forEach((file) => copyFileSync(join(pageDir, file), join(site, file)));
  const headers = { 'last-modified': new Date(Date.now() - 30 * 86400e3).toUTCString() };
  const types = { 'brisel.js': 'application/octet-stream' };
  let mode = 'up';
  const server = await serveFiles(pageDir, { headers, types, intercept: (request, response) => {
    const script = request.url.includes('.js?') ? 200 : 0;
    const [status, type] = { 500: [500], 502: [502], 503: [503], portal: [200], 'script as HTML': [script],
                             'script as text': [script, 'text/plain'] }[mode] ?? [0];
    const redirect = mode !== 'silent' && request.url.includes('/index.html');
    if (mode === 'down') request.socket.destroy();
    else if (status) response.writeHead(status, { 'content-type': type ?? 'text/html' }).end('<p>Sign in first</p>');
    else if (redirect) response.writeHead(301, { location: request.url.replace('index.html', '') }).end();
    return mode === 'down' || mode === 'silent' || status > 0 || redirect;
  } });
  const folder = `${server.origin}/tests/web-scratch/site/`;
  const page = await browser.openPage(`${folder}index.html?count=5`);
  await page.waitFor('navigator.serviceWorker.controller !== null', 10);
  const { installabilityErrors } = await page.call('Page.getInstallabilityErrors');
  const runs = async (now, load) => {  // how long until the page runs after `load`, at most 9 s
    mode = now;
    await page.evaluate('briselPage.ticks = -99');  // a page not loaded anew fails
    const start = Date.now();
    await Promise.race([load().then(() => page.waitFor('window.briselPage?.ticks > 3', 5)), new Promise(
      (resolve, reject) => setTimeout(reject, 9000, new Error(`the page did not run within 9 s, server ${mode}`)))]);
    return `server ${mode}: the kept page runs after ${Date.now() - start} ms`;
  };
  await runs('down', page.reload);
  check(installabilityErrors.length === 0 && page.errors.length === 0,
    `offline reload runs; installability: ${JSON.stringify(installabilityErrors)}; errors: ${page.errors}`);
  for (const name of ['index.html', 'service-worker.js', 'brisel.js']) {
    const text = readFileSync(join(site, name), 'utf8').replace(/(Brisel |\?v=|kVersion = ')[0-9.]+/g, '$19.9.9');
    writeFileSync(join(site, name), name === 'brisel.js' ? `${text}\nwindow.briselRelease = '9.9.9';\n` : text);
  }
  types['brisel.js'] = 'text/plain';
  await runs('up', () => page.visit(`${folder}index.html?count=5`));
  const shown = await page.evaluate("[document.querySelector('.version').textContent, window.briselRelease]");
  check(shown.join() === 'Brisel 9.9.9,9.9.9', `the first visit after a new release: ${shown}; ${page.errors}`);
  await page.waitFor("caches.keys().then((keys) => keys.join().startsWith('brisel 9.9.9 ') && keys.length === 1)", 10);
  for (const now of ['script as HTML', 'script as text', 'silent', '500', '502', '503', 'portal', 'down']) {
    await page.call('Network.clearBrowserCache');  // days later: the HTTP cache let the files go
    check(true, await runs(now, page.reload));
  }
  const { errorText } = await page.call('Page.navigate', { url: `${folder}blog/post.html` });
  check(errorText !== undefined, `server down: another address of the folder is the browser's: ${errorText}`);
  await page.close();
  await server.close();
}

const server = await serveFiles(pageDir);
const browser = await launchBrowser();
try {
  for (const c of kFrames) await checkFrame(browser, server.origin, c);
  await checkFullScreen(browser, server.origin);
  await checkDownload(browser);
  await checkFailures(browser, server.origin);
  await checkSettingsAndPause(browser, server.origin);
  await checkOffline(browser);
} catch (error) {
  check(false, error.stack);
} finally {
  await browser.close();
  await server.close();
}
process.exit(failures === 0 ? 0 : 1);
