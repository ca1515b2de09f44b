// The page's service worker: keeps this version's files so that the game starts at once
// the next time, with or without a network, and lets a newer version in for the start
// after that.
//
// What it keeps answers first: the page and its files come from this device, never
// waiting for a server that is slow or gone. The game's own files are left to the page,
// which checks them and takes them from this cache itself (the wasm compiled from the
// cached answer, so that the browser can keep the compiled code). The cache is filled
// once, when this version installs, and only with files that match their size and
// SHA-256 digest: a download cut short or a file changed meanwhile stores nothing. The
// browser looks for a newer sw.js whenever the page opens; a newer version installs
// beside play, and the next start plays it.
'use strict';
const VERSION = '/* version */';
const FILES = {/* files */};
const CACHE = 'brambix-' + VERSION;
// The game's files are stored as they run, unpacked, with the type the page compiles by.
const TYPES = {'.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream'};

async function sha256Hex(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, b => b.toString(16).padStart(2, '0')).join('');
}

// A packed file's bytes, inflated unless the browser inflated them already.
async function unpacked(bytes) {
  const head = new Uint8Array(bytes, 0, Math.min(2, bytes.byteLength));
  if (head[0] !== 0x1f || head[1] !== 0x8b) return bytes;
  return new Response(new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
}

async function storeAll() {
  const checked = await Promise.all(Object.keys(FILES).map(async name => {
    const packed = FILES[name].packed;
    const response = await fetch(packed || name, {cache: 'no-cache'});
    if (!response.ok) throw new Error(name + ': the server answered ' + response.status);
    const bytes = packed ? await unpacked(await response.arrayBuffer()) : await response.arrayBuffer();
    if (bytes.byteLength !== FILES[name].size || await sha256Hex(bytes) !== FILES[name].sha256) {
      throw new Error(name + ' was incomplete or changed on the server');
    }
    // Stored afresh, so a redirect on the way (index.html to the folder) is not kept.
    const type = packed ? TYPES[name.slice(name.lastIndexOf('.'))] : response.headers.get('Content-Type');
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

// The page's own downloads: the page checks them and takes the kept copies itself.
const PAGE_CHECKS_HEADER = 'X-Brambix-Page-Checks';

// The page itself is kept as index.html, whether asked for by that name or by its folder.
async function answer(request) {
  const cache = await caches.open(CACHE);
  const page = new URL('index.html', self.registration.scope).href;
  const url = new URL(request.url);
  const copy = request.mode === 'navigate' && url.origin + url.pathname === self.registration.scope ?
    await cache.match(page) : await cache.match(request, {ignoreSearch: true});
  return copy || fetch(request);
}

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin ||
      request.headers.has(PAGE_CHECKS_HEADER)) return;
  event.respondWith(answer(request));
});
