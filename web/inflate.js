// Inflating the game's packed files (gzip), shared by the page and the service worker.

// Whether bytes start as gzip does. None of the game's files starts so unpacked.
export function startsPacked(head) {
  return head.length >= 2 && head[0] === 0x1f && head[1] === 0x8b;
}

// A packed file's stream, unpacked: inflated while it starts as gzip does, as it is when
// the browser inflated it already (a server that sends it with Content-Encoding: gzip).
// A server that packs the packed file again on the way, to a browser that leaves that to
// the page (WebKit), is unpacked twice.
export async function unpacked(stream, layers = 2) {
  const reader = stream.getReader();
  let head = new Uint8Array(0), done = false, failure = null;
  try {
    while (head.length < 2 && !done) {
      const chunk = await reader.read();
      done = chunk.done;
      if (!done) head = head.length ? new Uint8Array([...head, ...chunk.value]) : chunk.value;
    }
  } catch (e) {
    // Said where the file is read, as a later fault is: Firefox inflates a file that
    // arrived in one piece at once, and a changed byte fails its first read.
    failure = e;
  }
  const whole = new ReadableStream({
    start(controller) {
      if (failure) {
        controller.error(failure);
        return;
      }
      if (head.length) controller.enqueue(head);
      if (done) controller.close();
    },
    async pull(controller) {
      const chunk = await reader.read();
      if (chunk.done) controller.close(); else controller.enqueue(chunk.value);
    },
    cancel(why) {
      return reader.cancel(why);
    },
  });
  return layers > 0 && startsPacked(head) ?
    unpacked(whole.pipeThrough(new DecompressionStream('gzip')), layers - 1) : whole;
}
