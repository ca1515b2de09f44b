// The run kept in the tab, and which tab owns it.
//
// A run lives as long as its tab: the game keeps it in the tab's session storage as it
// is played (a snapshot of its state now and then, the frames since, the state's hash),
// and the page hands it back to the game when it loads again in the same tab (a reload,
// a discarded tab shown again, an installed app started again). The New world button
// forgets it.

// The count of the tab that holds a run and the count it took the run on from, as the
// storage all tabs share holds them ("held from time"): null where there is none.
export function sharedCountOf(text) {
  const [held, from] = (text || '').split(' ').map(Number);
  return text ? {held: held || 0, from: from || 0} : null;
}

// Whether another tab took the run on since this tab, at `count`, last kept it: the
// shared count `now` is past this tab's.
export function takenOnElsewhere(count, now) {
  return !!(now && count < now.held);
}

// What a tab does with the run its session storage holds as it loads: `held` whether any
// part of one is there, `elsewhere` whether another tab's page answered for it, `runId`
// and `counted` whether the tab holds the run's name and count, `count` that count, `now`
// the shared count (sharedCountOf). Gives `say`: 'dropped' (a run it holds is
// incomplete), 'copied' (the tab is a copy, and the run stays with the other) or null;
// `forget`: the run's parts are dropped; `newRun`: the tab's world goes on, or begins,
// under a new name.
export function startingRun({held, elsewhere, runId, counted, count, now}) {
  const passed = !elsewhere && takenOnElsewhere(count, now);
  const copy = elsewhere || passed && count !== now.from;
  // A run counted elsewhere but not here lost its count (a run of an earlier version has neither).
  const incomplete = !runId || !!now && !counted;
  const say = held && incomplete && !elsewhere ? 'dropped' : held && copy ? 'copied' : null;
  return {say: say, forget: !!(copy || incomplete), newRun: !!(copy || incomplete || passed)};
}

