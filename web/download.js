// Downloads that end. A download is given up when nothing arrives for STALL_MS (no first
// byte, or no more), fails when the connection closes before the end, and is refused
// past `limit` bytes: from the length the server announces, else as soon as more arrive.
export const STALL_MS = 15000;
// Sent with the page's own downloads: the service worker leaves them to the network, as
// the page checks them itself.
export const PAGE_CHECKS_HEADER = 'X-Brambix-Page-Checks';

// What ended a download, said so that it follows "FILE: ". `kind` is 'unreachable',
// 'answered' (an error status), 'stalled', 'closed', 'large' or 'slow'.
export class DownloadFault extends Error {
  constructor(kind, message) {
    super(message);
    this.kind = kind;
  }
}

// The bytes of `url` as a stream, as they arrive; it fails with a DownloadFault.
// `onBytes(n)` hears how many have arrived. With `patienceMs`, a download not whole by
// then is given up as slow. `stallMs` and `fetch` are the browser's unless a test gives
// its own.
export function downloadStream(url, {limit = Infinity, patienceMs = 0, onBytes = function () {}, stallMs = STALL_MS,
                                     fetch = function (...args) { return globalThis.fetch(...args); }} = {}) {
  const abort = new AbortController();
  let fault = null, stall = 0, slow = 0, have = 0, announced = 0, encoded = false, reader = null;
  function giveUp(kind, text) {
    fault = fault || new DownloadFault(kind, text);
    abort.abort();
  }
  function awaitBytes() {
    clearTimeout(stall);
    stall = setTimeout(giveUp, stallMs, 'stalled', 'nothing ' + (have ? 'more ' : '') + 'arrived for ' +
                       stallMs / 1000 + ' s' + (have ? ' after ' + sizeOf(have) : ''));
  }
  function sizeOf(bytes) {
    return bytes + (announced ? ' of ' + announced : '') + ' bytes';
  }
  function tooLarge(what) {
    return new DownloadFault('large', 'larger than ' + limit / 1048576 + ' MiB (' + what + ')');
  }
  function end(error) {
    clearTimeout(stall);
    clearTimeout(slow);
    if (error) abort.abort();
    return error;
  }
  return new ReadableStream({
    async start() {
      if (patienceMs) {
        slow = setTimeout(giveUp, patienceMs, 'slow', 'the server had not sent it whole after ' + patienceMs / 1000 + ' s');
      }
      awaitBytes();
      let response;
      try {
        // Asked afresh (a quick "not modified" when unchanged): a copy the browser kept
        // from a broken download must not come back on the next try.
        response = await fetch(url, {cache: 'no-cache', signal: abort.signal, headers: {[PAGE_CHECKS_HEADER]: '1'}});
      } catch (e) {
        throw end(fault || new DownloadFault('unreachable', 'the server could not be reached (' + e.message + ')'));
      }
      if (!response.ok) {
        throw end(new DownloadFault('answered', 'the server answered ' + response.status + ' ' + response.statusText));
      }
      announced = Number(response.headers.get('Content-Length')) || 0;
      encoded = (response.headers.get('Content-Encoding') || 'identity') !== 'identity';
      if (announced > limit) throw end(tooLarge('the server announces ' + announced + ' bytes'));
      reader = response.body.getReader();
    },
    async pull(controller) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw end(fault || new DownloadFault('closed', 'the connection closed before the end' +
                                             (have ? ' (after ' + sizeOf(have) + ')' : '')));
      }
      if (chunk.done) {
        // Firefox ends the body quietly when the connection closes early: the length the
        // server announced says so (of a file sent as it is, not compressed on the way).
        if (announced && !encoded && have < announced) {
          throw end(new DownloadFault('closed', 'the connection closed before the end (after ' + sizeOf(have) + ')'));
        }
        end();
        controller.close();
        return;
      }
      have += chunk.value.length;
      if (have > limit) throw end(tooLarge('more than that arrived'));
      onBytes(have);
      awaitBytes();
      controller.enqueue(chunk.value);
    },
    cancel() {
      end(true);
    },
  });
}

// The whole of a stream, in one buffer; more than `limit` bytes are refused.
export async function collect(stream, limit = Infinity) {
  const reader = stream.getReader();
  const parts = [];
  let have = 0;
  for (let chunk; !(chunk = await reader.read()).done;) {
    have += chunk.value.length;
    if (have > limit) {
      reader.cancel();
      throw new DownloadFault('large', 'more than ' + limit + ' bytes');
    }
    parts.push(chunk.value);
  }
  const bytes = new Uint8Array(have);
  let at = 0;
  for (const part of parts) {
    bytes.set(part, at);
    at += part.length;
  }
  return bytes;
}

// Resolves to {bytes (an ArrayBuffer)}, the whole download of `url`.
export async function fetchWhole(url, options) {
  return {bytes: (await collect(downloadStream(url, options))).buffer};
}
