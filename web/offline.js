// The page's side of the copy kept for offline play: the service worker (service_worker.js)
// keeps this version's files for the next start. A newer version on the server is looked
// for beside play and kept in its turn (it takes charge as soon as it is kept, perhaps
// before the game has started); the next start plays it, and the page says so. Where the
// browser's storage cannot hold the copy, the page says so once, and asks again only once
// the browser offers more.
const REFUSED = 'brambix.offline-refused';

// Whether the copy was refused at `refusedQuota` (as stored; null: never) and the browser
// still offers no more than `quota` (unknown: 0): then the page does not ask again.
export function stillRefused(refusedQuota, quota) {
  return refusedQuota !== null && !(quota > Number(refusedQuota));
}

// Call at once, with `say(text, ms)` to show a line (for `ms`, else until the next start);
// then `keep()` once nothing of this start is still downloading.
export function offlineCopy(say) {
  if (!('serviceWorker' in navigator)) return {keep: function () {}};
  let storage = null;
  try { storage = window.localStorage; } catch (e) { /* refused: said each time */ }
  const keptBy = navigator.serviceWorker.controller;
  if (keptBy) {
    navigator.serviceWorker.addEventListener('controllerchange', function () {
      say('A new version of Brambix has arrived: it plays from the next start.');
    });
  }
  navigator.serviceWorker.addEventListener('message', function (e) {
    if (!e.data || e.data.brambix !== 'cannot-keep') return;
    let told = null;
    try { told = storage && storage.getItem(REFUSED); } catch (x) { /* not stored */ }
    // Remembered at once (a start that follows at once must not ask again), with the
    // storage offered once the browser says.
    remember({quota: Number(told) || 0});
    if (navigator.storage && navigator.storage.estimate) navigator.storage.estimate().then(remember, function () {});
    function remember(estimate) {
      try { storage.setItem(REFUSED, String(estimate && estimate.quota || 0)); } catch (x) { /* said again next time */ }
    }
    if (told === null) say('Brambix cannot be kept for offline play in this browser: ' + e.data.why + '.', 20000);
  });
  navigator.serviceWorker.startMessages();
  return {
    keep: async function () {
      let refused = null;
      try { refused = storage && storage.getItem(REFUSED); } catch (e) { /* not stored */ }
      if (refused !== null) {
        const estimate = navigator.storage && navigator.storage.estimate ? await navigator.storage.estimate().catch(function () { return {}; }) : {};
        if (stillRefused(refused, estimate.quota)) return;
        try { storage.removeItem(REFUSED); } catch (e) { /* asked again next time too */ }
      }
      navigator.serviceWorker.register('sw.js').then(function (registration) {
        if (keptBy) return registration.update();
      }).catch(function () {});
    },
  };
}
