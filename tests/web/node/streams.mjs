// Stand-in servers for the page's download code under node: a fetch that answers with
// chunks as a test says, and gzip as the build packs.
import {webcrypto} from 'node:crypto';
import {gzipSync} from 'node:zlib';

// Node 18 has the browser's digest only under its own name.
if (!globalThis.crypto) Object.defineProperty(globalThis, 'crypto', {value: webcrypto});

export const gzip = bytes => new Uint8Array(gzipSync(bytes));

// A fetch answering every URL with `chunks` (Uint8Arrays), `headers` as the server sends
// them, then ending as `end` says: 'done', 'hold' (never another byte), 'error' (the
// connection drops). Gives up as fetch does when its signal aborts.
export function server(chunks, {headers = {}, end = 'done', status = 200} = {}) {
  const asked = [];
  const fetch = async (url, options) => {
    asked.push(url);
    const signal = options && options.signal;
    let at = 0;
    const body = new ReadableStream({
      pull(controller) {
        if (at < chunks.length) return controller.enqueue(chunks[at++]);
        if (end === 'done') return controller.close();
        if (end === 'error') return controller.error(new TypeError('network error'));
        return new Promise((resolve, reject) => {
          signal.addEventListener('abort', () => { controller.error(new DOMException('aborted', 'AbortError')); resolve(); });
        });
      },
    });
    return new Response(status === 204 ? null : body, {status, headers});
  };
  fetch.asked = asked;
  return fetch;
}

// `bytes` in chunks of `size`.
export function chunked(bytes, size = 16384) {
  const out = [];
  for (let i = 0; i < bytes.length; i += size) out.push(bytes.subarray(i, i + size));
  return out;
}

export async function digestOf(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, b => b.toString(16).padStart(2, '0')).join('');
}

// A game file as the build describes it: {size, sha256, packed, packedSize}.
export async function described(name, bytes) {
  return {size: bytes.length, sha256: await digestOf(bytes), packed: name + '.gz', packedSize: gzip(bytes).length};
}
