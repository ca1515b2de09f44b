// The Controls panel: the game's controls as the game reports them, rebound by pressing
// the new key or button, the touch hand and hold; kept in the page's local storage under
// brambix.controls as the JSON of a controls file, which the game reads as it starts and
// again whenever the panel changes it.

// The browser's names of keys by position, and SDL's for the same keys.
export const NAMED = {Space: 'Space', Enter: 'Return', Tab: 'Tab', Backspace: 'Backspace', Escape: 'Escape',
  ArrowUp: 'Up', ArrowDown: 'Down', ArrowLeft: 'Left', ArrowRight: 'Right', ShiftLeft: 'Left Shift',
  ShiftRight: 'Right Shift', ControlLeft: 'Left Ctrl', ControlRight: 'Right Ctrl', AltLeft: 'Left Alt',
  AltRight: 'Right Alt', Minus: '-', Equal: '=', BracketLeft: '[', BracketRight: ']', Semicolon: ';',
  Quote: "'", Backquote: '`', Backslash: '\\', Comma: ',', Period: '.', Slash: '/', Insert: 'Insert',
  Delete: 'Delete', Home: 'Home', End: 'End', PageUp: 'PageUp', PageDown: 'PageDown',
  NumpadEnter: 'Keypad Enter', NumpadAdd: 'Keypad +', NumpadSubtract: 'Keypad -',
  NumpadMultiply: 'Keypad *', NumpadDivide: 'Keypad /', NumpadDecimal: 'Keypad .'};
export function sdlName(code) {
  let m;
  if ((m = /^Key([A-Z])$/.exec(code))) return m[1];
  if ((m = /^Digit([0-9])$/.exec(code))) return m[1];
  if ((m = /^Numpad([0-9])$/.exec(code))) return 'Keypad ' + m[1];
  if (/^F([1-9]|1[0-2])$/.test(code)) return code;
  return NAMED[code] || null;
}
export function codeOf(name) {
  for (let c = 65; c <= 90; c++) if (name.toUpperCase() === String.fromCharCode(c)) return 'Key' + name.toUpperCase();
  if (/^[0-9]$/.test(name)) return 'Digit' + name;
  let m;
  if ((m = /^Keypad ([0-9])$/i.exec(name))) return 'Numpad' + m[1];
  if (/^F([1-9]|1[0-2])$/i.test(name)) return name.toUpperCase();
  for (const code in NAMED) if (NAMED[code].toLowerCase() === name.toLowerCase()) return code;
  return null;
}

