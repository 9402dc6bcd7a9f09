// The page's service worker (served as service-worker.js beside index.html):
// keeps the page's files so that, after one visit, the page opens without a
// network. Online, every file comes from the network and the copy is renewed, so
// a new release shows at once; offline, the kept copy answers. All names are
// relative to this script, so the page works from whatever path it is served under.
'use strict';

const kFiles = ['index.html', 'brisel.js', 'manifest.json', 'icon-32.png', 'icon-192.png', 'icon-512.png'];
// One cache per folder the page is served from, so that two copies on one site
// do not answer for each other.
const kCache = 'brisel ' + self.registration.scope;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

// The kept copy of `request`: the page under any query (its settings and seed
// are in the address), and index.html for the folder's own address.
async function FindKept(request) {
  const cache = await caches.open(kCache);
  const kept = await cache.match(request, { ignoreSearch: true });
  if (kept !== undefined || request.mode !== 'navigate') return kept;
  return cache.match('index.html');
}

// The name of the page's file that `url` asks for (the folder's own address is
// index.html), or '' for anything else.
function NameOfFile(url) {
  const folder = new URL(self.registration.scope).pathname;
  if (!url.pathname.startsWith(folder)) return '';
  const name = url.pathname.slice(folder.length) || 'index.html';
  return kFiles.includes(name) ? name : '';
}

async function Answer(request) {
  try {
    const response = await fetch(request);
    const name = NameOfFile(new URL(request.url));
    if (response.ok && name !== '') {
      const copy = response.clone();
      caches.open(kCache).then((cache) => cache.put(name, copy)).catch(() => {});
    }
    return response;
  } catch (error) {
    const kept = await FindKept(request);
    if (kept !== undefined) return kept;
    throw error;
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(Answer(event.request));
});
