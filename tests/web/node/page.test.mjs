// The page's rules that need no browser: which tab keeps a run, and the keys the page
// and its Controls panel know against the game's controls table.
import assert from 'node:assert/strict';
import {readFileSync} from 'node:fs';
import {test} from 'node:test';

import {NAMED, codeOf, sdlName} from '../../../web/controls_panel.js';
import {GAME_KEYS, keptFromBrowser} from '../../../web/keys.js';
import {sharedCountOf, startingRun, takenOnElsewhere} from '../../../web/kept_run.js';

test('a loading tab keeps its run, or leaves it to the tab that owns it', () => {
  const id = 'r1';
  // [what the tab holds and finds, what it says, forgets, whether its world goes on under a new name]
  const rows = [
    ['a reload: the shared count is its own', {held: true, runId: id, counted: true, count: 5, now: {held: 5, from: 1}}, null, false, false],
    ['nothing kept yet', {held: false, runId: null, counted: false, count: 0, now: null}, null, true, true],
    ['a run of an earlier version: no count anywhere', {held: true, runId: id, counted: false, count: 0, now: null}, null, false, false],
    ['the tab that owns it answers', {held: true, elsewhere: true, runId: id, counted: true, count: 5, now: {held: 9, from: 1}}, 'copied', true, true],
    ['a copy made before the other tab kept it again', {held: true, runId: id, counted: true, count: 3, now: {held: 7, from: 1}}, 'copied', true, true],
    ['a copy made after the other tab left, loading second', {held: true, runId: id, counted: true, count: 5, now: {held: 6, from: 5}}, null, false, true],
    ['its name is lost', {held: true, runId: null, counted: true, count: 5, now: null}, 'dropped', true, true],
    ['its count is lost while the shared one is there', {held: true, runId: id, counted: false, count: 0, now: {held: 4, from: 0}}, 'dropped', true, true],
    ['a copy without parts of a run says nothing', {held: false, elsewhere: true, runId: id, counted: true, count: 5, now: null}, null, true, true],
  ];
  for (const [what, tab, say, forget, newRun] of rows) {
    assert.deepEqual(startingRun({elsewhere: false, ...tab}), {say, forget, newRun}, what);
  }
});

test('the shared count reads as it is written, and a count behind it was taken on elsewhere', () => {
  assert.deepEqual(sharedCountOf('12 7 1733700000000'), {held: 12, from: 7});
  assert.deepEqual(sharedCountOf('garbage'), {held: 0, from: 0});
  assert.equal(sharedCountOf(null), null);
  assert.equal(takenOnElsewhere(11, sharedCountOf('12 7 0')), true);
  assert.equal(takenOnElsewhere(12, sharedCountOf('12 7 0')), false);
  assert.equal(takenOnElsewhere(3, null), false);
});

// The default keys of the controls table (src/controls/controls.h), as the game names them.
function defaultKeys() {
  const header = readFileSync(new URL('../../../src/controls/controls.h', import.meta.url), 'utf8');
  const table = header.slice(header.indexOf('CONTROL_ROWS[ACTION_COUNT] = {'), header.indexOf('};', header.indexOf('CONTROL_ROWS')));
  const rows = [...table.matchAll(/\{"(\w+)",\s*\{([^}]*)\}/g)];
  assert.ok(rows.length >= 10, 'the controls table is where it was');
  return rows.map(([, action, keys]) => [action, [...keys.matchAll(/"([^"]+)"/g)].map(m => m[1])
    .filter(name => !/^(Mouse|Pad) /.test(name))]);
}

test('the panel names every key as the game does, one name a key, both ways', () => {
  const codes = [...'ABCDEFGHIJKLMNOPQRSTUVWXYZ'].map(c => 'Key' + c)
    .concat([...'0123456789'].flatMap(d => ['Digit' + d, 'Numpad' + d]))
    .concat(Array.from({length: 12}, (_, i) => 'F' + (i + 1)), Object.keys(NAMED));
  const names = new Map();
  for (const code of codes) {
    const name = sdlName(code);
    assert.ok(name, code + ' has no name');
    assert.equal(codeOf(name), code, `${code} is named ${name}, which the panel reads back as ${codeOf(name)}`);
    // The game's controls reader matches names whatever their case.
    assert.ok(!names.has(name.toLowerCase()), `${code} and ${names.get(name.toLowerCase())} are both ${name}`);
    names.set(name.toLowerCase(), code);
  }
  assert.equal(sdlName('Lang1'), null);
  for (const [action, keys] of defaultKeys()) {
    for (const key of keys) assert.ok(codeOf(key), `${action}'s default key ${key} is unknown to the panel`);
  }
});

test('the page keeps the default keys from the browser, and keeps no other before the panel speaks', () => {
  const defaults = new Set(defaultKeys().flatMap(([, keys]) => keys).map(codeOf));
  assert.deepEqual(new Set(GAME_KEYS), defaults);
  for (const code of defaults) assert.ok(keptFromBrowser({code}), code);
  assert.ok(keptFromBrowser({code: 'Enter', altKey: true}));
  assert.ok(!keptFromBrowser({code: 'KeyQ'}));
  // Keys the panel binds are kept too.
  assert.ok(keptFromBrowser({code: 'KeyQ'}, new Set(['KeyQ'])));
});
