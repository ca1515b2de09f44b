// The script in the page's head: the game's three files are asked for here, as soon as
// the page's first bytes arrive, all at once; the rest of the page (page.js) shows their
// progress and starts the game with them, from `window.brambixLoading`.
import {DownloadFault, fetchWhole} from './download.js';
import {DIGEST_HEADER, Incomplete, keptResponse, startLoading} from './game_files.js';

// Nothing is asked for where the game cannot run: no WebGL, or a browser too old to unpack.
const probe = document.createElement('canvas');
const WEBGL = !!(window.WebGLRenderingContext && (probe.getContext('webgl2') || probe.getContext('webgl')));
const UNPACKS = typeof DecompressionStream === 'function';
// Kept copies are looked for only where the service worker has charge of the page (not on
// a first visit, nor where a hard reload passed it by): a slow phone takes a tenth of a
// second to find that there are none.
const KEPT = !!(window.caches && 'serviceWorker' in navigator && navigator.serviceWorker.controller);
// The copies of `name` kept for this folder (each version in a cache of its own), with
// the cache each is in.
async function keptCopies(name) {
  const copies = [];
  for (const key of await caches.keys()) {
    if (!key.startsWith('brambix-')) continue;
    const cache = await caches.open(key);
    const copy = await cache.match(name);
    if (copy) copies.push({cache: cache, copy: copy});
  }
  return copies;
}
// This version's copy where one is kept, else another's (which the page then replaces).
async function findKept(name, want) {
  const first = await caches.match(name);
  if (!first || first.headers.get(DIGEST_HEADER) === want.sha256) return first;
  const mine = (await keptCopies(name)).find(function (c) { return c.copy.headers.get(DIGEST_HEADER) === want.sha256; });
  return mine ? mine.copy : first;
}
// A good download in place of this version's damaged copy: the next start plays it.
function mend(name, want, bytes) {
  const good = keptResponse(name, want, bytes);  // a copy of the bytes now, before the game takes them
  keptCopies(name).then(function (copies) {
    return Promise.all(copies.filter(function (c) { return c.copy.headers.get(DIGEST_HEADER) === want.sha256; })
      .map(function (c) { return c.cache.put(name, good.clone()); }));
  }).catch(function () {});  // the worker fills it again on a later visit
}
// BRAMBIX_FILES: the game's files as the build describes them (see game_files.js).
const loading = WEBGL && UNPACKS ? startLoading(BRAMBIX_FILES, {kept: KEPT, findKept: findKept, mend: mend}) :
  {files: null, each: null, got: {}, keptNotes: [], onProgress: function () {}};
loading.webgl = WEBGL;
loading.unpacks = UNPACKS;
loading.Incomplete = Incomplete;
// For the replay's download.
loading.fetchWhole = fetchWhole;
loading.DownloadFault = DownloadFault;
window.brambixLoading = loading;