export function controlsPanel() {
  if (!window.Module || new URLSearchParams(location.search).has('replay')) return;
  const KEY = 'brambix.controls', DIR = '/home/web_user/.config/brambix', FILE = DIR + '/controls.json';
  let storage = null;
  try { storage = window.localStorage; } catch (e) { /* refused: the controls last as long as the page */ }
  function stored() {
    try { return storage && storage.getItem(KEY); } catch (e) { return null; }
  }
  Module.preRun = (Module.preRun || []).concat(function () {
    const text = stored();
    if (text !== null) {
      FS.mkdirTree(DIR);
      FS.writeFile(FILE, text);
    }
  });
  const MOUSE = ['Mouse Left', 'Mouse Middle', 'Mouse Right'];
  const button = document.getElementById('controls-button');
  const panel = document.getElementById('controls-panel');
  const table = document.getElementById('controls-table');
  const hand = document.getElementById('controls-hand');
  const hold = document.getElementById('controls-hold');
  let told = null;  // what the game said: the controls in use, the defaults, what each takes

  // The game plays by `controls` from now on, and keeps them for the next start.
  function use(controls) {
    const text = controls === null ? null : JSON.stringify(controls);
    try {
      if (text === null) storage && storage.removeItem(KEY);
      else storage && storage.setItem(KEY, text);
    } catch (e) { /* full or refused: they last as long as the page */ }
    FS.mkdirTree(DIR);
    if (text === null) {
      try { FS.unlink(FILE); } catch (e) { /* none there */ }
    } else {
      FS.writeFile(FILE, text);
    }
    Module._brambixReadControls();
  }
  function show() {
    table.textContent = '';
    for (const name in told.in_use) {
      if (!Array.isArray(told.in_use[name])) continue;
      const row = table.insertRow();
      row.insertCell().textContent = name.replace('_', ' ');
      const b = document.createElement('button');
      b.type = 'button';
      b.dataset.control = name;
      b.textContent = told.in_use[name].join(', ');
      b.addEventListener('click', function () { rebind(b, name); });
      row.insertCell().appendChild(b);
    }
    hand.value = told.in_use.hand;
    hold.min = told.hold_least;
    hold.max = told.hold_most;
    hold.value = told.in_use.hold_ms;
    document.getElementById('controls-hold-text').textContent = hold.value + ' ms';
    window.brambixBoundCodes = new Set();
    window.brambixFullscreenCodes = new Set();
    for (const name in told.in_use) {
      for (const key of Array.isArray(told.in_use[name]) ? told.in_use[name] : []) {
        const code = codeOf(key);
        if (code) (name === 'fullscreen' ? window.brambixFullscreenCodes : window.brambixBoundCodes).add(code);
      }
    }
  }
  // The next key or mouse button pressed is the control's only one; Escape leaves it.
  function rebind(b, name) {
    b.classList.add('waiting');
    b.textContent = told.takes[name] === 'buttons' ? 'press a mouse button…' :
      told.takes[name] === 'keys' ? 'press a key…' : 'press a key or mouse button…';
    function done(chosen) {
      window.removeEventListener('keydown', onKey, true);
      window.removeEventListener('mousedown', onMouse, true);
      if (chosen) {
        const controls = Object.assign({}, told.in_use);
        for (const other in controls) {  // a key gives one control
          if (Array.isArray(controls[other])) controls[other] = controls[other].filter(function (k) { return k !== chosen; });
        }
        controls[name] = [chosen];
        use(controls);
      } else {
        show();
      }
    }
    function onKey(e) {
      e.preventDefault();
      e.stopImmediatePropagation();
      if (e.code === 'Escape' || told.takes[name] === 'buttons') return done(null);
      done(sdlName(e.code));
    }
    function onMouse(e) {
      if (e.target === b) return;  // the click that asked
      e.preventDefault();
      e.stopImmediatePropagation();
      done(told.takes[name] === 'keys' ? null : MOUSE[e.button] || null);
    }
    window.addEventListener('keydown', onKey, true);
    window.addEventListener('mousedown', onMouse, true);
  }
  hand.addEventListener('change', function () { use(Object.assign({}, told.in_use, {hand: hand.value})); });
  hold.addEventListener('input', function () {
    document.getElementById('controls-hold-text').textContent = hold.value + ' ms';
  });
  hold.addEventListener('change', function () {
    use(Object.assign({}, told.in_use, {hold_ms: Number(hold.value)}));
  });
  document.getElementById('controls-defaults').addEventListener('click', function () { use(null); });
  document.getElementById('controls-done').addEventListener('click', function () {
    panel.hidden = true;
    document.getElementById('canvas').focus();
  });
  button.addEventListener('click', function () { panel.hidden = !panel.hidden; });
  // Beside New world, left of it (or of Fullscreen, where New world is not shown yet);
  // Recipes left of this button.
  function place() {
    let right = 8;
    for (const id of ['new-world', 'fullscreen']) {
      const other = document.getElementById(id);
      const box = other && !other.hidden && other.getClientRects().length > 0 ? other.getBoundingClientRect() : null;
      if (box) right = Math.max(right, window.innerWidth - box.left + 8);
    }
    button.style.right = right + 'px';
    document.getElementById('recipes-button').style.right = right + button.offsetWidth + 8 + 'px';
  }
  window.addEventListener('resize', place);
  new MutationObserver(place).observe(document.getElementById('new-world'), {attributes: true});
  Module.showControls = function (json) {
    told = JSON.parse(json);
    show();
    button.hidden = false;
    place();
    setTimeout(place, 0);
  };
}
