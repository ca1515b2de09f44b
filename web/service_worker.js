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
//
// BRAMBIX_VERSION and BRAMBIX_FILES are the build's: the version (with its files'
// digests) and every file kept, as game_files.js describes them.
import {PAGE_CHECKS_HEADER, collect} from './download.js';
import {unpacked} from './inflate.js';
import {mismatch} from './game_files.js';

const FILES = BRAMBIX_FILES;
const CACHE = 'brambix-' + BRAMBIX_VERSION;
// The game's files are stored as they run, unpacked, with the type the page compiles by.
const TYPES = {'.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream'};

async function storeAll() {
  const checked = await Promise.all(Object.keys(FILES).map(async function (name) {
    const packed = FILES[name].packed;
    const response = await fetch(packed || name, {cache: 'no-cache'});
    if (!response.ok) throw new Error(name + ': the server answered ' + response.status);
    // Unpacked as the page unpacks it, and never past its known length.
    const bytes = await collect(packed ? await unpacked(response.body) : response.body, FILES[name].size);
    if (await mismatch(FILES[name], bytes)) throw new Error(name + ' was incomplete or changed on the server');
    // Stored afresh, so a redirect on the way (index.html to the folder) is not kept.
    const type = packed ? TYPES[name.slice(name.lastIndexOf('.'))] : response.headers.get('Content-Type');
    return [name, new Response(bytes, {headers: type ? {'Content-Type': type} : {}})];
  }));
  const cache = await caches.open(CACHE);
  await Promise.all(checked.map(function ([name, response]) { return cache.put(name, response); }));
}

self.addEventListener('install', function (event) {
  event.waitUntil(storeAll().then(function () { return self.skipWaiting(); }));
});

// Older versions' files go once this one is in charge.
self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (keys) {
    return Promise.all(keys.filter(function (key) { return key.startsWith('brambix-') && key !== CACHE; })
      .map(function (key) { return caches.delete(key); }));
  }).then(function () { return self.clients.claim(); }));
});

// The page itself is kept as index.html, whether asked for by that name or by its folder.
async function answer(request) {
  const cache = await caches.open(CACHE);
  const page = new URL('index.html', self.registration.scope).href;
  const url = new URL(request.url);
  const copy = request.mode === 'navigate' && url.origin + url.pathname === self.registration.scope ?
    await cache.match(page) : await cache.match(request, {ignoreSearch: true});
  return copy || fetch(request);
}

// The page's own downloads are left to it: it checks them and takes the kept copies itself.
self.addEventListener('fetch', function (event) {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin ||
      request.headers.has(PAGE_CHECKS_HEADER)) return;
  event.respondWith(answer(request));
});
