// The game's three files, fetched and checked. The build packs each with gzip and writes
// in the size and SHA-256 digest of what it unpacks to, and the packed file's name and
// size. A file that differs is never used: cut short on the way, or changed on the
// server while it downloaded, it would start a game with pictures missing. (The digest
// needs a secure context, as on https and on this machine's own address; elsewhere the
// size is checked alone.)
import {DownloadFault, collect, downloadStream, limited} from './download.js';
import {canDigest, sha256Hex} from './digest.js';
import {unpacked} from './inflate.js';

// A download that did not come whole: worth trying again. `reason`: what was wrong,
// short, for the notice when a kept copy was damaged.
export class Incomplete {
  constructor(message, reason) {
    this.message = message;
    this.reason = reason;
  }
}

export function changed(name, detail) {
  return new Incomplete('The download of ' + name + ' was incomplete, or the file was changed on the server ' +
                        'while it downloaded (' + detail + '). Try again; if that keeps happening, the files on ' +
                        'the server are not all from the same version of Brambix.', detail);
}

// The game's files are kept as they run, unpacked, with the type the page compiles by and
// the digest they were checked by: a copy names the version it is of.
export const DIGEST_HEADER = 'X-Brambix-SHA256';
const TYPES = {'.js': 'text/javascript', '.wasm': 'application/wasm', '.data': 'application/octet-stream'};
export function keptResponse(name, want, bytes, type) {
  const headers = {[DIGEST_HEADER]: want.sha256};
  type = want.packed ? TYPES[name.slice(name.lastIndexOf('.'))] : type;
  if (type) headers['Content-Type'] = type;
  return new Response(bytes, {headers: headers});
}

// What is wrong with `bytes` as the file `want` ({size, sha256}) describes: '' when nothing.
export async function mismatch(want, bytes) {
  if (bytes.byteLength !== want.size) return bytes.byteLength + ' of ' + want.size + ' bytes arrived';
  return canDigest() && await sha256Hex(bytes) !== want.sha256 ? 'its contents differ from this version\'s' : '';
}

// The file `name` ({size, sha256} in `want`), its bytes checked, from `stream`; the wasm
// is compiled as they arrive (from `response` where it is the kept copy itself, so that
// the browser can keep the compiled code), and `module` is the compiled module once the
// digest holds.
export async function checked(name, want, stream, response) {
  let compiled = null;
  // Refused one chunk past its length on every branch: the compiling one too.
  stream = limited(stream, want.size);
  if (name.endsWith('.wasm') && WebAssembly.compileStreaming) {
    if (!response) {
      let forCompiling;
      [forCompiling, stream] = stream.tee();
      response = new Response(forCompiling, {headers: {'Content-Type': 'application/wasm'}});
    }
    compiled = WebAssembly.compileStreaming(response);
    compiled.catch(function () {});  // a file that differs is named by its digest instead
  }
  let bytes;
  try {
    bytes = await collect(stream, want.size);
  } catch (e) {
    // Inflating a file cut short or changed fails, as does one unpacking to more bytes.
    if (e instanceof DownloadFault && e.kind !== 'large') throw e;
    throw changed(name, e.kind === 'large' ? 'it unpacks to more than ' + want.size + ' bytes' :
                  'it cannot be unpacked: ' + e.message);
  }
  const detail = await mismatch(want, bytes);
  if (detail) throw changed(name, detail);
  return {bytes: bytes, module: compiled || (name.endsWith('.wasm') ? WebAssembly.compile(bytes) : null)};
}

// Starts fetching the game's files (FILES as the build wrote them): each is the copy the
// service worker keeps where `kept`, without waiting for the network, else a download of
// its packed file. `findKept(name, want)` finds the copy (a Response or nothing);
// `mend(name, want, bytes)` puts a good download in place of a damaged copy;
// `download(url, options)` is downloadStream unless a test gives its own. The result's
// `each` holds a promise a file, in the order of ORDER, and `files` all of them (null
// where FILES names none of them); `page` the page's own code, PAGE, where FILES names
// it (asked for first); `got` how much of each packed file has arrived, `onProgress`
// called as it grows (the page sets it); `keptNotes` what was wrong with kept copies,
// downloaded again.
export const ORDER = ['brambix.js', 'brambix.wasm', 'brambix.data'];
export const PAGE = 'page.js';
export function startLoading(FILES, {kept = false, findKept = null, mend = null, download = downloadStream} = {}) {
  const got = {};
  for (const name in FILES) got[name] = {have: 0, total: FILES[name].packedSize};
  const keptNotes = [];
  const loading = {got: got, keptNotes: keptNotes, onProgress: function () {}};
  async function obtain(name) {
    const want = FILES[name];
    let damaged = false;
    try {
      const copy = kept && await findKept(name, want);
      if (copy) {
        try {
          const file = await checked(name, want, copy.clone().body, copy);
          file.kept = true;
          return file;
        } catch (e) {
          // A copy kept by an earlier version of the page names no digest.
          const version = copy.headers.get(DIGEST_HEADER);
          if (version === want.sha256) {
            damaged = true;
            keptNotes.push(name + ': the copy kept on this device was damaged (' + (e.reason || e.message) +
                           '); downloaded again, and put back');
          } else {
            keptNotes.push(name + ': the copy kept on this device was of another version of Brambix; this ' +
                           'version\'s was downloaded, and replaces it');
          }
        }
      }
    } catch (e) {
      keptNotes.push(name + ': the copy kept on this device could not be read (' + e.message + '); downloaded again');
    }
    let file;
    try {
      file = await checked(name, want, await unpacked(download(want.packed, {
        expected: want.packedSize,
        what: 'the game\'s file',
        onBytes: function (have) {
          got[name].have = Math.min(have, got[name].total);
          loading.onProgress();
        },
      })));
    } catch (e) {
      if (e.kind === 'stalled' || e.kind === 'closed' || e.kind === 'slow') {
        throw new Incomplete('The download of ' + name + ' was incomplete: ' + e.message + '. Try again.');
      }
      throw e instanceof DownloadFault ? new Error(name + ' could not be downloaded: ' + e.message) : e;
    }
    if (damaged && mend) mend(name, want, file.bytes);
    return file;
  }
  loading.page = FILES[PAGE] ? obtain(PAGE) : null;
  loading.each = ORDER[0] in FILES ? ORDER.map(obtain) : null;
  loading.files = loading.each && Promise.all(loading.each);
  if (loading.files) loading.files.catch(function () {});  // said by the page once it is there
  return loading;
}
