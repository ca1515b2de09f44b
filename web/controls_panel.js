// The Controls panel: the game's controls as the game reports them, rebound by pressing
// the new key or button, the touch hand and hold; kept in the page's local storage under
// brambix.controls as the JSON of a controls file, which the game reads as it starts and
// again whenever the panel, or the panel of another open tab, changes it. The panel only
// ever stores controls the game takes as they stand: every control keeps a key or mouse
// button, and none is given to two.

// The browser's names of keys by position, and SDL's for the same keys: every key the
// game is given in a browser, so that the panel takes every key the game's reader takes.
export const NAMED = {Space: 'Space', Enter: 'Return', Tab: 'Tab', Backspace: 'Backspace', Escape: 'Escape',
  ArrowUp: 'Up', ArrowDown: 'Down', ArrowLeft: 'Left', ArrowRight: 'Right', ShiftLeft: 'Left Shift',
  ShiftRight: 'Right Shift', ControlLeft: 'Left Ctrl', ControlRight: 'Right Ctrl', AltLeft: 'Left Alt',
  AltRight: 'Right Alt', MetaLeft: 'Left GUI', MetaRight: 'Right GUI',
  ContextMenu: 'Application', CapsLock: 'CapsLock', NumLock: 'Numlock', ScrollLock: 'ScrollLock',
  Pause: 'Pause', PrintScreen: 'PrintScreen', IntlBackslash: 'NonUSBackslash', IntlRo: 'International 1',
  KanaMode: 'International 2', IntlYen: 'International 3', Convert: 'International 4',
  NonConvert: 'International 5', Lang1: 'Language 1', Lang2: 'Language 2', Help: 'Help',
  Minus: '-', Equal: '=', BracketLeft: '[', BracketRight: ']', Semicolon: ';',
  Quote: "'", Backquote: '`', Backslash: '\\', Comma: ',', Period: '.', Slash: '/', Insert: 'Insert',
  Delete: 'Delete', Home: 'Home', End: 'End', PageUp: 'PageUp', PageDown: 'PageDown',
  NumpadEnter: 'Keypad Enter', NumpadAdd: 'Keypad +', NumpadSubtract: 'Keypad -',
  NumpadMultiply: 'Keypad *', NumpadDivide: 'Keypad /', NumpadDecimal: 'Keypad .', NumpadEqual: 'Keypad =',
  NumpadComma: 'Keypad ,', Power: 'Power', Cut: 'Cut', Copy: 'Copy', Paste: 'Paste', Eject: 'Eject',
  AudioVolumeMute: 'Mute', AudioVolumeUp: 'VolumeUp', AudioVolumeDown: 'VolumeDown',
  MediaTrackNext: 'MediaTrackNext', MediaTrackPrevious: 'MediaTrackPrevious', MediaStop: 'MediaStop',
  MediaPlayPause: 'MediaPlayPause', MediaSelect: 'MediaSelect', BrowserSearch: 'AC Search',
  BrowserHome: 'AC Home', BrowserBack: 'AC Back', BrowserForward: 'AC Forward', BrowserStop: 'AC Stop',
  BrowserRefresh: 'AC Refresh', BrowserFavorites: 'AC Bookmarks'};
export function sdlName(code) {
  let m;
  if ((m = /^Key([A-Z])$/.exec(code))) return m[1];
  if ((m = /^Digit([0-9])$/.exec(code))) return m[1];
  if ((m = /^Numpad([0-9])$/.exec(code))) return 'Keypad ' + m[1];
  if (/^F([1-9]|1[0-9]|2[0-4])$/.test(code)) return code;
  return NAMED[code] || null;
}
// The browser's name of the key SDL names `name` (matched whatever its case, as the
// game's reader does); null for one the page does not know.
export function codeOf(name) {
  const lower = name.toLowerCase();
  if (/^[a-z]$/.test(lower)) return 'Key' + lower.toUpperCase();
  if (/^[0-9]$/.test(lower)) return 'Digit' + lower;
  let m;
  if ((m = /^keypad ([0-9])$/.exec(lower))) return 'Numpad' + m[1];
  if (/^f([1-9]|1[0-9]|2[0-4])$/.test(lower)) return name.toUpperCase();
  for (const code in NAMED) if (NAMED[code].toLowerCase() === lower) return code;
  return null;
}