export function keepRunInTab() {
  if (!window.Module || new URLSearchParams(location.search).has('replay')) return;
  const PREFIX = 'brambix.run.', DIR = '/kept', PARTS = ['snapshot', 'frames', 'hash'];
  let storage = null;
  try { storage = window.sessionStorage; } catch (e) { /* refused: the run is not kept */ }
  let keeping = true, snapshotStored = -1;
  const notice = document.getElementById('run-notice');
  function showRunNotice(text) {
    document.getElementById('run-notice-text').textContent = text;
    notice.hidden = false;
  }
  document.getElementById('run-notice-close').addEventListener('click', function () {
    notice.hidden = true;
    document.getElementById('canvas').focus();
  });
  function toBase64(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }
  function fromBase64(text) {
    try {
      const bytes = atob(text);
      return Uint8Array.from(bytes, function (c) { return c.charCodeAt(0); });
    } catch (e) {
      return new TextEncoder().encode(text);  // not base64: the game finds it damaged
    }
  }
  function forget() {
    for (const part of PARTS) {
      try { storage.removeItem(PREFIX + part); } catch (e) { /* nothing to forget */ }
    }
  }
  // A browser copies a tab's session storage into a tab duplicated from it or opened by
  // it: the run there belongs to the tab it came from, which keeps it, and the new tab
  // starts a new world of its own. While the first tab's page lives it answers for the
  // run on a channel. Once its page is gone (discarded, left for another page, held in
  // the back-forward cache) a count tells them apart: each time a tab keeps the run, and
  // when it takes the run on loading, it counts one more in its own session storage and
  // then in the storage all tabs share. A copy holds the count from when it was made,
  // which the first tab passed when it last kept its run (at the latest on leaving the
  // page or hiding it): a count below the shared one is a copy. A reload, or a discarded
  // tab shown again, holds the shared count itself. Only a copy made after the first
  // tab's page was gone holds the same count: the two cannot be told apart, so the first
  // to load takes the run on, and the other, finding that the run was taken on from
  // exactly its own count, keeps its world as a run of its own. Neither loses anything.
  const OWNER_WAIT_MS = 200;
  const SHARED = 'brambix.runs.', FORGET_SHARED_MS = 90 * 86400000;
  let shared = null;
  try { shared = window.localStorage; } catch (e) { /* refused: the channel alone tells */ }
  let runId = null, count = 0, base = 0, counted = false;
  try {
    runId = storage.getItem(PREFIX + 'id');
    counted = storage.getItem(PREFIX + 'count') !== null;
    count = parseInt(storage.getItem(PREFIX + 'count'), 10) || 0;
  } catch (e) { /* no storage */ }
  const owners = window.BroadcastChannel ? new BroadcastChannel('brambix-runs') : null;
  function newRunId() {
    runId = Date.now().toString(36) + Math.random().toString(36).slice(2);
    count = 0;
    try { storage.setItem(PREFIX + 'id', runId); } catch (e) { /* said when the run is kept */ }
  }
  // The count of the tab that holds the run now, and the count it took the run on from.
  function sharedCount() {
    let text = null;
    try { text = shared && shared.getItem(SHARED + runId); } catch (e) { /* not shared */ }
    return sharedCountOf(text);
  }
  // One more keeping: in this tab first, so that the shared count is never ahead of its own.
  function countKept() {
    count += 1;
    storage.setItem(PREFIX + 'count', String(count));
    try { shared.setItem(SHARED + runId, count + ' ' + base + ' ' + Date.now()); } catch (e) { /* not shared */ }
  }
  // The counts of runs whose tabs are long gone are dropped.
  try {
    for (const key of Object.keys(shared || {})) {
      const at = key.startsWith(SHARED) && Number(shared.getItem(key).split(' ')[2]);
      if (at && Date.now() - at > FORGET_SHARED_MS) shared.removeItem(key);
    }
  } catch (e) { /* kept a while longer */ }
  if (owners) {
    owners.onmessage = function (e) {
      if (e.data && e.data.whose === runId) owners.postMessage({mine: runId});
    };
  }
  function ownedElsewhere(done) {
    if (!owners || !runId) return done(false);
    const asked = runId;
    const timer = setTimeout(function () { owners.removeEventListener('message', answer); done(false); }, OWNER_WAIT_MS);
    function answer(e) {
      if (!e.data || e.data.mine !== asked) return;
      clearTimeout(timer);
      owners.removeEventListener('message', answer);
      done(true);
    }
    owners.addEventListener('message', answer);
    owners.postMessage({whose: asked});
  }
  const DROPPED = 'The run kept in this tab could not be brought back: ';
  // Whatever part of a kept run the tab holds goes to the game, which checks it whole.
  Module.preRun = (Module.preRun || []).concat(function () {
    FS.mkdir(DIR);
    addRunDependency('kept-run');
    ownedElsewhere(function (elsewhere) {
      let held = false;
      for (const part of PARTS) {
        try { held = held || storage.getItem(PREFIX + part) !== null; } catch (e) { /* refused */ }
      }
      const start = startingRun({held: held, elsewhere: elsewhere, runId: runId, counted: counted, count: count,
                                 now: sharedCount()});
      if (start.say === 'dropped') {
        showRunNotice(DROPPED + 'it is incomplete: part of it is missing from this tab\'s storage. A new world has begun.');
      } else if (start.say === 'copied') {
        showRunNotice('This tab was copied from another one, which keeps the run: a new world has begun here.');
      }
      if (start.forget) forget();
      if (start.newRun) newRunId();
      base = count;
      try { countKept(); } catch (e) { /* said when the run is kept */ }
      for (const part of PARTS) {
        let text = null;
        try { text = storage && storage.getItem(PREFIX + part); } catch (e) { /* refused */ }
        if (text !== null) FS.writeFile(DIR + '/' + part, fromBase64(text));
      }
      removeRunDependency('kept-run');
    });
  });
  // Called by the game at least once a second, and when the page is hidden or left.
  Module.keepRun = function (snapshots) {
    if (!keeping) return;
    try {
      if (!storage) throw new Error('the browser gives this page no storage');
      if (snapshots !== snapshotStored) {
        storage.setItem(PREFIX + 'snapshot', toBase64(FS.readFile(DIR + '/snapshot')));
        snapshotStored = snapshots;
      }
      storage.setItem(PREFIX + 'frames', toBase64(FS.readFile(DIR + '/frames')));
      storage.setItem(PREFIX + 'hash', toBase64(FS.readFile(DIR + '/hash')));
      // Another tab took the run on while this page was away (held in the back-forward
      // cache): this world goes on as a run of its own.
      const now = sharedCount();
      if (takenOnElsewhere(count, now)) {
        newRunId();
        base = 0;
      }
      countKept();
    } catch (e) {
      keeping = false;
      forget();
      showRunNotice('This run cannot be kept in this tab (' + (e.name === 'QuotaExceededError' ?
        'the browser\'s storage for this page is full' : 'the browser refused to store it') +
        '): a reload will start a new world.');
    }
    newWorld.hidden = false;
    placeNewWorld();
  };
  Module.showRunNotice = showRunNotice;
  // Coming back takes a moment: a progress bar once it has taken half a second.
  Module.restoreProgress = function (done, elapsedMs) {
    const panel = document.getElementById('status');
    if (done >= 1) {
      Module.restoreMs = elapsedMs;
      panel.style.display = 'none';
    } else if (elapsedMs > 500) {
      newWorld.hidden = false;  // a player who would rather not wait starts afresh
      placeNewWorld();
      document.getElementById('status-text').textContent = 'Bringing your world back… ' + Math.round(100 * done) + ' %';
      document.getElementById('progress').max = 1;
      document.getElementById('progress').value = done;
      panel.style.display = 'block';
    }
  };
  function keepNow() {
    if (keeping && Module._brambixKeepRun) Module._brambixKeepRun();
  }
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') keepNow();
  });
  window.addEventListener('pagehide', keepNow);

  // New world, beside the Fullscreen button (in its place where there is none), asks first.
  const newWorld = document.getElementById('new-world');
  const confirmPanel = document.getElementById('new-world-confirm');
  function placeNewWorld() {
    const fullscreen = document.getElementById('fullscreen');
    // A fixed element has no offsetParent: whether it is laid out shows in its boxes.
    const shown = !fullscreen.hidden && fullscreen.getClientRects().length > 0;
    newWorld.style.right = (shown ? fullscreen.offsetWidth + 16 : 8) + 'px';
  }
  window.addEventListener('resize', placeNewWorld);
  newWorld.addEventListener('click', function () { confirmPanel.hidden = false; });
  document.getElementById('new-world-no').addEventListener('click', function () {
    confirmPanel.hidden = true;
    document.getElementById('canvas').focus();
  });
  document.getElementById('new-world-yes').addEventListener('click', function () {
    keeping = false;
    forget();
    location.reload();
  });
}
