// Starting the game: the page's checks that it can run here, the download's progress,
// the game's module (what the game calls on the page), and the game's script run from
// the checked bytes as soon as it and the data are there.
import {handleKeys} from './keys.js';
import {messagePanel, startNotice, stopped} from './notices.js';
import {offlineCopy} from './offline.js';

export function startGame(loading) {
  const canvas = document.getElementById('canvas');
  const statusPanel = document.getElementById('status');
  const statusText = document.getElementById('status-text');
  const progress = document.getElementById('progress');
  const {fail, errorLines, failed} = messagePanel();
  handleKeys(canvas);

  // An error before or while the game runs puts the message in its place.
  window.addEventListener('error', function (e) {
    fail(stopped(e.error, e.message));
  });
  window.addEventListener('unhandledrejection', function (e) {
    fail(stopped(e.reason, e.reason && e.reason.message || String(e.reason)));
  });

  // Opened as a file or where nothing can be unpacked, the head says so: this code never comes.
  if (!loading.webgl) {
    fail('Brambix draws with WebGL, which this browser lacks or has turned off. ' +
         'Turn on hardware acceleration, or try another browser.', '');
    return;
  }

  const got = loading.got;
  loading.onProgress = function () {
    let have = 0, total = 0;
    for (const name in got) {
      have += got[name].have;
      total += got[name].total;
    }
    progress.value = Math.min(have, total);
    progress.max = total || 1;
    statusText.textContent = 'Downloading Brambix… ' + Math.round(total ? 100 * have / total : 0) + ' %';
  };
  loading.onProgress();

  const notice = startNotice(canvas);
  const offline = offlineCopy(function (text, ms) {
    const line = document.getElementById('update');
    line.textContent = text;
    line.hidden = false;
    if (ms) setTimeout(function () { line.hidden = true; }, ms);
  });

  window.Module = {
    canvas: canvas,
    print: function (line) { console.log(line); },
    printErr: function (line) { errorLines.push(line); console.error(line); },
    setStatus: function (text) {
      if (failed()) return;
      if (text) statusText.textContent = text;
      statusPanel.style.display = text ? 'block' : 'none';
    },
    onAbort: function (what) {
      fail(stopped(what, what));
    },
    // Called by the game when its start-up cannot go on; the reason is in its messages.
    startFailed: function () {
      fail('The game could not start.');
    },
    // Called by the game when an exception stopped it, with the exception's text.
    gameStopped: function (why) {
      fail('The game stopped: ' + why + '.');
    },
    // Called by the game once it runs, with the lines it wrote while starting.
    showNotices: function (text) {
      if (failed() || !(text || loading.keptNotes.length)) return;
      notice.show(loading.keptNotes.concat(text ? [text.replace(/\n+$/, '')] : []));
    },
  };

  // The game's script runs as soon as it and the game's data are checked, while the wasm
  // may still be arriving: a slow phone reads the script meanwhile, not after.
  const scriptRan = Promise.all([loading.each[0], loading.each[2]]).then(function (some) {
    // The wasm was compiled as it arrived; it is instantiated only once its digest held.
    // A wasm that never comes whole is named by the download's failure below.
    Module.instantiateWasm = function (imports, receive) {
      loading.files.then(function (files) {
        files[1].module.then(function (module) {
          return WebAssembly.instantiate(module, imports).then(function (instance) { return [instance, module]; });
        }).then(function (made) {
          receive(made[0], made[1]);
        }, function (e) {
          fail(stopped(e, 'brambix.wasm cannot run here: ' + e.message));
        });
      }, function () {});
      return {};
    };
    Module.getPreloadedPackage = function () { return some[1].bytes.buffer; };
    Module.locateFile = function (path) { return new URL(path, location.href).href; };
    // The script runs from the very bytes whose digest was checked.
    const script = document.createElement('script');
    script.src = URL.createObjectURL(new Blob([some[0].bytes], {type: 'text/javascript'}));
    return new Promise(function (ran) {
      script.onload = ran;
      document.body.appendChild(script);
    });
  });
  scriptRan.catch(function () {});  // said below
  // The game's first picture comes with the animation frame after its start (its main
  // has returned): the copy for the next start is made after that picture, as the service
  // worker asks for every file again, which would slow a phone's start.
  const pictured = new Promise(function (then) {
    Module.postRun = [function () {
      requestAnimationFrame(function () { requestAnimationFrame(then); });
      setTimeout(then, 1000);  // a page in a background tab draws no frames
    }];
  });
  loading.files.then(function () {
    statusText.textContent = 'Starting Brambix…';
    Module.showNotices('');
    // Kept for the next start once nothing of this one is still downloading.
    pictured.then(offline.keep);
  }, function (e) {
    if (e instanceof loading.Incomplete) {
      fail(e.message, '', 'Brambix did not download completely');
    } else {
      fail(e.message + '. Check that every file of the game is on the server.', '');
    }
  });
}
