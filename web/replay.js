// ?replay=URL: instead of starting, the game plays that replay back without a window and
// checks its state; the verdict, naming the URL, shows in the page and on the console.

// The game's own limit for a replay file: a larger one is refused before it fills memory.
export const REPLAY_LIMIT_BYTES = 256 * 1048576;

// Where a replay may come from: only from the page's own server. A link to the page must
// not make a player's browser fetch from other hosts or ports, such as machines on their
// own network. Throws with the reason, else gives the URL whole.
export function replaySource(url, page) {
  let where;
  try {
    where = new URL(url, page);
  } catch (e) {
    throw new Error('not a URL');
  }
  if (where.origin !== new URL(page).origin) {
    throw new Error('refused: a replay is read only from the server of this page, ' + new URL(page).origin);
  }
  return where.href;
}

export function playReplay(loading) {
  const url = new URLSearchParams(location.search).get('replay');
  if (!url || !window.Module) return;
  const PATH = '/replay.brx';
  function show(line, status) {
    const box = document.createElement('div');
    box.id = 'replay-verdict';
    box.className = 'panel';
    box.dataset.status = status;
    box.textContent = line;
    document.body.appendChild(box);
  }
  async function fetchReplay() {
    return (await loading.fetchWhole(replaySource(url, location.href), {limit: REPLAY_LIMIT_BYTES})).bytes;
  }
  const replay = fetchReplay().catch(function (e) {
    const line = url + ': ' + (e.kind === 'large' || !(e instanceof loading.DownloadFault) ? '' : 'could not be downloaded: ') +
      e.message;
    console.error(line);
    show(line, 1);
    return null;
  });
  Module.arguments = ['--replay', PATH, '--verify'];
  Module.replayName = url;
  Module.replayVerdict = show;
  Module.preRun = (Module.preRun || []).concat(function () {
    addRunDependency('replay');
    replay.then(function (bytes) {
      if (!bytes) return;
      FS.writeFile(PATH, new Uint8Array(bytes), {canOwn: true});
      removeRunDependency('replay');
    });
  });
}
