// The page's side of the copy kept for offline play: the service worker (service_worker.js)
// keeps this version's files for the next start. A newer version on the server is looked
// for beside play and kept in its turn (it takes charge as soon as it is kept, perhaps
// before the game has started); the next start plays it, and the page says so.

// Call at once; then `keep()` once nothing of this start is still downloading.
export function offlineCopy() {
  const keptBy = 'serviceWorker' in navigator && navigator.serviceWorker.controller;
  if (keptBy) {
    navigator.serviceWorker.addEventListener('controllerchange', function () {
      document.getElementById('update').hidden = false;
    });
  }
  return {
    keep: function () {
      if (!('serviceWorker' in navigator)) return;
      navigator.serviceWorker.register('sw.js').then(function (registration) {
        if (keptBy) return registration.update();
      }).catch(function () {});
    },
  };
}
