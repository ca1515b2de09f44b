// Keys, fullscreen and the screen kept awake.

// Keys the game uses must not scroll the page or reach the browser's shortcuts.
export const GAME_KEYS = new Set(['KeyW', 'KeyA', 'KeyS', 'KeyD', 'KeyE', 'Digit1', 'Digit2', 'Digit3',
                                  'Digit4', 'Digit5', 'KeyP', 'F11']);

// The player's controls (the Controls panel) may give fullscreen and the game other keys:
// `fullscreenCodes` and `boundCodes` are the panel's sets where it has made them.
export function isFullscreenKey(e, fullscreenCodes) {
  return (fullscreenCodes || new Set(['F11'])).has(e.code) || (e.code === 'Enter' && e.altKey);
}
// Whether the page keeps a key from the browser (no scrolling, no shortcut).
export function keptFromBrowser(e, boundCodes, fullscreenCodes) {
  return GAME_KEYS.has(e.code) || isFullscreenKey(e, fullscreenCodes) || (boundCodes || GAME_KEYS).has(e.code);
}

// The page's own handling of keys and fullscreen, around the game's `canvas`.
export function handleKeys(canvas) {
  function toggleFullscreen() {
    const root = document.documentElement;
    if (document.fullscreenElement || document.webkitFullscreenElement) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    } else {
      const request = root.requestFullscreen || root.webkitRequestFullscreen;
      if (request) {
        const r = request.call(root);
        if (r && r.catch) r.catch(function () {});
      }
    }
    canvas.focus();
  }
  // Listening on the window before the game does: fullscreen belongs to the page, so
  // the game never sees its keys.
  for (const type of ['keydown', 'keyup']) {
    window.addEventListener(type, function (e) {
      if (window.brambixControlsWaiting) return;  // the Controls panel takes the key
      if (keptFromBrowser(e, window.brambixBoundCodes, window.brambixFullscreenCodes)) e.preventDefault();
      if (isFullscreenKey(e, window.brambixFullscreenCodes)) {
        e.stopImmediatePropagation();
        if (type === 'keydown' && !e.repeat) toggleFullscreen();
      }
    }, true);
  }
  // iPhones have no Fullscreen API: no button that does nothing.
  const fullscreenButton = document.getElementById('fullscreen');
  fullscreenButton.hidden = !(document.fullscreenEnabled || document.webkitFullscreenEnabled);
  fullscreenButton.addEventListener('click', toggleFullscreen);
  // To the game, fullscreen is the window growing: it follows the canvas's size on every
  // resize. Told of fullscreen as well, SDL would keep the fullscreen size afterwards.
  for (const type of ['fullscreenchange', 'webkitfullscreenchange']) {
    window.addEventListener(type, function (e) { e.stopImmediatePropagation(); }, true);
  }
  // A right click places blocks: no context menu over the game.
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  // Safari zooms on a pinch whatever the viewport says.
  document.addEventListener('gesturestart', function (e) { e.preventDefault(); });
  canvas.addEventListener('mousedown', function () { canvas.focus(); });
  // The page's code arrives packed, perhaps once the window has loaded.
  if (document.readyState === 'complete') canvas.focus(); else window.addEventListener('load', function () { canvas.focus(); });
}

// Played with keys or a pad, a phone or tablet sees no touches and would dim its screen
// and lock: from the first key or pad press the page holds the screen awake. The browser
// lets go when the page is hidden; shown again, the page takes it back. Where the browser
// has no Screen Wake Lock, or refuses it (a saving mode), nothing happens.
export function keepScreenAwake() {
  if (!navigator.wakeLock || new URLSearchParams(location.search).has('replay')) return;
  let playing = false, lock = null, asking = false;
  async function keepAwake() {
    if (!playing || lock || asking || document.visibilityState !== 'visible') return;
    asking = true;
    try {
      lock = await navigator.wakeLock.request('screen');
      lock.addEventListener('release', function () { lock = null; keepAwake(); });
    } catch (e) {
      lock = null;  // refused: the screen dims as the system decides
    } finally {
      asking = false;
    }
  }
  function played() {
    playing = true;
    keepAwake();
  }
  window.addEventListener('keydown', played, true);
  // A browser makes a pad known at its first press.
  window.addEventListener('gamepadconnected', played);
  document.addEventListener('visibilitychange', keepAwake);
}
