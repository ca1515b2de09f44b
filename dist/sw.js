// The page's service worker: keeps this version's files so that the game plays
// offline, and lets a new version in at the next load.
//
// Everything goes to the network first, so a player online always gets the files of the
// page they loaded; the cache answers only when the network cannot: it fails, answers
// with an error or sends nothing for 15 s. The game's own files are left to the page,
// which checks what it downloads and takes them from this cache itself when the server
// cannot give them whole and of this version. The cache is filled
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

// A network that sends nothing for this long is taken as stalled: what is kept answers.
const STALL_MS = 15000;
// The page's own downloads: the page checks them and plays from the cache itself.
const PAGE_CHECKS_HEADER = 'X-Brambix-Page-Checks';

async function kept(request) {
  const cache = await caches.open(CACHE);
  return request.mode === 'navigate' ?
    cache.match(new URL('index.html', self.registration.scope).href) :
    cache.match(request, {ignoreSearch: true});
}

// Settles as `promise` does, or fails once STALL_MS have passed.
function withinStall(promise) {
  let timer;
  const stalled = new Promise((resolve, reject) => { timer = setTimeout(reject, STALL_MS, new Error('stalled')); });
  return Promise.race([promise, stalled]).finally(() => clearTimeout(timer));
}

// The network's answer. Where a copy is kept, the answer is read whole first, and the
// copy answers instead when the network fails, answers with an error, or stalls before
// or during its answer.
async function answer(request) {
  const copy = await kept(request);
  if (!copy) return fetch(request);
  try {
    const response = await withinStall(fetch(request));
    if (response.type === 'opaqueredirect') return response;  // the browser follows it
    if (!response.ok) return copy;
    if (!response.body) return response;
    const reader = response.body.getReader();
    const parts = [];
    for (let part; !(part = await withinStall(reader.read())).done;) parts.push(part.value);
    // Made afresh, as the copies are: the bytes are read, so no length or encoding of the
    // server's applies to them.
    const type = response.headers.get('Content-Type');
    return new Response(new Blob(parts), {status: response.status, statusText: response.statusText,
                                          headers: type ? {'Content-Type': type} : {}});
  } catch (error) {
    return copy;
  }
}

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin ||
      request.headers.has(PAGE_CHECKS_HEADER)) return;
  event.respondWith(answer(request));
});
