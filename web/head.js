// The script in the page's head, all of the page's first response but its markup and
// style: it asks for the game's three files and for the rest of the page's code
// (page.js, packed and checked as they are) at once, as soon as the page's first bytes
// arrive; page.js shows their progress and starts the game with them, from
// `window.brambixLoading`. The head says itself only what stops page.js from coming.
import {DownloadFault, fetchWhole} from './download.js';
import {DIGEST_HEADER, Incomplete, PAGE, keptResponse, startLoading} from './game_files.js';
import {messagePanel} from './notices.js';

// Nothing of the game is asked for where it cannot run: no WebGL, or a browser too old
// to unpack (which cannot unpack page.js either).
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
// BRAMBIX_FILES: the game's files and page.js as the build describes them (see game_files.js).
const FILES = WEBGL ? BRAMBIX_FILES : {[PAGE]: BRAMBIX_FILES[PAGE]};
const FROM_FILE = location.protocol === 'file:';
const loading = UNPACKS && !FROM_FILE ? startLoading(FILES, {kept: KEPT, findKept: findKept, mend: mend}) :
  {page: null, files: null, each: null, got: {}, keptNotes: [], onProgress: function () {}};
loading.webgl = WEBGL;
loading.unpacks = UNPACKS;
loading.Incomplete = Incomplete;
// For the replay's download.
loading.fetchWhole = fetchWhole;
loading.DownloadFault = DownloadFault;
window.brambixLoading = loading;

// `then` once the page's markup is there.
function whenParsed(then) {
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', then); else then();
}
function fail(text, title) {
  whenParsed(function () { messagePanel().fail(text, '', title); });
}
if (FROM_FILE) {
  // Opened as a file, the page may not download its files: it needs a web server.
  fail('Brambix must be served by a web server: opened as a file, the page cannot load the game\'s files. ' +
       'Serve its folder with scripts/play-web.sh (in the game\'s source) or any web server, and open the ' +
       'address it gives.');
} else if (!UNPACKS) {
  fail('This browser is too old to unpack the game\'s files (it lacks DecompressionStream). ' +
       'Update it, or try another browser.');
} else {
  loading.page.then(function (file) {
    // Run from the very bytes whose digest was checked, once the markup it works on is there.
    whenParsed(function () {
      const script = document.createElement('script');
      script.src = URL.createObjectURL(new Blob([file.bytes], {type: 'text/javascript'}));
      document.head.appendChild(script);
    });
  }, function (e) {
    if (e instanceof Incomplete) {
      fail(e.message, 'Brambix did not download completely');
    } else {
      fail(e.message + '. Check that every file of the game is on the server.');
    }
  });
}
