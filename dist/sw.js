// The page's service worker: keeps this version's files so that the game plays
// offline, and lets a new version in at the next load.
//
// Everything goes to the network first, so a player online always gets the files of the
// page they loaded; the cache answers only when the network cannot. The cache is filled
// once, when this version installs, and only with files that match their size and
// SHA-256 digest: a download cut short or a file changed meanwhile stores nothing.
'use strict';
const VERSION = '/* version */';
const FILES = {/* files */};
const CACHE = 'brambix-' + VERSION;

async function sha256Hex(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, b => b.toString(16).padStart(2, '0')).join('');
}

async function storeAll() {
  const checked = await Promise.all(Object.keys(FILES).map(async name => {
    const response = await fetch(name, {cache: 'no-cache'});
    if (!response.ok) throw new Error(name + ': the server answered ' + response.status);
    const bytes = await response.arrayBuffer();
    if (bytes.byteLength !== FILES[name].size || await sha256Hex(bytes) !== FILES[name].sha256) {
      throw new Error(name + ' was incomplete or changed on the server');
    }
    // Stored afresh, so a redirect on the way (index.html to the folder) is not kept.
    const type = response.headers.get('Content-Type');
    return [name, new Response(bytes, {headers: type ? {'Content-Type': type} : {}})];
  }));
  const cache = await caches.open(CACHE);
  await Promise.all(checked.map(([name, response]) => cache.put(name, response)));
}

self.addEventListener('install', event => {
  event.waitUntil(storeAll().then(() => self.skipWaiting()));
});

// Older versions' files go once this one is in charge.
self.addEventListener('activate', event => {
  event.waitUntil(caches.keys().then(keys => Promise.all(
    keys.filter(key => key.startsWith('brambix-') && key !== CACHE).map(key => caches.delete(key))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request).catch(async error => {
    const cache = await caches.open(CACHE);
    const kept = request.mode === 'navigate' ?
      await cache.match(new URL('index.html', self.registration.scope).href) :
      await cache.match(request, {ignoreSearch: true});
    if (kept) return kept;
    throw error;
  }));
});