export const MOUSE = ['Mouse Left', 'Mouse Middle', 'Mouse Right'];
const isPad = function (b) { return /^Pad /i.test(b); };
const isButton = function (b) { return isPad(b) || MOUSE.some(function (m) { return m.toLowerCase() === b.toLowerCase(); }); };
const same = function (a, b) { return a.toLowerCase() === b.toLowerCase(); };
const label = function (name) { return name.replace(/_/g, ' '); };

// Whether the control `name` can be given `b`, by what the game said it takes (`told`:
// the controls in use, the defaults, what each takes and the hold's range).
function takes(told, name, b) {
  return told.takes[name] === 'any' || (told.takes[name] === 'keys') === !isButton(b);
}

// What the game's reader would fault in `controls`, or null: a control changed to have
// no key or mouse button (a pad's alone reaches it for no keyboard player), a binding
// given twice or to a control that cannot take it, a hand or hold out of range.
export function faultOf(told, controls, changed) {
  const given = new Map();
  for (const name in told.takes) {
    const list = controls[name];
    if (!Array.isArray(list) || list.length === 0 ||
        (name in changed && !list.some(function (b) { return !isPad(b); }))) return label(name) + ' would have no key';
    for (const b of list) {
      if (typeof b !== 'string' || !takes(told, name, b)) return label(name) + ' cannot take ' + b;
      if (given.has(b.toLowerCase())) return b + ' would be given to both ' + label(given.get(b.toLowerCase())) + ' and ' + label(name);
      given.set(b.toLowerCase(), name);
    }
  }
  if (controls.hand !== 'left' && controls.hand !== 'right') return 'the hand is neither left nor right';
  const ms = controls.hold_ms;
  if (!Number.isInteger(ms) || ms < told.hold_least || ms > told.hold_most) return 'the hold is out of range';
  return null;
}

// What giving `name` the key or mouse button `chosen` in place of its own (a pad's
// buttons stay) offers: {changes} where no other control has it; else a line to say and
// the choices, each {what, changes}: to swap the two where the other control can take
// `name`'s, to take it where the other keeps a key or mouse button; none, and why not,
// where neither can be.
export function offer(told, name, chosen) {
  if (!takes(told, name, chosen)) {
    return {say: label(name) + (told.takes[name] === 'keys' ? ' takes keys only' : ' takes mouse buttons only') +
      ': it keeps ' + told.in_use[name].join(', ') + '.', choices: []};
  }
  const own = told.in_use[name].filter(function (b) { return !isPad(b); });
  const pads = told.in_use[name].filter(isPad);
  let holder = null;
  for (const other in told.takes) {
    if (other !== name && told.in_use[other].some(function (b) { return same(b, chosen); })) holder = other;
  }
  if (holder === null) return {changes: {[name]: [chosen].concat(pads)}};
  const rest = told.in_use[holder].filter(function (b) { return !same(b, chosen); });
  const keeps = rest.filter(function (b) { return !isPad(b); });
  const choices = [];
  if (own.length > 0 && own.every(function (b) { return takes(told, holder, b); })) {
    choices.push({what: 'Swap: ' + label(holder) + ' takes ' + own.join(', '),
                  changes: {[name]: [chosen].concat(pads), [holder]: own.concat(rest)}});
  }
  if (keeps.length > 0) {
    choices.push({what: 'Take it: ' + label(holder) + ' keeps ' + keeps.join(', '),
                  changes: {[name]: [chosen].concat(pads), [holder]: rest}});
  }
  return {say: choices.length ? chosen + ' is ' + label(holder) + '\u2019s.' :
    chosen + ' is the only key of ' + label(holder) + ', which cannot take ' + own.join(', ') + ' in its place: nothing changed.',
  choices};
}

