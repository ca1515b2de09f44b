// Downloads that end. A download is given up when nothing arrives for STALL_MS (no first
// byte, or no more), or when what arrived in the last PACE_MS (judged every sixth of it)
// says that the rest would take more than SLOWEST_MS (one byte every 14 s would take
// weeks); it fails when the
// connection closes before the end, and is refused past `limit` bytes: from the length
// the server announces, else as soon as more arrive.
export const STALL_MS = 15000;
export const PACE_MS = 30000;
export const SLOWEST_MS = 10 * 60000;
// Sent with the page's own downloads: the service worker leaves them to the network, as
// the page checks them itself.
export const PAGE_CHECKS_HEADER = 'X-Brambix-Page-Checks';

// What ended a download, said so that it follows "FILE: ". `kind` is 'unreachable',
// 'answered' (an error status), 'page' (a web page came instead), 'encoding' (marked
// packed on the way, and not), 'stalled', 'closed', 'large' or 'slow'.
export class DownloadFault extends Error {
  constructor(kind, message) {
    super(message);
    this.kind = kind;
  }
}

// How long `ms` is, said roughly.
export function roughly(ms) {
  const minutes = ms / 60000;
  return minutes < 120 ? Math.round(minutes) + ' minutes' : minutes < 2880 ? Math.round(minutes / 60) + ' hours' :
    Math.round(minutes / 1440) + ' days';
}

// The bytes of `url` as a stream, as they arrive; it fails with a DownloadFault.
// `onBytes(n)` hears how many have arrived, `onResponse` the server's answer; `expected`
// is how many the whole should be (else the length the server announces), by which the
// pace is judged; `what` names it ("the game's file"), which is no web page unless
// `page`. The page's own downloads say so in a header (`checked`). `stallMs`, `paceMs`,
// `slowestMs` and `fetch` are the browser's and the limits above unless a test gives its own.
export function downloadStream(url, {limit = Infinity, expected = 0, what = 'the file', page = false, checked = true,
                                     onBytes = function () {}, onResponse = function () {},
                                     stallMs = STALL_MS, paceMs = PACE_MS, slowestMs = SLOWEST_MS,
                                     fetch = function (...args) { return globalThis.fetch(...args); }} = {}) {
  const abort = new AbortController();
  let fault = null, stall = 0, slow = 0, have = 0, announced = 0, encoded = '', reader = null;
  const paced = [];  // what had arrived at each of the last six judgements
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
  function tooLarge(why) {
    return new DownloadFault('large', 'larger than ' + limit / 1048576 + ' MiB (' + why + ')');
  }
  function notPacked() {
    return new DownloadFault('encoding', 'the server marks the file packed (Content-Encoding: ' + encoded + ') but it is not');
  }
  // At the pace of the last PACE_MS, would the rest come in time? (A first burst, then
  // a trickle, is judged by the trickle once the burst is a PACE_MS behind.)
  function judgePace() {
    paced.push(have);
    if (paced.length <= 6) return;
    const whole = expected || announced, came = have - paced.shift();
    if (!whole || have >= whole || !came) return;  // nothing at all is a stall
    const restMs = (whole - have) / came * paceMs;
    if (restMs > slowestMs) {
      giveUp('slow', 'only ' + came + ' bytes arrived in ' + paceMs / 1000 + ' s (' + sizeOf(have) + ' in all): at ' +
             'that pace the rest would take about ' + roughly(restMs));
    }
  }
  function end(error) {
    clearTimeout(stall);
    clearInterval(slow);
    if (error) abort.abort();
    return error;
  }
  return new ReadableStream({
    async start() {
      paced.push(0);
      slow = setInterval(judgePace, paceMs / 6);
      awaitBytes();
      let response;
      try {
        // Asked afresh (a quick "not modified" when unchanged): a copy the browser kept
        // from a broken download must not come back on the next try.
        response = await fetch(url, {cache: 'no-cache', signal: abort.signal, headers: checked ? {[PAGE_CHECKS_HEADER]: '1'} : {}});
      } catch (e) {
        throw end(fault || new DownloadFault('unreachable', 'the server could not be reached (' + e.message + ')'));
      }
      if (!response.ok) {
        throw end(new DownloadFault('answered', 'the server answered ' + response.status + ' ' + response.statusText));
      }
      // A server that answers every path with its page (as for a single-page app).
      if (!page && /^\s*text\/html/i.test(response.headers.get('Content-Type') || '')) {
        throw end(new DownloadFault('page', 'the server sent a web page instead of ' + what));
      }
      announced = Number(response.headers.get('Content-Length')) || 0;
      encoded = response.headers.get('Content-Encoding') || '';
      if (encoded === 'identity') encoded = '';
      onResponse(response);
      if (announced > limit) throw end(tooLarge('the server announces ' + announced + ' bytes'));
      reader = response.body.getReader();
    },
    async pull(controller) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw end(fault || (encoded && !have ? notPacked() : new DownloadFault('closed', 'the connection closed before ' +
                                                                                'the end' + (have ? ' (after ' + sizeOf(have) + ')' : ''))));
      }
      // The browser could not unpack what the server said it packed: it fails at once
      // (Chromium, WebKit) or ends with nothing (Firefox).
      if (fault) throw end(fault);  // given up while the read was on its way
      if (chunk.done && encoded && !have && announced) throw end(notPacked());
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

// `stream` refused as soon as more than `limit` bytes have passed (a DownloadFault,
// 'large'): every reader of it, and of its tees, stops there.
export function limited(stream, limit) {
  const reader = stream.getReader();
  let have = 0;
  return new ReadableStream({
    async pull(controller) {
      const chunk = await reader.read();
      if (chunk.done) return controller.close();
      have += chunk.value.length;
      if (have > limit) {
        reader.cancel().catch(function () {});
        return controller.error(new DownloadFault('large', 'more than ' + limit + ' bytes'));
      }
      controller.enqueue(chunk.value);
    },
    cancel(why) {
      return reader.cancel(why);
    },
  }, {highWaterMark: 0});
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
