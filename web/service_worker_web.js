// The page's service worker (served as service-worker.js beside index.html):
// keeps the page's files so that, after one visit, the page opens without a
// network. Online, the page's files come from the server, past the browser's
// HTTP cache, so a new release shows on the first visit after it; when the
// server is unreachable, slow to answer or failing, the kept copy answers. All
// names are relative to this script, so the page works from whatever path it is
// served under; addresses that are not the page's own are left to the browser.
'use strict';

const kVersion = '@PROJECT_VERSION@';
// The page asks for its script under the release's version, so that a page and
// a script of two releases are never put together, whatever a cache holds.
const kScript = 'brisel.js?v=' + kVersion;
const kFiles = ['index.html', kScript, 'manifest.json', 'icon-32.png', 'icon-192.png', 'icon-512.png'];
// What this release's script says, wherever in it: hosts differ in the type
// they give a script (application/octet-stream, text/plain), so the script is
// known by its content.
const kScriptMark = "'Brisel " + kVersion + "'";
// How long the server may take before the kept copy answers instead.
const kPatienceMs = 4000;
// One cache per release and per folder the page is served from, so that two
// copies on one site do not answer for each other and a release is kept whole.
const kScope = self.registration.scope;
const kCache = 'brisel ' + kVersion + ' ' + kScope;

// A copy of `response` that can be kept and given to any request, a page load
// included: the same body, status and headers, not marked as redirected. The
// body is decoded already, so no header may say otherwise.
async function Unredirected(response) {
  const headers = new Headers(response.headers);
  headers.delete('content-encoding');
  headers.delete('content-length');
  return new Response(await response.blob(), { status: response.status, statusText: response.statusText, headers });
}

// The name under which a file of the page is kept for `url` (the folder's own
// address and the page under any query are index.html), or '' for any address
// that is not one of the page's files.
function NameOfFile(url) {
  const folder = new URL(kScope).pathname;
  if (url.origin !== self.location.origin || !url.pathname.startsWith(folder)) return '';
  const path = url.pathname.slice(folder.length);
  const name = path === '' || path === 'index.html' ? 'index.html' : path + url.search;
  return kFiles.includes(name) ? name : '';
}

// What to do with the server's `response` for the page's file `name`: 'keep' a
// good answer (a success that is the file, under whatever type the server
// gives it, and still that file when redirected: the page, wherever it was
// redirected, when it asks for this release's script; the script when it is
// this release's); 'pass' on the page of another release and answers such as
// "not found" or a redirect; and 'fail' over to the kept copy on a server error
// or on an answer that is not the file: a page for any other file (a captive
// portal's, say), or a script of another release or none.
async function Judge(response, name) {
  if (response.status >= 500) return 'fail';
  if (response.status !== 200) return 'pass';
  if (name === 'index.html') {
    const text = await response.clone().text();
    return text.includes(`"${kScript}"`) ? 'keep' : text.includes('"brisel.js?v=') ? 'pass' : 'fail';
  }
  if (/^text\/html/i.test(response.headers.get('content-type') || '') ||
      (response.redirected && NameOfFile(new URL(response.url)) !== name)) {
    return 'fail';
  }
  if (name !== kScript) return 'keep';
  return (await response.clone().text()).includes(kScriptMark) ? 'keep' : 'fail';
}

// Fetches the page's file `request` from the server, not from the HTTP cache.
function FetchFresh(request, signal) {
  return fetch(new Request(request, { cache: 'no-cache', signal }));
}

// A release is installed whole or not at all: a file missing or of the wrong
// kind leaves the release before in charge.
self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(kCache);
    for (const name of kFiles) {
      const response = await FetchFresh(new Request(name));
      if ((await Judge(response, name)) !== 'keep') throw new Error(`${name}: ${response.status} ${response.url}`);
      await cache.put(name, await Unredirected(response));
    }
    await self.skipWaiting();
  })());
});

// The copies of the releases before are dropped once this one is in charge.
self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const key of await caches.keys()) {
      if (key !== kCache && key.startsWith('brisel ') && key.endsWith(' ' + kScope)) await caches.delete(key);
    }
    await self.clients.claim();
  })());
});

// The pages answered from the kept copy: their files come from it too, so that
// a kept page never runs with a script the server has meanwhile replaced. (A
// page's own reload is asked for by that page, and goes to the server again.)
const keptPages = new Set();

async function Answer(event, name) {
  const cache = await caches.open(kCache);
  const request = event.request;
  const kept = await cache.match(name);
  const useKept = () => {
    if (request.mode === 'navigate' && event.resultingClientId) keptPages.add(event.resultingClientId);
    return kept;
  };
  if (kept !== undefined && request.mode !== 'navigate' && keptPages.has(event.clientId)) return kept;
  const abort = new AbortController();
  const answer = FetchFresh(request, abort.signal).then(async (response) => {
    const verdict = await Judge(response, name);
    if (verdict === 'keep') await cache.put(name, await Unredirected(response.clone()));
    return verdict === 'fail' && kept !== undefined ? useKept() : response;
  }, (error) => {
    if (kept !== undefined) return useKept();
    throw error;
  });
  if (kept === undefined) return answer;
  let timer;
  const late = new Promise((resolve) => { timer = setTimeout(resolve, kPatienceMs); }).then(() => {
    abort.abort();
    return useKept();
  });
  return Promise.race([answer, late]).finally(() => clearTimeout(timer));
}

self.addEventListener('fetch', (event) => {
  const name = NameOfFile(new URL(event.request.url));
  if (event.request.method !== 'GET' || name === '') return;
  event.respondWith(Answer(event, name));
});
