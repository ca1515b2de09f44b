// The page's downloads, their checks and their unpacking, as the service worker shares
// them: what a server that stalls, cuts, changes or packs twice gets from the page.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {DownloadFault, collect, downloadStream} from '../../../web/download.js';
import {DIGEST_HEADER, Incomplete, checked, keptResponse, startLoading} from '../../../web/game_files.js';
import {unpacked} from '../../../web/inflate.js';
import {bomb, chunked, described, gzip, server} from './streams.mjs';

const STALL = 100;  // ms: nothing arrives at all in the stalled cases, so any bound names them
// Bytes that do not pack small, so that a packed file comes in several chunks.
let seed = 1;
const DATA = new Uint8Array(200000).map(() => {
  seed ^= seed << 13;
  seed ^= seed >>> 17;
  seed ^= seed << 5;
  return seed & 255;
});

async function fault(promise) {
  try {
    await promise;
  } catch (e) {
    return e;
  }
  assert.fail('it was taken');
}

test('a download ends: stalled, cut, dropped, refused, too large, or whole', async () => {
  const packed = gzip(DATA), parts = chunked(packed);
  const length = {'Content-Length': String(packed.length)};
  const cases = [
    // [what the server does, the fault's kind (null: the bytes arrive whole), words]
    [server([], {end: 'hold'}), 'stalled', 'nothing arrived for 0.1 s'],
    [server(parts.slice(0, 2), {end: 'hold', headers: length}), 'stalled', 'nothing more arrived for 0.1 s after 32768 of'],
    [server(parts.slice(0, 2), {headers: length}), 'closed', 'closed before the end (after 32768 of'],
    [server(parts.slice(0, 2), {end: 'error'}), 'closed', 'closed before the end (after 32768 bytes)'],
    [server([], {status: 503}), 'answered', 'the server answered 503'],
    [server(parts, {headers: {'Content-Length': '99999999'}}), 'large', 'the server announces 99999999 bytes'],
    [server(chunked(new Uint8Array(3 << 20))), 'large', 'more than that arrived'],
    // A server that answers every path with its page; one that marks a file packed that is not.
    [server([new TextEncoder().encode('<!doctype html>')], {headers: {'Content-Type': 'text/html; charset=utf-8'}}),
     'page', 'the server sent a web page instead of the file'],
    [server([], {end: 'error', headers: {'Content-Encoding': 'gzip'}}), 'encoding',
     'the server marks the file packed (Content-Encoding: gzip) but it is not'],
    [server([], {headers: {'Content-Encoding': 'gzip', 'Content-Length': '900'}}), 'encoding', 'but it is not'],
    // A byte at a time: named once the pace shows the rest would take too long.
    [server(parts.slice(0, 1), {end: 'drip', dripMs: 30, headers: length}), 'slow',
     'bytes arrived in 0.2 s (16'],
    // A body inflated by the browser on the way ends short of the announced length.
    [server(parts.slice(0, 2), {headers: {...length, 'Content-Encoding': 'gzip'}}), null, ''],
    [server(parts, {headers: length}), null, ''],
  ];
  for (const [fetch, kind, words] of cases) {
    const stream = downloadStream('brambix.data.gz', {fetch, stallMs: STALL, paceMs: 200, slowestMs: 60000,
                                                      limit: 2 << 20});
    if (kind === null) {
      assert.ok((await collect(stream)).length > 0);
      continue;
    }
    const e = await fault(collect(stream));
    assert.ok(e instanceof DownloadFault, String(e));
    assert.equal(e.kind, kind, e.message);
    assert.ok(e.message.includes(words), `${e.message} lacks "${words}"`);
  }
});

test('a packed file unpacks once, twice (packed again on the way) or not at all (inflated by the browser)', async () => {
  for (const bytes of [DATA, gzip(DATA), gzip(gzip(DATA))]) {
    const out = await collect(await unpacked(new Response(bytes).body));
    assert.deepEqual(out, DATA);
  }
  // A third layer is left packed: the file's size and digest then refuse it.
  const thrice = await collect(await unpacked(new Response(gzip(gzip(gzip(DATA)))).body));
  assert.notDeepEqual(thrice, DATA);
});

test('a file is used only as the build described it', async () => {
  const want = await described('brambix.data', DATA);
  const changed = DATA.slice();
  changed[1000] ^= 1;
  const cases = [
    [gzip(DATA), null],
    [gzip(gzip(DATA)), null],
    [gzip(changed), 'its contents differ from this version\'s'],
    [gzip(DATA.subarray(0, 100)), '100 of 200000 bytes arrived'],
    [gzip(new Uint8Array([...DATA, 1])), 'it unpacks to more than 200000 bytes'],
    [gzip(DATA).subarray(0, 5000), 'it cannot be unpacked'],
    [gzip(gzip(gzip(DATA))), 'it unpacks to more than'],
  ];
  for (const [body, words] of cases) {
    const result = checked('brambix.data', want, await unpacked(new Response(body).body));
    if (words === null) {
      assert.deepEqual((await result).bytes, DATA);
      continue;
    }
    const e = await fault(result);
    assert.ok(e instanceof Incomplete, String(e));
    assert.ok(e.message.includes('brambix.data was incomplete, or the file was changed on the server'), e.message);
    assert.ok(e.message.includes(words), `${e.message} lacks "${words}"`);
  }
});

