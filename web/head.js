// The script in the page's head: the game's three files are asked for here, as soon as
// the page's first bytes arrive, all at once; the rest of the page (page.js) shows their
// progress and starts the game with them, from `window.brambixLoading`.
import {DownloadFault, fetchWhole} from './download.js';
import {Incomplete, startLoading} from './game_files.js';

// Nothing is asked for where the game cannot run: no WebGL, or a browser too old to unpack.
const probe = document.createElement('canvas');
const WEBGL = !!(window.WebGLRenderingContext && (probe.getContext('webgl2') || probe.getContext('webgl')));
const UNPACKS = typeof DecompressionStream === 'function';
// Kept copies are looked for only where the service worker has charge of the page (not on
// a first visit, nor where a hard reload passed it by): a slow phone takes a tenth of a
// second to find that there are none.
const KEPT = !!(window.caches && 'serviceWorker' in navigator && navigator.serviceWorker.controller);
// BRAMBIX_FILES: the game's files as the build describes them (see game_files.js).
const loading = WEBGL && UNPACKS ? startLoading(BRAMBIX_FILES, {kept: KEPT, findKept: function (name) {
  return caches.match(name);
}}) : {files: null, each: null, got: {}, keptNotes: [], onProgress: function () {}};
loading.webgl = WEBGL;
loading.unpacks = UNPACKS;
loading.Incomplete = Incomplete;
// For the replay's download.
loading.fetchWhole = fetchWhole;
loading.DownloadFault = DownloadFault;
window.brambixLoading = loading;