export function controlsPanel() {
  if (!window.Module || new URLSearchParams(location.search).has('replay')) return;
  const KEY = 'brambix.controls', DIR = '/home/web_user/.config/brambix', FILE = DIR + '/controls.json';
  let storage = null;
  try { storage = window.localStorage; } catch (e) { /* refused: said when the controls change */ }
  function stored() {
    try { return storage && storage.getItem(KEY); } catch (e) { return null; }
  }
  // What this tab last found in the storage: a different text there is another tab's.
  let seen = stored();
  Module.preRun = (Module.preRun || []).concat(function () {
    seen = stored();
    if (seen !== null) {
      FS.mkdirTree(DIR);
      FS.writeFile(FILE, seen);
    }
  });
  const canvas = document.getElementById('canvas');
  const button = document.getElementById('controls-button');
  const panel = document.getElementById('controls-panel');
  const table = document.getElementById('controls-table');
  const hand = document.getElementById('controls-hand');
  const hold = document.getElementById('controls-hold');
  const holdText = document.getElementById('controls-hold-text');
  const say = document.getElementById('controls-say');
  // On a screen touched with fingers, the touch options come first and the keys fold
  // away: a phone is never asked to press a key.
  if (matchMedia('(pointer: coarse)').matches) {
    panel.insertBefore(document.getElementById('controls-touch'), document.getElementById('controls-keys'));
    document.getElementById('controls-keys').open = false;
  }
  let told = null;  // what the game said: the controls in use, the defaults, what each takes
  let waiting = null;  // the wait for a key: {name, end()}

  // One line in the panel, with buttons for its choices: [[text, action], ...].
  function tell(text, choices) {
    say.textContent = text;
    for (const [what, action] of choices || []) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = what;
      b.addEventListener('click', function () { tell(''); action(); });
      say.appendChild(document.createTextNode(' '));
      say.appendChild(b);
    }
    say.hidden = !text;
  }
  // The game plays by the controls file `text` (the defaults for null) from now on.
  function apply(text) {
    FS.mkdirTree(DIR);
    if (text === null) {
      try { FS.unlink(FILE); } catch (e) { /* none there */ }
    } else {
      FS.writeFile(FILE, text);
    }
    Module._brambixReadControls();
  }
  // Takes what another tab kept since this one last looked: its changes are not undone.
  function takeStored() {
    const text = stored();
    if (text === seen || told === null) return;
    seen = text;
    apply(text);
  }
  // Controls kept by an earlier page, or another version's, that the game faulted (said
  // once, in its notice) are kept again as the game read them as it started, so that no
  // later start says the same. (Only then: two versions open in two tabs would otherwise
  // mend each other's without end.)
  function mend() {
    const read = JSON.stringify(told.in_use);
    if (seen !== null && seen !== read) keep(read);
  }
  window.addEventListener('storage', function (e) {
    if (e.key === KEY || e.key === null) takeStored();
  });
  // Keeps the file `text` (the defaults for null) and plays by it.
  function keep(text) {
    let kept = false;
    try {
      if (storage) {
        if (text === null) storage.removeItem(KEY);
        else storage.setItem(KEY, text);
        seen = text;
        kept = true;
      }
    } catch (e) { /* full: said below */ }
    apply(text);
    if (!kept) {
      tell(storage ? 'This browser has no room left to keep the controls: the change lasts until the page is closed.'
                   : 'This browser does not let the page keep the controls: the change lasts until the page is closed.');
    }
  }
  // Changes the controls named in `changes` and no others, over the latest the page kept
  // (another tab's change to another control stays); a change the game would fault is
  // refused and said.
  function change(changes) {
    takeStored();
    const controls = Object.assign({}, told.in_use, changes);
    const fault = faultOf(told, controls, changes);
    if (fault) {
      show();
      tell('Not changed: ' + fault + '.');
      return;
    }
    tell('');
    keep(JSON.stringify(controls));
  }
  function show() {
    if (waiting) waiting.end();
    table.textContent = '';
    for (const name in told.in_use) {
      if (!Array.isArray(told.in_use[name])) continue;
      const row = table.insertRow();
      row.insertCell().textContent = label(name);
      const b = document.createElement('button');
      b.type = 'button';
      b.dataset.control = name;
      b.textContent = told.in_use[name].join(', ');
      b.addEventListener('click', function () { wait(b, name); });
      row.insertCell().appendChild(b);
    }
    hand.value = told.in_use.hand;
    hold.min = told.hold_least;
    hold.max = told.hold_most;
    hold.value = told.in_use.hold_ms;
    holdText.textContent = told.in_use.hold_ms + ' ms';
    window.brambixBoundCodes = new Set();
    window.brambixFullscreenCodes = new Set();
    for (const name in told.in_use) {
      for (const key of Array.isArray(told.in_use[name]) ? told.in_use[name] : []) {
        const code = codeOf(key);
        if (code) (name === 'fullscreen' ? window.brambixFullscreenCodes : window.brambixBoundCodes).add(code);
      }
    }
  }
  // Gives `name` the key or mouse button `chosen`: at once where no other control has
  // it, else as the player chooses.
  function choose(name, chosen) {
    const offered = offer(told, name, chosen);
    if (offered.changes) return change(offered.changes);
    tell(offered.say, offered.choices.map(function (c) { return [c.what, function () { change(c.changes); }]; })
      .concat(offered.choices.length ? [['Keep as it was', function () {}]] : []));
  }
  // The next key pressed, or mouse button clicked on the game, is the control's; a click
  // anywhere else (the panel's own buttons, another row, Done), a touch or Escape keeps
  // it as it was.
  function wait(b, name) {
    if (waiting) waiting.end();
    tell('');
    b.classList.add('waiting');
    b.textContent = told.takes[name] === 'buttons' ? 'click the game with a mouse button…' :
      told.takes[name] === 'keys' ? 'press a key…' : 'press a key, or click the game…';
    function end() {
      waiting = null;
      window.brambixControlsWaiting = false;
      window.removeEventListener('keydown', onKey, true);
      window.removeEventListener('mousedown', onMouse, true);
      window.removeEventListener('touchstart', onTouch, true);
      b.classList.remove('waiting');
      b.textContent = told.in_use[name].join(', ');
    }
    function onKey(e) {
      e.preventDefault();
      e.stopImmediatePropagation();
      if (e.code === 'Escape') return end();
      const chosen = sdlName(e.code);
      if (chosen === null) {
        tell('The game cannot be given that key (' + (e.code || e.key || 'unnamed') + ') in a browser: press another.');
        return;
      }
      end();
      choose(name, chosen);
    }
    function onMouse(e) {
      if (e.target !== canvas) return end();  // the click goes on to what it was for
      e.preventDefault();
      e.stopImmediatePropagation();
      end();
      if (MOUSE[e.button]) choose(name, MOUSE[e.button]);
    }
    function onTouch() { end(); }
    waiting = {name: name, end: end};
    window.brambixControlsWaiting = true;
    window.addEventListener('keydown', onKey, true);
    window.addEventListener('mousedown', onMouse, true);
    window.addEventListener('touchstart', onTouch, true);
  }
  hand.addEventListener('change', function () { change({hand: hand.value}); });
  hold.addEventListener('input', function () { holdText.textContent = hold.value + ' ms'; });
  hold.addEventListener('change', function () { change({hold_ms: Number(hold.value)}); });
  document.getElementById('controls-defaults').addEventListener('click', function () {
    tell('');
    keep(null);
  });
  function close() {
    if (waiting) waiting.end();
    panel.hidden = true;
    button.hidden = false;
    canvas.focus();
  }
  document.getElementById('controls-done').addEventListener('click', close);
  panel.addEventListener('keydown', function (e) {
    if (e.key === 'Escape' && !waiting) close();
  });
  button.addEventListener('click', function () {
    takeStored();
    tell('');
    panel.hidden = false;
    button.hidden = true;  // Done closes it
  });
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
    const first = told === null;
    told = JSON.parse(json);
    show();
    if (first) {
      button.hidden = !panel.hidden;
      place();
      setTimeout(place, 0);
      takeStored();  // another tab's change while this one started
      mend();
    }
  };
}