test('a gzip bomb is refused one chunk past the file\'s length, on every branch, once or twice packed', async () => {
  const size = 200000;
  // The wasm's compiling branch, as a browser compiles it: reading all it is given.
  const compile = WebAssembly.compileStreaming;
  let compiled = null;
  WebAssembly.compileStreaming = async response => {
    const reader = response.body.getReader();
    compiled = {read: 0, ended: 'no'};
    try {
      for (let chunk; !(chunk = await reader.read()).done;) compiled.read += chunk.value.length;
      compiled.ended = 'whole';
    } catch (e) {
      compiled.ended = 'refused';
    }
    throw new WebAssembly.CompileError('not a module');
  };
  try {
    for (const [name, packed] of [['brambix.wasm', await bomb(1 << 30)], ['brambix.data', await bomb(64 << 20, 2)]]) {
      const want = {size, sha256: '0'.repeat(64), packed: name + '.gz', packedSize: packed.length};
      const e = await fault(checked(name, want, await unpacked(downloadStream(want.packed, {fetch: server(chunked(packed))}))));
      assert.ok(e instanceof Incomplete && e.message.includes('it unpacks to more than 200000 bytes'), e.message);
    }
    assert.equal(compiled.ended, 'refused');
    assert.ok(compiled.read <= size + (1 << 20), `the compiling branch read ${compiled.read} bytes`);
  } finally {
    WebAssembly.compileStreaming = compile;
  }
});

test('the game\'s files: a kept copy damaged is said and mended, another version\'s replaced, a good one used', async () => {
  const files = {};
  const wasm = new Uint8Array([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]);  // a module with nothing in it
  const bytes = {'brambix.js': DATA.subarray(0, 5000), 'brambix.wasm': wasm, 'brambix.data': DATA};
  for (const name in bytes) files[name] = await described(name, bytes[name]);
  const fromServer = name => server(chunked(gzip(bytes[name.replace('.gz', '')])));
  const damaged = bytes['brambix.data'].slice();
  damaged[7] ^= 1;
  const older = keptResponse('brambix.js', {...files['brambix.js'], sha256: 'f'.repeat(64)}, DATA.subarray(0, 4000));
  const kept = {
    'brambix.js': older,
    'brambix.wasm': new Response(wasm, {headers: {'Content-Type': 'application/wasm'}}),  // kept by an earlier page: no digest named
    'brambix.data': keptResponse('brambix.data', files['brambix.data'], damaged),
  };
  const mended = [];
  const loading = startLoading(files, {
    kept: true,
    findKept: async name => kept[name],
    mend: (name, want, good) => mended.push([name, good]),
    download: (url, options) => downloadStream(url, {...options, fetch: fromServer(url), stallMs: STALL}),
  });
  const got = await loading.files;
  assert.deepEqual(got.map(file => file.bytes), Object.values(bytes));
  assert.deepEqual(got.map(file => !!file.kept), [false, true, false]);
  assert.ok((await got[1].module) instanceof WebAssembly.Module);
  assert.deepEqual(loading.keptNotes, [
    'brambix.js: the copy kept on this device was of another version of Brambix; this version\'s was downloaded, and replaces it',
    'brambix.data: the copy kept on this device was damaged (its contents differ from this version\'s); downloaded again, and put back']);
  assert.deepEqual(mended, [['brambix.data', DATA]]);
  assert.equal(kept['brambix.data'].headers.get(DIGEST_HEADER), files['brambix.data'].sha256);
});

test('the game\'s files: a failed download names its file, and says to try again where that may help', async () => {
  const files = {};
  for (const name of ['brambix.js', 'brambix.wasm', 'brambix.data']) files[name] = await described(name, DATA);
  const good = () => server(chunked(gzip(DATA)));
  for (const [answer, words] of [
    [server([], {end: 'hold'}), 'The download of brambix.js was incomplete: nothing arrived for 0.1 s. Try again.'],
    [server([], {end: 'error'}), 'The download of brambix.js was incomplete: the connection closed before the end. Try again.'],
    [server([], {status: 404}), 'brambix.js could not be downloaded: the server answered 404 '],
    [server([new TextEncoder().encode('<html>')], {headers: {'Content-Type': 'text/html'}}),
     'brambix.js could not be downloaded: the server sent a web page instead of the game\'s file'],
  ]) {
    const failing = startLoading(files, {
      download: (url, options) => downloadStream(url, {...options, stallMs: STALL, fetch: url === 'brambix.js.gz' ? answer : good()}),
    });
    assert.equal((await fault(failing.files)).message, words);
    await Promise.allSettled(failing.each);
  }
});

test('the page\'s own code: asked for first, checked as the game\'s files are, and never among them', async () => {
  const bytes = {'page.js': DATA.subarray(0, 3000), 'brambix.js': DATA.subarray(3000, 5000),
                 'brambix.wasm': new Uint8Array([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]), 'brambix.data': DATA};
  const files = {};
  for (const name in bytes) files[name] = await described(name, bytes[name]);
  const asked = [];
  const serve = changedPage => (url, options) => {
    asked.push(url);
    const sent = bytes[url.replace('.gz', '')].slice();
    if (changedPage && url === 'page.js.gz') sent[9] ^= 1;
    return downloadStream(url, {...options, fetch: server(chunked(gzip(sent))), stallMs: STALL});
  };
  const loading = startLoading(files, {download: serve(false)});
  assert.deepEqual((await loading.page).bytes, bytes['page.js']);
  assert.equal((await loading.files).length, 3);
  assert.equal(asked[0], 'page.js.gz');
  // Where the game cannot run, the page's code alone comes, to say so.
  const alone = startLoading({'page.js': files['page.js']}, {download: serve(false)});
  assert.equal(alone.files, null);
  assert.deepEqual((await alone.page).bytes, bytes['page.js']);
  const e = await fault(startLoading(files, {download: serve(true)}).page);
  assert.ok(e instanceof Incomplete && e.message.startsWith('The download of page.js was incomplete, or the file was changed'),
            e.message);
});
