// What the page says: the message in place of the game when it cannot run (with Try
// again where trying again may help), and the notice of the problems the game met while
// starting, which lets it play on.

// The game turns its own exceptions into their text; one that escapes it still reaches
// the browser as a bare number (its address), which would tell a player nothing.
export function stopped(error, text) {
  return 'The game stopped: ' + (typeof error === 'number' ? 'an error inside the game that it did not catch' :
    text || 'a script failed') + '.';
}

// The message panel. `fail(text, detail, title)`: the message in place of the game, once;
// with `title`, one worth trying again (a reload). `detail` defaults to the lines the
// game wrote to its error output (`errorLines`).
export function messagePanel() {
  const errorLines = [];
  let failed = false;
  function fail(text, detail, title) {
    if (failed) return;
    failed = true;
    for (const id of ['status', 'canvas', 'fullscreen', 'notice']) document.getElementById(id).style.display = 'none';
    if (title) document.getElementById('message-title').textContent = title;
    document.getElementById('retry').hidden = !title;
    document.getElementById('message-text').textContent = text;
    document.getElementById('message-detail').textContent = detail === undefined ? errorLines.join('\n') : detail;
    document.getElementById('message').style.display = 'block';
  }
  document.getElementById('retry').addEventListener('click', function () { location.reload(); });
  return {fail: fail, errorLines: errorLines, failed: function () { return failed; }};
}

// The notice of what the game met while starting (a picture, the font or the recipe book
// missing or broken), and of kept copies downloaded again: it plays on, and the player
// learns why something is off. `show(lines)` with the lines to list.
export function startNotice(canvas) {
  const notice = document.getElementById('notice');
  document.getElementById('notice-close').addEventListener('click', function () {
    notice.hidden = true;
    canvas.focus();
  });
  return {
    show: function (lines) {
      document.getElementById('notice-text').textContent = lines.join('\n');
      notice.hidden = false;
    },
  };
}
