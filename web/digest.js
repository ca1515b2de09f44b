// A file's SHA-256 digest in hex, as the build writes it beside the file's size: the
// page and the service worker check every game file by it.
export async function sha256Hex(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, function (b) { return b.toString(16).padStart(2, '0'); }).join('');
}

// Whether `crypto.subtle` is there: it needs a secure context (https, or this machine's
// own address); elsewhere a file's size is checked alone.
export function canDigest() {
  return !!(globalThis.crypto && crypto.subtle);
}
