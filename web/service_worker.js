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
// Each folder of a site keeps its own copy, in a cache named after the version and the
// folder: a version replaces only its own folder's older copies. A copy is kept whole or
// not at all: where the browser's storage cannot hold it, nothing is kept and the pages
// are told once. A copy that went missing (a browser frees storage under pressure) is
// filled again on the next visit with a network.
//
// BRAMBIX_VERSION and BRAMBIX_FILES are the build's: the version (with its files'
// digests) and every file kept, as game_files.js describes them.
import {PAGE_CHECKS_HEADER, collect, downloadStream} from './download.js';
import {keptResponse, mismatch} from './game_files.js';
import {unpacked} from './inflate.js';

const FILES = BRAMBIX_FILES;
const SCOPE = new URL(self.registration.scope).pathname;
const CACHE = 'brambix-' + BRAMBIX_VERSION + ' ' + SCOPE;
const PAGE = new URL('index.html', self.registration.scope).href;

// Why a copy cannot be kept here, for the pages.
class CannotKeep extends Error {}

// The checked response of each of `names`, downloaded as the page downloads, unpacked as
// the page unpacks, and never read past its known length.
async function fetched(names) {
  return Promise.all(names.map(async function (name) {
    const want = FILES[name];
    let type = null;
    const body = downloadStream(want.packed || name, {
      checked: false, page: name === 'index.html', expected: want.packedSize || want.size,
      what: 'the game\'s file', onResponse: function (response) { type = response.headers.get('Content-Type'); },
    });
    // A browser that leaves a server's own packing to the page (WebKit) hands the worker
    // every file packed by the server: the page's files unpacked once, the game's twice.
    const bytes = await collect(await unpacked(body, want.packed ? 2 : 1), want.size);
    const wrong = await mismatch(want, bytes);
    if (wrong) throw new Error(name + ' was incomplete or changed on the server: ' + wrong);
    // Stored afresh, so a redirect on the way (index.html to the folder) is not kept.
    return [name, keptResponse(name, want, bytes, type)];
  }));
}

// `names` downloaded and put in the copy: all of them, or, where the storage refuses
// any, none (the copy is dropped, as it could not play offline).
async function keep(names) {
  const size = names.reduce(function (sum, name) { return sum + FILES[name].size; }, 0);
  const estimate = self.navigator.storage && navigator.storage.estimate ? await navigator.storage.estimate() : null;
  if (estimate && estimate.quota && estimate.quota - estimate.usage < size) {
    throw new CannotKeep('the browser gives it ' + Math.floor((estimate.quota - estimate.usage) / 1024) +
                         ' kB of storage, and its files take ' + Math.ceil(size / 1024) + ' kB');
  }
  const responses = await fetched(names);
  const cache = await caches.open(CACHE);
  try {
    await Promise.all(responses.map(function ([name, response]) { return cache.put(name, response); }));
  } catch (e) {
    await caches.delete(CACHE);
    throw e.name === 'QuotaExceededError' ? new CannotKeep('the browser\'s storage for it is full') : e;
  }
}

// Tells the pages of this folder that the copy cannot be kept here.
async function tellCannotKeep(e) {
  if (!(e instanceof CannotKeep)) return;
  for (const client of await self.clients.matchAll({includeUncontrolled: true, type: 'window'})) {
    client.postMessage({brambix: 'cannot-keep', why: e.message});
  }
}

self.addEventListener('install', function (event) {
  event.waitUntil(keep(Object.keys(FILES)).catch(function (e) {
    return tellCannotKeep(e).then(function () { throw e; });
  }).then(function () { return self.skipWaiting(); }));
});

// This folder's older copies go once this version is in charge; other folders' stay.
self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (keys) {
    return Promise.all(keys.filter(function (key) { return key.startsWith('brambix-') && key !== CACHE; })
      .map(async function (key) {
        if (await (await caches.open(key)).match(PAGE)) await caches.delete(key);
      }));
  }).then(function () { return self.clients.claim(); }));
});

// The page itself is kept as index.html, whether asked for by that name or by its folder.
async function answer(request) {
  const cache = await caches.open(CACHE);
  const url = new URL(request.url);
  const copy = request.mode === 'navigate' && url.origin + url.pathname === self.registration.scope ?
    await cache.match(PAGE) : await cache.match(request, {ignoreSearch: true});
  return copy || fetch(request);
}

// The files missing from the copy, downloaded again (once at a time).
let mending = null;
async function mend() {
  const cache = await caches.open(CACHE);
  const missing = [];
  for (const name in FILES) {
    if (!await cache.match(name)) missing.push(name);
  }
  if (missing.length) await keep(missing).catch(tellCannotKeep);
}

// The page's own downloads are left to it: it checks them and takes the kept copies itself.
self.addEventListener('fetch', function (event) {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin ||
      request.headers.has(PAGE_CHECKS_HEADER)) return;
  const answered = answer(request);
  event.respondWith(answered);
  // Each start looks for files gone from the copy, once the page has its answer.
  if (request.mode === 'navigate') {
    mending = mending || answered.then(mend).catch(function () {}).then(function () { mending = null; });
    event.waitUntil(mending);
  }
});
