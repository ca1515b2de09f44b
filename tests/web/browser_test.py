#!/usr/bin/env python3
"""The game's web page in a browser engine, played as a player would, checks in a row:
the first frame is the desktop game's, a trunk breaks into wood, the inventory crafts
planks, a held D walks, a stand-in pad walks and breaks a tile, the console has no
errors; then the page itself: it installs, starts from its packed files whatever the
server's compression or types, plays offline and from its kept copy at once when the
server fails or stalls, refuses a file cut short, stalled or changed, shows the game's
start-up notices, and on a phone neither scrolls nor zooms and follows a turn.
Reports the time to the first frame and the frame rate. Each REPLAY (a path below URL) is
verified by the page's ?replay=, which gives other origins, failed or oversized downloads
a verdict too. Played in the engine BRAMBIX_BROWSER names (chromium, webkit or firefox:
see engines.py); a group of rows marked with the engines it runs in is skipped elsewhere.
   browser_test.py URL DESKTOP_FIRST_FRAME.bmp ASSETS_DIR DIST_DIR [REPLAY...]"""
import base64
import gzip
import http.server
import io
import itertools
import json
import os
import shutil
import sys
import threading
import time
import urllib.request
import zlib

from PIL import Image, ImageChops, ImageStat
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder

import engines

URL, DESKTOP_FRAME, ASSETS, DIST = sys.argv[1:5]
REPLAYS = sys.argv[5:]
# Before the page's scripts: hold the frames after the first, and run the game's clock at
# a tenth of real time until then, so that the first frame shows the creatures' first
# step however long the start-up took, as a quick desktop start does. bx.grab(done)
# reads the canvas right after the next frame, while its picture is still there.
HOOKS = """
const realNow = performance.now.bind(performance), raf = requestAnimationFrame.bind(window);
let slow = true, shift = 0, held = [], grabs = [];
performance.now = () => slow ? realNow() * 0.1 : realNow() - shift;
window.bx = {frames: 0, first: null, firstAt: 0, grab: done => grabs.push(done),
             kept: sessionStorage.getItem('brambix.run.hash')};
window.requestAnimationFrame = cb => raf(t => {
  if (bx.frames >= 1 && slow) { held.push(cb); return; }
  cb(t);
  const canvas = document.getElementById('canvas');
  if (++bx.frames === 1) { bx.first = canvas.toDataURL(); bx.firstAt = realNow(); }
  grabs.splice(0).forEach(done => done(canvas.toDataURL()));
});
bx.release = () => { shift = realNow() * 0.9; slow = false; held.splice(0).forEach(raf); };
"""
ENGINE = os.environ.get('BRAMBIX_BROWSER', 'chromium')
results = []  # True, False, or None for a row skipped in this engine


def check(name, ok, detail=''):
    results.append(ok)
    print(('ok: ' if ok else 'FAIL: ') + name + (f' ({detail})' if detail else ''), flush=True)


def runs_in(*names, rows, why=''):
    """Marks a group of `rows` rows with the engines it runs in (all when none are named;
    `why`: what the others lack). Skipped elsewhere; where the engine's driver lacks what
    a row needs (engines.Lacks), that row and the group's rows after it are skipped."""
    def mark(group):
        def run():
            before = len(results)
            if names and ENGINE not in names:
                lack = why
            else:
                try:
                    group()
                    lack = None
                except engines.Lacks as error:
                    lack = str(error)
            made = len(results) - before
            if lack is not None:
                print(f'skipped in {engines.NAMES[ENGINE]}: {group.__name__}, {rows - made} of its {rows} rows ({lack})',
                      flush=True)
                results.extend([None] * (rows - made))
            elif made != rows:
                check(f'{group.__name__} is marked with {rows} rows', False, f'it checked {made}')
        return run
    return mark


def wait_for(what, seconds, probe):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if probe():
                return True
        except OSError:
            pass
        time.sleep(0.1)
    raise TimeoutError(f'waited {seconds} s for {what}')


def frames_later(count, what='', probe=lambda: False):
    """Waits until the probe holds (True) or the page has drawn `count` more frames: a
    failure when it was waiting for something. Bounded in time only for a page that
    stopped drawing."""
    start, end = driver.execute_script('return bx.frames'), time.monotonic() + 300
    while not probe():
        drawn = driver.execute_script('return bx.frames') - start
        if drawn >= count:
            if what:
                raise TimeoutError(f'{count} frames drawn without {what}')
            return False
        if time.monotonic() > end:
            raise TimeoutError(f'the page drew {drawn} frames in 300 s, waiting for {what or "them"}')
        time.sleep(0.02)
    return True


def png(data_url):
    return Image.open(io.BytesIO(base64.b64decode(data_url.split(',', 1)[1]))).convert('RGB')


def grab():
    return png(driver.execute_async_script('bx.grab(arguments[0]);'))


def mean(img, box):
    return ImageStat.Stat(img.crop(box)).mean


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def shows(img, x, y, size, picture, quarters=False):
    """The square's middle has the mean colour of the picture's middle; with `quarters`,
    one quarter of the square has that quarter's of the picture (a creature resting on the
    rest of it)."""
    pic = Image.open(f'{ASSETS}/{picture}').convert('RGBA').resize((size, size), Image.NEAREST)
    m, h = size // 5, size // 2
    parts = [(a, b, a + h, b + h) for a in (0, h) for b in (0, h)] if quarters else [(m, m, size - m, size - m)]
    return any(near(mean(img, (x + p[0], y + p[1], x + p[2], y + p[3])),
                    ImageStat.Stat(pic.convert('RGB').crop(p), pic.getchannel('A').crop(p)).mean, 12) for p in parts)


def same_frame(a, b):
    """WebGL blends with roundings of its own (a channel may differ by one or two) and
    picks other source pixels for a picture drawn at no whole multiple of its size: the
    hearts (64 to 20 pixels) keep only their colour, everything else its pixels."""
    hearts = (0, 0, 260, 32)
    differs = ImageChops.difference(a, b).convert('L').point(lambda v: 255 if v > 2 else 0)
    differs.paste(0, hearts)
    return differs.getbbox() is None and near(mean(a, hearts), mean(b, hearts), 3), differs.histogram()[255]


def serve(short=None, types=None, faults=None, encoding=None):
    """dist/web on a port of its own (an origin of its own: its own service worker and
    caches), with `short` {name: bytes left off}, `types` {name: Content-Type},
    `encoding` 'gzip' (every answer gzipped on the way) or 'static' (the .gz files sent
    as Content-Encoding: gzip, as servers of packed files do), the names asked for in
    `server.asked`, and `faults` {name: (kind, n)}, which `server.faults` may change
    later: 'stall' and 'cut' send n bytes under the whole file's length, then hold the
    connection (40 s at most) or close it; 'changed' sends the file with one byte changed;
    'newer' with a line more; 'late' sends n bytes, then the rest 2 s later; 'drop' closes
    without an answer; 'error' answers 503;
    'flood' sends zeros until 300 MiB or a closed connection, announcing n bytes when n;
    a name starting with /a/ or /b/ faults it in that folder alone;
    'bomb' a replay of one frame holding n quit events; 'gzbomb' 1 GiB of zeros packed
    (about 1 MB); 'drip' sends n bytes, then one every 5 s; 'page' answers with the page
    (text/html), as a server of a single-page app does; 'notpacked' sends the file
    unpacked, marked Content-Encoding: gzip. A name ending in '*' faults only the service
    worker's requests (those without the page's own header). The page is served in the
    folders /a/ and /b/ too."""
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=DIST, **kwargs)

        def log_message(self, *args):
            pass

        def end_headers(self):
            name = os.path.basename(self.path.split('?')[0])
            if name in (types or {}):
                self.send_header('X-Content-Type-Options', 'nosniff')
            super().end_headers()

        def guess_type(self, path):
            return (types or {}).get(os.path.basename(path)) or super().guess_type(path)

        def do_GET(self):
            folder = self.path[:3] if self.path.startswith(('/a/', '/b/')) else ''
            self.path = self.path[len(folder) - 1:] if folder else self.path
            name = os.path.basename(self.path.split('?')[0]) or 'index.html'
            self.server.asked.append(name)
            kind, n = self.server.faults.get(folder + name, self.server.faults.get(
                name, ('short', short[name]) if name in (short or {}) else (None, 0)))
            if 'X-Brambix-Page-Checks' not in self.headers and name + '*' in self.server.faults:
                kind, n = self.server.faults[name + '*']
            if kind is None and (not encoding or not os.path.isfile(os.path.join(DIST, name))):
                return super().do_GET()
            if kind == 'drop':
                return  # the connection closes with no answer
            if kind == 'error':
                return self.send_error(503)
            if kind == 'bomb':  # a committed replay's header (its game version's length at byte 10), n in 4 bytes
                head = urllib.request.urlopen(URL + REPLAYS[0], timeout=5).read(64)
                body = head[:27 + head[10]] + bytes([4] + [0x80 | n >> 7 * i & 0x7f for i in range(3)] + [n >> 21]) + bytes(n)
            elif kind == 'gzbomb':
                body = gzip_bomb()
            elif kind == 'page':
                with open(os.path.join(DIST, 'index.html'), 'rb') as f:
                    body = f.read()
            elif kind != 'flood':
                with open(os.path.join(DIST, name), 'rb') as f:
                    body = f.read()
                half = len(body) // 2
                body = (body[:-n] if kind == 'short' else
                        body[:half] + bytes([body[half] ^ 1]) + body[half + 1:] if kind == 'changed' else
                        body + b'\n// newer\n' if kind == 'newer' else
                        gzip.decompress(body) if kind == 'notpacked' else body)
            packed = encoding == 'gzip' or encoding == 'static' and name.endswith('.gz') or kind == 'notpacked'
            if encoding == 'gzip':
                body = gzip.compress(body)
            self.send_response(200)
            self.send_header('Content-Type', 'text/html' if kind == 'page' else self.guess_type(name))
            if packed:
                self.send_header('Content-Encoding', 'gzip')
            if kind != 'flood' or n:
                self.send_header('Content-Length', str(n if kind == 'flood' else len(body)))
            self.end_headers()
            try:
                for _ in range(300 if kind == 'flood' else 0):
                    self.wfile.write(bytes(1 << 20))
                self.wfile.write(body[:n] if kind in ('stall', 'cut', 'late', 'drip') else b'' if kind == 'flood' else body)
                self.wfile.flush()
                for byte in body[n:] if kind == 'drip' else b'':
                    time.sleep(5)
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                if kind == 'late':
                    time.sleep(2)
                    self.wfile.write(body[n:])
                time.sleep(40 if kind == 'stall' else 0)
            except OSError:
                pass
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    server.faults, server.asked = faults or {}, []
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f'http://127.0.0.1:{server.server_address[1]}/'


BOMB = []


def gzip_bomb():
    """1 GiB of zeros, packed: about 1 MB (made once)."""
    if not BOMB:
        packer, block = zlib.compressobj(9, zlib.DEFLATED, 31), bytes(1 << 20)
        BOMB.append(b''.join([packer.compress(block) for _ in range(1024)] + [packer.flush()]))
    return BOMB[0]


def peak_memory_mb(seconds_or_probe):
    """The largest resident size of one of the browser's processes, sampled every 50 ms
    while the probe is false (or for that many seconds); 0 where this engine's processes
    are not the driver's children."""
    root = getattr(getattr(driver, 'service', None), 'process', None)
    if ENGINE != 'chromium' or root is None:
        return 0
    peak, end = 0, time.monotonic() + (seconds_or_probe if isinstance(seconds_or_probe, (int, float)) else 60)
    while time.monotonic() < end:
        children, found = {}, []
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                with open(f'/proc/{pid}/stat') as f:
                    children.setdefault(int(f.read().rsplit(')', 1)[1].split()[1]), []).append(int(pid))
            except OSError:
                pass
        todo = [root.pid]
        while todo:
            found.append(todo.pop())
            todo.extend(children.get(found[-1], []))
        for pid in found:
            try:
                with open(f'/proc/{pid}/status') as f:
                    peak = max(peak, next(int(line.split()[1]) for line in f if line.startswith('VmRSS:')) // 1024)
            except (OSError, StopIteration):
                pass
        if not isinstance(seconds_or_probe, (int, float)) and seconds_or_probe():
            break
        time.sleep(0.05)
    return peak


def message():
    return driver.execute_script("const m = document.getElementById('message');"
                                 "return getComputedStyle(m).display === 'none' ? null : m.innerText")


def cached():
    return driver.execute_async_script('caches.keys().then(arguments[0])')


def keeps_files():
    """The service worker is in charge, its cache filled."""
    return driver.execute_async_script('navigator.serviceWorker.getRegistration().then(r => arguments[0]('
                                       'r && r.active && r.active.state === "activated"))') and cached()


def walked_right(before, after):
    """The world moves left six pixels a frame: the shift that lines the two up (above
    the player and a pad's pointer)."""
    return min(range(0, 600, 6), key=lambda dx: sum(ImageStat.Stat(ImageChops.difference(
        before.crop((dx, 40, 800, 230)), after.crop((0, 40, 800 - dx, 230)))).mean))


def click(x, y):
    """The game reads the pointer when it handles a click: it stays put for two frames."""
    actions = ActionBuilder(driver)
    actions.pointer_action.move_to_location(x, y).pointer_down().pointer_up()
    actions.perform()
    frames_later(2)


def press(key, seconds=0.05):
    ActionChains(driver).key_down(key).pause(seconds).key_up(key).perform()


@runs_in(rows=2)
def check_notices_and_install():
    lines = 'assets/pig.png: the file is missing\nassets/arial.ttf: the file is empty'
    driver.execute_script('Module.showNotices(arguments[0] + "\\n")', lines)
    shown = driver.execute_script("return document.getElementById('notice').hidden ? null :"
                                  "document.getElementById('notice-text').textContent")
    driver.find_element('id', 'notice-close').click()
    check("the game's start-up lines show in a notice that closes", shown == lines and
          driver.execute_script("return document.getElementById('notice').hidden"), repr(shown))
    wait_for('the service worker', 30, keeps_files)
    errors = driver.execute_cdp_cmd('Page.getInstallabilityErrors', {})['installabilityErrors']
    check('the page can be installed', not errors, str(errors)[:300])


@runs_in(rows=8)
def check_offline():
    server, url = serve()
    driver.get(url)
    wait_for('the first frame online', 30, lambda: driver.execute_script('return bx.first !== null'))
    online = png(driver.execute_script('return bx.first'))
    wait_for("the service worker's cache", 30, keeps_files)
    # A server that sends another file, stalls or fails: the kept copy plays at once,
    # without asking for the game's files; so does a second visit with the server stalled.
    stalled = {name: ('stall', 0) for name in ('index.html', 'brambix.js.gz', 'brambix.wasm.gz', 'brambix.data.gz')}
    for faults in ({'brambix.data.gz': ('changed', 0)}, {'brambix.wasm.gz': ('stall', 1000)},
                   {'brambix.js.gz': ('drop', 0)}, {'index.html': ('stall', 1000)}, {'index.html': ('error', 0)}, stalled):
        server.faults, server.asked = faults, []
        driver.refresh()
        wait_for(f'the first frame with {faults}', 30, lambda: driver.execute_script('return bx.first !== null'))
        asked = [name for name in server.asked if name.endswith('.gz')]
        check(f'{faults}: the page plays the copy it keeps at once', not asked and not message(), f'asked for {asked}')
    # A newer version on the server is kept beside play, for the next start, and said so.
    server.faults = {'sw.js': ('newer', 0)}
    driver.refresh()
    wait_for('the first frame before the newer version', 30, lambda: driver.execute_script('return bx.first !== null'))
    driver.execute_script('bx.release();')
    check('a newer version is kept beside play, and the page says so', frames_later(
        900, probe=lambda: driver.execute_script('return !document.getElementById("update").hidden')))
    # A reload brings a kept run back: without one it shows a new world's first frame.
    driver.execute_script('Module._brambixKeepRun = null; sessionStorage.clear();')
    server.shutdown()
    server.server_close()
    driver.execute_cdp_cmd('Network.enable', {})
    driver.execute_cdp_cmd('Network.emulateNetworkConditions', {
        'offline': True, 'latency': 0, 'downloadThroughput': -1, 'uploadThroughput': -1})
    try:
        driver.refresh()
        wait_for('the first frame offline', 30, lambda: driver.execute_script(
            'return window.bx && bx.first !== null || document.getElementById("message").style.display === "block"'))
        offline = driver.execute_script('return bx.first')
        check('offline, a reload shows the first frame', offline is not None and same_frame(png(offline), online)[0],
              message() or '')
    finally:
        driver.execute_cdp_cmd('Network.emulateNetworkConditions', {
            'offline': False, 'latency': 0, 'downloadThroughput': -1, 'uploadThroughput': -1})


@runs_in(rows=9)
def check_refused_files():
    """A packed brambix.data cut short, stalled, closed early, sent a byte at a time or
    not packed though marked so, a packed brambix.wasm changed on the server or a gzip
    bomb (in Chromium, no process of the browser past 600 MB meanwhile), a server that
    answers with its page: the page says which and why, and keeps nothing (WebKit takes a
    body falsely marked packed as it is: there the game plays). Opened as a file, it says
    to serve it."""
    game = ('brambix.js.gz', 'brambix.wasm.gz', 'brambix.data.gz')
    for fault, want in (({'faults': {'brambix.wasm.gz': ('gzbomb', 0)}}, ('brambix.wasm', 'unpacks to more than',
                                                                         'Try again')),
                        ({'faults': {'brambix.data.gz': ('drip', 1000)}}, ('brambix.data', 'incomplete', 'at that pace',
                                                                          'Try again')),
                        ({'faults': {name: ('page', 0) for name in game}}, ('sent a web page instead of the game',)),
                        ({'faults': {'brambix.data.gz': ('notpacked', 0)}}, ('brambix.data', 'marks the file packed',
                                                                             'but it is not')),
                        ({'short': {'brambix.data.gz': 100}}, ('brambix.data', 'incomplete', 'Try again')),
                        ({'faults': {'brambix.data.gz': ('stall', 1000)}}, ('brambix.data', 'incomplete', 'for 15 s',
                                                                            'Try again')),
                        ({'faults': {'brambix.data.gz': ('cut', 1000)}}, ('brambix.data', 'incomplete', 'closed before',
                                                                          'Try again')),
                        ({'faults': {'brambix.wasm.gz': ('changed', 0)}}, ('brambix.wasm', 'changed on the server',
                                                                           'Try again'))):
        server, url = serve(**fault)
        try:
            started = time.monotonic()
            driver.get(url)
            peak = peak_memory_mb(message)
            played = lambda: 'notpacked' in str(fault) and driver.execute_script('return bx.first !== null')
            wait_for('the message', 75, lambda: message() or played())  # a byte at a time is judged after 30 s
            text = message() or ''
            check(f'{fault}: the page says {want}', (all(w in text for w in want) and not cached() or played() and not text)
                  and peak < 600, f'{text or "it plays"} ({time.monotonic() - started:.1f} s, '
                  f'{peak} MB at most in one process)')
        finally:
            server.shutdown()
            server.server_close()
    driver.get('file://' + os.path.abspath(DIST) + '/index.html')  # its manifest refused: after the console's check
    wait_for('the message', 10, message)
    check('opened as a file, the page says to serve it with scripts/play-web.sh', 'play-web.sh' in message(), message())


def offline(on):
    driver.execute_cdp_cmd('Network.enable', {})
    driver.execute_cdp_cmd('Network.emulateNetworkConditions', {
        'offline': on, 'latency': 0, 'downloadThroughput': -1, 'uploadThroughput': -1})


def first_frame(what):
    wait_for('the first frame ' + what, 30, lambda: message() or driver.execute_script('return bx.first !== null'))
    return driver.execute_script('return bx.first !== null') and not message()


def notice():
    return driver.execute_script("return document.getElementById('notice').hidden ? '' :"
                                 "document.getElementById('notice-text').textContent")


# The byte at 100 of the kept brambix.data (arguments[0]: changed first).
KEPT_BYTE = """
const [change, done] = arguments;
(async () => {
  const key = (await caches.keys()).find(k => k.startsWith('brambix-'));
  const cache = await caches.open(key), kept = await cache.match('brambix.data');
  const bytes = new Uint8Array(await kept.arrayBuffer());
  if (change) {
    bytes[100] ^= 1;
    await cache.put('brambix.data', new Response(bytes, {headers: kept.headers}));
  }
  return bytes[100];
})().then(done, e => done(String(e)));
"""


@runs_in('chromium', rows=5, why='no network emulation or storage quota through its driver')
def check_kept_copy():
    """The copy kept for offline play mends itself: a damaged file is put back by the
    download that replaced it (said once), a copy deleted while playing is filled again on
    the next visit, two folders of one site keep a copy each, a copy the storage cannot
    hold is not kept and said once, and a gzip bomb served to the service worker alone is
    refused with the memory of the browser's processes under 600 MB."""
    server, url = serve()
    try:
        driver.get(url)
        first_frame('online')
        wait_for("the service worker's cache", 30, keeps_files)
        with open(os.path.join(DIST, 'brambix.data.gz'), 'rb') as f:
            good = gzip.decompress(f.read())[100]
        driver.execute_async_script(KEPT_BYTE, True)
        driver.refresh()
        said = first_frame('with a damaged copy') and notice()
        wait_for('the copy put back', 30, lambda: driver.execute_async_script(KEPT_BYTE, False) == good)
        server.asked = []
        driver.refresh()
        first_frame('with the copy put back')
        asked = [name for name in server.asked if name.endswith('.gz')]
        check('a damaged kept file is said, put back, and the next start plays the copy saying nothing',
              'brambix.data: the copy kept on this device was damaged' in said and 'put back' in said and not asked
              and not notice(), f'{said!r}; then asked for {asked}, said {notice()!r}')
        # Deleted while the page plays, as a browser frees storage: back after one visit.
        def kept_count():
            return driver.execute_async_script(
                'caches.keys().then(k => k.length && caches.open(k[0])).then(c => c && c.keys())'
                '.then(r => arguments[0](r ? r.length : 0))')
        whole = kept_count()
        driver.execute_async_script('caches.keys().then(keys => Promise.all(keys.map(k => caches.delete(k))))'
                                    '.then(arguments[0])')
        driver.refresh()
        first_frame('with the copy deleted')
        wait_for(f'the copy filled again ({whole} files)', 30, lambda: whole > 0 and kept_count() == whole)
        offline(True)
        try:
            driver.refresh()
            check('a copy deleted while playing is filled again on the next visit, and plays offline',
                  first_frame('offline after the copy was filled again'), message() or '')
        finally:
            offline(False)
    finally:
        server.shutdown()
        server.server_close()
    # Two folders of one site, two versions: each keeps its own copy.
    server, url = serve(faults={'/b/sw.js': ('newer', 0)})
    try:
        for folder in ('a/', 'b/'):
            driver.get(url + folder)
            first_frame('in /' + folder)
            wait_for(f'the copy of /{folder}', 30, lambda: any(k.endswith(' /' + folder) for k in cached()))
        kept = cached()
        offline(True)
        try:
            driver.get(url + 'a/')
            check('two folders of one site keep a copy each, and the first plays offline', first_frame('in /a/ offline')
                  and len([k for k in kept if k.endswith(' /a/')]) == 1 and len([k for k in kept if k.endswith(' /b/')]) == 1,
                  f'{kept} {message() or ""}')
        finally:
            offline(False)
    finally:
        server.shutdown()
        server.server_close()
    # A site whose storage cannot hold the copy: nothing kept, said once.
    server, url = serve()
    try:
        driver.execute_cdp_cmd('Storage.overrideQuotaForOrigin', {'origin': url.rstrip('/'), 'quotaSize': 200000})
        said = []
        for start in range(2):
            driver.get(url)
            first_frame('with little storage')
            driver.execute_script('bx.release();')
            frames_later(600, probe=lambda: 'cannot be kept' in driver.execute_script(
                'const u = document.getElementById("update"); return u.hidden ? "" : u.textContent'))
            said.append(driver.execute_script('const u = document.getElementById("update"); return u.hidden ? "" : u.textContent'))
        check('a copy the storage cannot hold is not kept, and said once', 'cannot be kept for offline play' in said[0]
              and not said[1] and not cached(), f'{said} {cached()}')
    finally:
        server.shutdown()
        server.server_close()
    # A gzip bomb in place of brambix.wasm.gz, to the service worker alone, on a first visit.
    server, url = serve(faults={'brambix.wasm.gz*': ('gzbomb', 0)})
    try:
        driver.get(url)
        played = first_frame('with a bomb for the service worker')
        peak = peak_memory_mb(lambda: server.asked.count('brambix.wasm.gz') > 1 and driver.execute_async_script(
            'navigator.serviceWorker.getRegistration().then(r => arguments[0](!r || !r.installing))'))
        check('a gzip bomb served to the service worker is refused: the page plays, nothing is kept, memory stays low',
              played and not cached() and 0 < peak < 600, f'{peak} MB at most in one process; kept {cached()}')
    finally:
        server.shutdown()
        server.server_close()


@runs_in(rows=5)
def check_replay_faults():
    """?replay= of another origin, or on a server that fails, announces or sends more than
    the limit, or sends a memory bomb: one verdict naming the URL, never a stopped game."""
    server, url = serve(faults={'gone.brx': ('drop', 0), 'big.brx': ('flood', 1 << 30), 'endless.brx': ('flood', 0),
                                'bomb.brx': ('bomb', 48 << 20)})
    try:
        for replay, want in ((URL + REPLAYS[0], 'refused'), ('gone.brx', 'could not be reached'),
                             ('big.brx', 'larger than 256 MiB (the server announces'),
                             ('endless.brx', 'larger than 256 MiB'), ('bomb.brx', '')):
            driver.get(url + '?replay=' + replay)
            wait_for('the verdict on ' + replay, 120, lambda: message() or driver.execute_script(
                "return document.getElementById('replay-verdict') !== null"))
            verdict = driver.execute_script("const v = document.getElementById('replay-verdict'); return v && v.textContent")
            check(f'?replay={replay}: a verdict naming it', verdict and verdict.startswith(replay + ': ') and
                  want in verdict and not message(), verdict or message())
    finally:
        server.shutdown()
        server.server_close()


@runs_in('chromium', 'firefox', rows=3, why='no touch emulation through its driver')
def check_phone():
    """844x390 at three device pixels a pixel, touch only: drags of one and two fingers
    neither scroll nor zoom the page (nor pull it to a reload); turned, it follows."""
    def touch(kind, points):
        driver.execute_cdp_cmd('Input.dispatchTouchEvent', {
            'type': kind, 'touchPoints': [{'x': x, 'y': y, 'id': i} for i, (x, y) in enumerate(points)]})

    def view():
        return driver.execute_script('return [visualViewport.scale, scrollX, scrollY, window.bxStill === 1,'
                                     'canvas.width / canvas.height, innerWidth / innerHeight]')
    driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 844, 'height': 390, 'deviceScaleFactor': 3, 'mobile': True})
    driver.get(URL)
    wait_for('the first frame on a phone', 30, lambda: driver.execute_script('return bx.first !== null'))
    driver.execute_script('bx.release(); window.bxStill = 1;')
    for path in ([[(420, 60)], [(420, 200)], [(420, 380)]], [[(800, 200)], [(400, 200)], [(20, 200)]],
                 [[(400, 190), (440, 200)], [(300, 150), (540, 250)], [(150, 100), (700, 300)]]):
        touch('touchStart', path[0])
        for points in path[1:]:
            touch('touchMove', points)
            time.sleep(0.05)
        touch('touchEnd', [])
    time.sleep(0.5)
    scale, x, y, still, _, _ = view()
    check('on a phone, drags neither scroll nor zoom the page', scale == 1 and x == 0 and y == 0 and still,
          f'scale {scale}, scrolled to {x},{y}, same page {still}')
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 390, 'height': 844, 'deviceScaleFactor': 3, 'mobile': True})
    try:
        wait_for('the canvas to turn', 5, lambda: abs(view()[4] - view()[5]) < 0.02)
        turned = True
    except TimeoutError:
        turned = False
    # Upright, the picture sits low, room for three controls of 48 points under it for the
    # thumbs; a tap on a trunk there breaks it.
    frames_later(5)
    shot, css_w = grab(), driver.execute_script('return innerWidth')
    dpr, height = shot.width / css_w, int(600 * shot.width / 800)
    top = next((y for y in range(shot.height) if shot.getpixel((shot.width // 2, y)) != (0, 0, 0)), -1)
    check('turned to portrait, the canvas follows and the picture sits low',
          turned and abs(shot.height - 3 * 48 * dpr - height - top) <= 1, f'{view()[4:]}, picture at {top} of {shot.height}')
    with open('touch-portrait.png', 'wb') as f:  # the page as the player sees it
        f.write(base64.b64decode(driver.execute_cdp_cmd('Page.captureScreenshot', {'format': 'png'})['data']))
    upright = lambda: grab().crop((0, top, shot.width, top + height)).resize((800, 600), Image.NEAREST)
    whole = [(x, y) for x in (304, 368) for y in (204, 268) if shows(upright(), x, y, 64, 'wood.png')][:1]
    for x, y in whole:
        tap((x + 32) * css_w / 800, (top + (y + 32) * height / 600) / dpr, page=True)
    check('upright, a tap on a trunk breaks it', bool(whole) and frames_later(
        10, probe=lambda: shows(upright(), 275, 540, 40, 'wood.png')), f'trunks seen whole: {whole}')
    driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': False})
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 800, 'height': 600, 'deviceScaleFactor': 1, 'mobile': False})


@runs_in(rows=4)
def check_packed_files():
    """The packed files start the game on a server that gzips every answer, one that sends
    them as Content-Encoding: gzip (the browser inflates them: the page must not again),
    one that names them text/plain, and one whose wasm comes whole well after the game's
    script has run: the first frame is the desktop's each time. The service worker
    unpacks as the page does: it keeps the copy from the server that gzips every answer
    (WebKit leaves that layer to it)."""
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',  # the desktop's picture, not the phone's
                           {'width': 800, 'height': 600, 'deviceScaleFactor': 1, 'mobile': False})
    for how in ({'encoding': 'gzip'}, {'encoding': 'static'},
                {'types': {name: 'text/plain' for name in ('brambix.js.gz', 'brambix.wasm.gz', 'brambix.data.gz')}},
                {'faults': {'brambix.wasm.gz': ('late', 1000)}}):
        server, url = serve(**how)
        try:
            driver.get(url)
            wait_for(f'the first frame from {how}', 30, lambda: message() or driver.execute_script('return bx.first'))
            shown = driver.execute_script('return bx.first')
            same, differing = same_frame(png(shown), Image.open(DESKTOP_FRAME).convert('RGB')) if shown else (False, 0)
            if same and how.get('encoding') == 'gzip':
                try:
                    wait_for('the copy kept from a server that gzips every answer', 30, keeps_files)
                except TimeoutError as error:
                    same, differing = False, f'0 pixels differ, but {error}'
            check(f'{how}: the game starts from its packed files', same, message() or f'{differing} pixels differ')
            if not same and shown:
                png(shown).save(f'first-frame-{how.get("encoding") or next(iter(how))}.png')
        finally:
            server.shutdown()
            server.server_close()


def page_rows():
    check_notices_and_install()
    check_packed_files()
    check_offline()
    check_refused_files()
    check_kept_copy()
    check_replay_faults()
    check_phone()


ROWS = 83
# A pad as the page's Gamepad API shows one: listed by navigator.getGamepads and announced
# with gamepadconnected, as a browser does at a real pad's first button press. SDL reads
# its state from the list at every poll.
PAD = """
const pad = {id: 'Stand-in pad (STANDARD GAMEPAD Vendor: 045e Product: 028e)', index: 0, connected: true,
  mapping: 'standard', timestamp: 0, axes: [0, 0, 0, 0],
  buttons: Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}))};
navigator.getGamepads = () => [pad, null, null, null];
const connected = new Event('gamepadconnected');
Object.defineProperty(connected, 'gamepad', {value: pad});
window.dispatchEvent(connected);
bx.pad = pad;
"""


@runs_in(rows=1)
def pad_walks_and_breaks():
    """The left stick walks; South breaks the tile the pad's pointer marks, under the player."""
    driver.execute_script(PAD)
    before = grab()
    # Held and pressed for frames the page drew: SDL reads the pad once a frame.
    driver.execute_script('bx.pad.axes[0] = 1;')
    frames_later(20)
    driver.execute_script('bx.pad.axes[0] = 0;')
    frames_later(3)
    after, slot = grab(), (275, 540, 315, 580)
    driver.execute_script('bx.pad.buttons[0] = {pressed: true, touched: true, value: 1};')
    frames_later(3)
    driver.execute_script('bx.pad.buttons[0] = {pressed: false, touched: false, value: 0};')
    frames_later(30, 'an item in hotbar slot 1', lambda: not near(mean(grab(), slot), mean(after, slot), 3))
    walked = walked_right(before, after)
    check('a stand-in pad walks with its stick and breaks a tile with South', walked > 0, f'{walked} pixels')


# The page's screen wake locks, as the browser hands them out.
WAKE_LOCKS = """
const request = navigator.wakeLock.request.bind(navigator.wakeLock);
bx.locks = [];
navigator.wakeLock.request = type => request(type).then(lock => { bx.locks.push(lock); return lock; });
"""


@runs_in('chromium', rows=2, why='proven in Chromium, the page hidden behind a new tab')
def wake_lock_rows():
    """Played with keys, the screen is held awake; hidden, the page lets go; shown again,
    it takes the lock again."""
    driver.execute_script(WAKE_LOCKS)
    tab, others = driver.current_window_handle, []
    press('q')  # no key of the game's: a player at the keys all the same

    def hide_and_show():
        driver.switch_to.new_window('tab')  # this page hidden behind another
        others.append(driver.current_window_handle)
        driver.switch_to.window(tab)
    held = 'return bx.locks.length === arguments[0] && !bx.locks[arguments[0] - 1].released'
    check('played with keys, the page holds the screen awake', frames_later(
        30, probe=lambda: driver.execute_script(held, 1)), driver.execute_script('return bx.locks.length'))
    hide_and_show()
    check('hidden, the page lets the screen go; shown again, it holds it again', frames_later(
        30, probe=lambda: driver.execute_script('return bx.locks[0].released') and driver.execute_script(held, 2)),
        driver.execute_script('return bx.locks.map(l => l.released)'))
    for handle in others:
        driver.switch_to.window(handle)
        driver.close()
    driver.switch_to.window(tab)


# ---------------------------------------------------------------- a run kept by its tab
KEPT = 'brambix.run.'
HOTBAR = [(275 + 50 * i, 540, 315 + 50 * i, 580) for i in range(5)]


def hash_of(text):  # the kept state's hash, from the base64 of "HASH FRAMES"
    return base64.b64decode(text).split()[0] if text else None


def reload_page():
    driver.refresh()
    wait_for('the first frame after a reload', 30, lambda: driver.execute_script('return bx.first !== null'))
    return (driver.execute_script('return document.getElementById("run-notice").hidden ? "" :'
                                  'document.getElementById("run-notice-text").textContent'),
            [mean(png(driver.execute_script('return bx.first')), box) for box in HOTBAR])


@runs_in(rows=17)
def run_rows():
    """The run played so far survives a reload with its hash and hotbar; broken kept runs
    start a new world saying why; a new tab and the New world button start afresh."""
    hotbar = [mean(grab(), box) for box in HOTBAR]
    said, after = reload_page()
    restored = driver.execute_script(f'return sessionStorage.getItem("{KEPT}hash")')
    check('a reload brings the run back: same state hash and hotbar',
          not said and hash_of(restored) == hash_of(driver.execute_script('return bx.kept')) and
          all(near(a, b, 3) for a, b in zip(after, hotbar)),
          f'{said} {driver.execute_script("return Module.restoreMs")} ms')
    fresh = reload_page()[1]  # nothing played since: the same run again, kept unchanged
    good = {part: driver.execute_script(f'return sessionStorage.getItem("{KEPT}{part}")')
            for part in ('snapshot', 'frames', 'hash')}
    snapshot = base64.b64decode(good['snapshot'])
    def changed(at, byte):
        return base64.b64encode(snapshot[:at] + bytes([byte]) + snapshot[at + 1:]).decode()
    version = 11 + snapshot[10]  # the version's text ends, the recipe book's digest begins
    # As an earlier version kept it, the hash only "HASH FRAMES": the snapshot says whose it is.
    earlier = base64.b64encode(b' '.join(base64.b64decode(good['hash']).split()[:2])).decode()
    frames = base64.b64decode(good['frames'])
    broken = (('damaged', {'snapshot': 'bm90IGEgcnVu'}, 'damaged'),
              ('of another version', {'snapshot': changed(11, snapshot[11] ^ 1), 'hash': earlier},
               'another version of Brambix'),
              ('of another book', {'snapshot': changed(version, snapshot[version] ^ 1), 'hash': earlier},
               'another recipe book'),
              ('cut short', {'snapshot': base64.b64encode(snapshot[:-9]).decode()}, 'damaged'),
              ('cleared halfway', {'hash': None}, 'incomplete'),
              ('with damaged frames', {'frames': 'eA=='}, 'damaged'),
              ('with a million frames more', {'frames': base64.b64encode(frames + bytes(1000000)).decode()}, 'damaged'),
              ('with a clock byte changed', {'snapshot': changed(28, snapshot[28] ^ 0x80)}, 'damaged'),
              ('with a random sequence byte changed', {'snapshot': changed(100, snapshot[100] ^ 4)}, 'damaged'),
              ('without its frames', {'frames': None}, 'incomplete'),
              ('with a hash of 3 MB', {'hash': 'A' * (3 << 20)}, 'damaged'),
              ('with the snapshot as its hash', {'hash': good['snapshot']}, 'damaged'),
              ('with its format changed', {'snapshot': changed(8, snapshot[8] ^ 1), 'hash': earlier}, 'damaged'),
              ('with a version that is no text', {'snapshot': changed(10, snapshot[10] + 9), 'hash': earlier}, 'damaged'),
              ('without its id', {'id': None}, 'incomplete'))
    for what, parts, want in broken:
        driver.execute_script('Module._brambixKeepRun = null;'  # leaving, the page would keep its own run
                              'for (const [k, v] of Object.entries(arguments[0])) v === null ? '
                              'sessionStorage.removeItem(k) : sessionStorage.setItem(k, v);',
                              {KEPT + k: v for k, v in {**good, **parts}.items()})
        said, after = reload_page()
        # Refused before a frame of it is played, in a player's words: no path, no raw bytes.
        check(f'a kept run {what}: a new world and a notice', want in said and 'new world' in said and
              not near(after[0], fresh[0], 3) and '/' not in said and said.isprintable() and
              (driver.execute_script('return Module.restoreMs') or 0) < 1000,
              f'{said} {driver.execute_script("return Module.restoreMs")} ms')
    # A tab opened by this one gets a copy of its session storage: it must not take the run.
    tab, ours = driver.current_window_handle, driver.execute_script(f'return sessionStorage.getItem("{KEPT}id")')
    driver.execute_script('window.open(location.href)')
    driver.switch_to.window([h for h in driver.window_handles if h != tab][0])
    wait_for('the run kept in a new tab', 30, lambda: driver.execute_script(
        'return !document.getElementById("new-world").hidden'))  # no hooks here: the game runs
    check('a new tab starts a new world and says so', driver.execute_script(
        'return Module.restoreMs === undefined && document.getElementById("run-notice-text").textContent'
        f'.includes("copied") && sessionStorage.getItem("{KEPT}id") !== arguments[0]', ours), f'this tab: {ours}')
    driver.close()
    driver.switch_to.window(tab)


@runs_in(rows=2)
def full_and_new_rows():
    """Storage fills up: the game plays on; the New world button."""
    driver.execute_script('Storage.prototype.setItem = () => { throw new DOMException("full", "QuotaExceededError"); };'
                          'bx.release();')
    wait_for('the notice that the run cannot be kept', 5, lambda: 'cannot be kept' in driver.execute_script(
        'return document.getElementById("run-notice-text").textContent'))
    check('storage full: the game plays on and says so', not message())
    driver.find_element('id', 'new-world').click()
    driver.find_element('id', 'new-world-yes').click()
    wait_for('the new world', 30, lambda: driver.execute_script('return bx.first !== null && bx.kept === null'))
    check('the New world button starts a new world', True)


# ---------------------------------------------------------------- the Controls panel
def panel(script, *args):
    """Runs `script` in the page with row(name) (a control's button in the panel), key(code)
    (a key pressed), press(element) (a mouse button pressed on it, then a click), said()
    (the panel's line), kept() (the controls stored) and notice() (the game's notice)."""
    return driver.execute_script("""
      const row = name => document.querySelector('#controls-table button[data-control="' + name + '"]');
      const key = code => window.dispatchEvent(new KeyboardEvent('keydown', {code, bubbles: true, cancelable: true}));
      const press = (el, button = 0) => {
        el.dispatchEvent(new MouseEvent('mousedown', {button, bubbles: true, cancelable: true}));
        if (el !== document.getElementById('canvas')) el.click();
      };
      const said = () => document.getElementById('controls-say').textContent;
      const kept = () => JSON.parse(localStorage.getItem('brambix.controls'));
      const notice = () => document.getElementById('notice').hidden ? '' : document.getElementById('notice-text').textContent;
      const open = () => document.getElementById('controls-button').click();
      const choice = start => [...document.querySelectorAll('#controls-say button')]
        .find(b => b.textContent.startsWith(start)).click();
    """ + script, *args)


# Keys a player may give in the panel beyond the letters: every one must reach the game's
# reader as a name it takes.
PANEL_KEYS = ['CapsLock', 'MetaLeft', 'MetaRight', 'ContextMenu', 'IntlBackslash', 'NumLock', 'Pause', 'ScrollLock',
              'PrintScreen', 'F13', 'F24', 'NumpadEqual', 'NumpadComma', 'IntlRo', 'Lang1', 'Backquote', 'Numpad5',
              'Insert', 'BrowserBack', 'AudioVolumeMute']


@runs_in(rows=6)
def controls_panel_rows():
    """The Controls panel never binds a click meant for itself, never leaves a control
    without a key nor stores what the game would fault, takes every key the game reads,
    says when the browser keeps nothing, shows the hold in use, and follows another tab."""
    driver.execute_script('bx.release();')
    wait_for('the Controls button', 30, lambda: driver.execute_script(
        "return !document.getElementById('controls-button').hidden"))
    panel("open(); press(row('inventory')); press(row('walk_up')); press(document.getElementById('controls-done'));")
    state = panel("return [kept(), document.getElementById('controls-panel').hidden, row('break').textContent, "
                  "row('inventory').textContent, notice(), document.getElementById('controls-button').hidden]")
    check('controls: a click on another row or on Done while a control waits binds nothing',
          state[0] is None and state[1] and state[2] == 'Mouse Left, Pad Confirm' and state[3] == 'E, Pad Top' and
          not state[4] and not state[5], str(state))

    asked = panel("open(); row('walk_right').click(); key('KeyW'); return said();")
    panel("choice('Swap');")
    state = panel("return [kept(), row('walk_right').textContent, row('walk_up').textContent, notice()]")
    check('controls: walk right given W asks to swap; swapped, walk up has D and no notice comes',
          'walk up' in asked and state[0] and state[0]['walk_right'] == ['W'] and state[0]['walk_up'] == ['D'] and
          state[1:] == ['W', 'D', ''], f'{asked!r} {state}')

    before = panel("return localStorage.getItem('brambix.controls')")
    asked = panel("row('inventory').click(); key('KeyS'); const a = said(); choice('Keep'); return a;")
    refused = panel("row('walk_up').click(); press(document.getElementById('canvas')); return said();")
    state = panel("return [localStorage.getItem('brambix.controls'), row('inventory').textContent, "
                  "row('walk_up').textContent, row('walk_down').textContent, notice()]")
    check('controls: a key kept by its control, a click refused by a walk: nothing changes',
          'walk down' in asked and 'keys only' in refused and state == [before, 'E, Pad Top', 'D', 'S', ''],
          f'{asked!r} {refused!r} {state}')

    given = panel("return arguments[0].map(code => { row('slot_5').click(); key(code); "
                  "return [code, row('slot_5').textContent, said()]; })", PANEL_KEYS)
    unnamed = panel("row('slot_5').click(); key(''); const s = said(); key('Escape'); return s;")
    names = [name for _, name, _ in given]
    check('controls: every key the game reads is taken: ' + ', '.join(names),
          len(set(names)) == len(PANEL_KEYS) and not any(line for _, _, line in given) and '5' not in names and
          'cannot be given' in unnamed and not panel('return notice()'), f'{given} {unnamed!r}')

    # As an earlier page kept them: a hold the slider's steps miss, and the inventory with no key.
    panel("localStorage.setItem('brambix.controls', JSON.stringify(Object.assign(kept(), "
          "{hold_ms: 725, inventory: []})));")
    reload_page()
    driver.execute_script('bx.release();')
    wait_for('the Controls button after a reload', 30, lambda: driver.execute_script(
        "return !document.getElementById('controls-button').hidden"))
    shown = panel("open(); const shown = [document.getElementById('controls-hold').value, "
                  "document.getElementById('controls-hold-text').textContent, kept().inventory, notice()];"
                  "document.getElementById('notice-close').click(); return shown;")
    # The game's line on the console is the one expected here; any other is a failure of this row.
    others = [e['message'] for e in driver.get_log('browser')
              if e['level'] == 'SEVERE' and 'names no key; the default is kept' not in e['message']]
    full = panel("""
      const set = Storage.prototype.setItem;
      Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); };
      const hand = document.getElementById('controls-hand');
      hand.value = 'left';
      hand.dispatchEvent(new Event('change'));
      Storage.prototype.setItem = set;
      return [said(), hand.value, kept().hand, notice()];""")
    check('controls: the hold shows the 725 ms in use; an inventory kept with no key is kept again with its own; '
          'with storage full the hand changes and one line says it is not kept',
          shown[:3] == ['725', '725 ms', ['E', 'Pad Top']] and '"inventory"' in shown[3] and not others and
          'no room' in full[0] and full[1:] == ['left', 'right', ''], f'{shown} {full} {others}')

    tab = driver.current_window_handle
    driver.execute_script('window.open(location.href)')
    driver.switch_to.window([h for h in driver.window_handles if h != tab][0])
    wait_for('the Controls button in a second tab', 30, lambda: driver.execute_script(
        "return !document.getElementById('controls-button').hidden"))
    panel("open(); row('walk_up').click(); key('KeyI');")
    driver.close()
    driver.switch_to.window(tab)
    wait_for("the first tab to take the second's walk up on I", 10,
             lambda: panel("return row('walk_up').textContent") == 'I')
    panel("row('walk_down').click(); key('KeyK');")
    state = panel("return [kept(), notice()]")
    check("controls: two tabs: each keeps the other's change, and the last change of each control stays",
          state[0]['walk_up'] == ['I'] and state[0]['walk_down'] == ['K'] and state[0]['walk_right'] == ['W'] and
          not state[1], str(state))
    panel("document.getElementById('controls-defaults').click(); document.getElementById('controls-done').click();")


@runs_in('chromium', 'firefox', rows=2, why="its driver runs no script before a new tab's page")
def copy_after_leaving():
    """A copy of this tab's run, made as a duplicate is while the game played, opens after
    this tab left the page: the copy starts afresh saying so, and this tab, back, has its run."""
    tab, copy = driver.current_window_handle, driver.execute_script('return Object.assign({}, sessionStorage)')
    driver.get(URL + '?replay=' + REPLAYS[0])  # another page of the site: no game, its session storage stays
    wait_for('the verdict', 120, lambda: driver.execute_script("return document.getElementById('replay-verdict') !== null"))
    driver.switch_to.new_window('tab')
    driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': 'for (const [k, v] of Object.entries('
                           f'{json.dumps(copy)})) sessionStorage.setItem(k, v);'})
    driver.get(URL)
    wait_for('the copy to start', 30, lambda: not driver.execute_script('return document.getElementById("new-world").hidden'))
    said = driver.execute_script('return document.getElementById("run-notice-text").textContent')
    check('a copy opened after its tab left the page starts a new world', 'copied' in said and driver.execute_script(
        f'return Module.restoreMs === undefined && sessionStorage.getItem("{KEPT}id") !== arguments[0]', copy[KEPT + 'id']),
        said)
    driver.close()
    driver.switch_to.window(tab)
    driver.get(URL)
    wait_for('the first frame back in the first tab', 30, lambda: driver.execute_script('return bx.first !== null'))
    back = driver.execute_script('return [document.getElementById("run-notice").hidden, Module.restoreMs, bx.kept,'
                                 f'sessionStorage.getItem("{KEPT}hash"), sessionStorage.getItem("{KEPT}id")]')
    check('back in the first tab, its run comes back', back[0] and back[1] is not None and
          hash_of(back[2]) == hash_of(back[3]) and back[4] == copy[KEPT + 'id'], str(back))


# ---------------------------------------------------------------- a phone, by touch
PHONE_W, PHONE_H = 844, 390
PHONE_SCALE = min(PHONE_W / 800, PHONE_H / 600)
BUTTON = (PHONE_W - (PHONE_W - 800 * PHONE_SCALE) / 4, PHONE_H - 54)  # the inventory's, low in the right bar


def on_phone(x, y):  # a point of the 800x600 picture on the page, in CSS pixels
    return (PHONE_W - 800 * PHONE_SCALE) / 2 + x * PHONE_SCALE, (PHONE_H - 600 * PHONE_SCALE) / 2 + y * PHONE_SCALE


def touch(kind, *points):  # every finger (id, x, y) down after the event, in CSS pixels
    driver.execute_cdp_cmd('Input.dispatchTouchEvent', {
        'type': kind, 'touchPoints': [{'id': i, 'x': x, 'y': y} for i, x, y in points]})


# A finger's pointer events as the browser hands them to the canvas: a tap's down and up
# in one go, so that no busy machine stretches it into a hold.
FINGER = """
const [types, x, y] = arguments, canvas = document.getElementById('canvas');
for (const type of types) {
  canvas.dispatchEvent(new PointerEvent(type, {pointerType: 'touch', pointerId: 7, isPrimary: true, bubbles: true,
                                               clientX: x, clientY: y, button: 0, buttons: type === 'pointerup' ? 0 : 1}));
}
"""


def tap(x, y, page=False):
    driver.execute_script(FINGER, ['pointerdown', 'pointerup'], *((x, y) if page else on_phone(x, y)))


def hold(x, y):
    """Held until the page has drawn a frame begun well past the half second of a hold."""
    driver.execute_script(FINGER, ['pointerdown'], *on_phone(x, y))
    frames_later(2)  # the landing is read
    time.sleep(0.75)
    frames_later(2)
    driver.execute_script(FINGER, ['pointerup'], *on_phone(x, y))


def phone_sideways():
    """The page as on a phone held sideways, touch on."""
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
        'width': PHONE_W, 'height': PHONE_H, 'deviceScaleFactor': 3, 'mobile': True,
        'screenOrientation': {'type': 'landscapePrimary', 'angle': 90}})
    driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})


def stick_walk(before, after):  # how far the world moved left between two phone pictures
    return min(range(0, 600, 6), key=lambda dx: sum(ImageStat.Stat(ImageChops.difference(
        before.crop((dx, 40, 800, 250)), after.crop((0, 40, 800 - dx, 250)))).mean))


def phone_picture(img=None):  # the canvas's picture, scaled back to 800x600
    img = img or grab()
    s = min(img.width / 800, img.height / 600)
    box = (round((img.width - 800 * s) / 2), round((img.height - 600 * s) / 2))
    return img.crop((*box, box[0] + round(800 * s), box[1] + round(600 * s))).resize((800, 600), Image.NEAREST)


@runs_in('chromium', 'firefox', rows=6, why='no touch emulation through its driver')
def play_by_touch():
    """The page on a phone held sideways, by touch alone."""
    phone_sideways()
    driver.get(URL)
    wait_for('the first frame on the phone', 30, lambda: driver.execute_script('return bx.first !== null'))
    # The tree's four trunk tiles, the player on one; a creature in the way takes a tap.
    trunks = [(x, y, x + 64, y + 64) for x in (304, 368) for y in (204, 268)]
    # The first tap, made while the page is still starting (its second frame held back),
    # breaks a trunk seen whole in the first frame.
    first = phone_picture(png(driver.execute_script('return bx.first')))
    whole = [box for box in trunks[:3] if shows(first, box[0], box[1], 64, 'wood.png')]
    if whole:
        tap(whole[0][0] + 32, whole[0][1] + 32)
    driver.execute_script('bx.release();')
    check('phone: the first tap, while the page starts, breaks a trunk',
          bool(whole) and frames_later(10, probe=lambda: shows(phone_picture(), 275, 540, 40, 'wood.png')),
          f'trunks seen whole at first: {whole}')
    for attempt in range(10):
        for box in trunks:
            if not near(mean(phone_picture(), (box[0], box[1], box[0] + 24, box[3])), (30, 30, 30), 3):
                tap(box[0] + 12, box[1] + 32)
    check('phone: a tap on a trunk puts wood in the hotbar', shows(phone_picture(), 275, 540, 40, 'wood.png'))
    hold(464, 428)  # on the grass below right of the player
    # A creature wandering there hides part of the new block, or for a while all of it
    # (one rests up to 6 s, 360 frames at 60 a second, before it walks on).
    placed = frames_later(600, probe=lambda: shows(phone_picture(), 432, 396, 64, 'wood.png', quarters=True))
    check('phone: a hold on grass places a block', placed)
    if not placed:
        phone_picture().save('phone-hold.png')
    tap(*BUTTON, page=True)
    frames_later(30, 'the inventory', lambda: phone_picture().getpixel((241, 251)) == (80, 80, 80))
    for x, y in ((295, 560), (340, 120), (450, 142), (260, 270)):  # wood to the grid, planks to the inventory
        tap(x, y)
    phone_picture().save('phone-inventory.png')  # kept for a look when the next wait fails
    frames_later(30, 'planks stored', lambda: shows(phone_picture(), 240, 250, 40, 'planks.png'))
    check('phone: the inventory button and taps craft planks', True)
    tap(*BUTTON, page=True)
    frames_later(30, 'the inventory to close', lambda: phone_picture().getpixel((241, 251)) != (80, 80, 80))
    # Every tile in sight that shows grass or leaves all over (no creature near) when its
    # turn comes, up to 100, is tapped; those must be bare afterwards, and no other.
    textures = [ImageStat.Stat(pic.convert('RGB'), pic.getchannel('A')).mean for pic in
                (Image.open(f'{ASSETS}/{name}').convert('RGBA') for name in ('grass.png', 'leaf.png'))]
    tiles = [(max(x, 0), max(y, 0), min(x + 64, 800), 536 if y < 580 < y + 64 else min(y + 64, 600))
             for x in range(-16, 800, 64) for y in range(-52, 600, 64)]  # clear of the hotbar and its frame
    def tap_if_whole(box):
        whole = any(near(mean(phone_picture(), box), t, 12) for t in textures)
        if whole:
            tap((box[0] + box[2]) / 2, (box[1] + box[3]) / 2)
        return whole
    tapped = list(itertools.islice((box for box in tiles if tap_if_whole(box)), 100))
    # A creature may rest on part of a broken tile through every view: one bare quarter
    # of a tile in one view shows it broken.
    def bare(img, box):
        mx, my = (box[0] + box[2]) // 2, (box[1] + box[3]) // 2
        return any(near(mean(img, q), (30, 30, 30), 3) for q in
                   ((box[0], box[1], mx, my), (mx, box[1], box[2], my), (box[0], my, mx, box[3]), (mx, my, box[2], box[3])))
    # A creature that wanders under a finger between the look and the tap takes that tap
    # instead of the tile: a tapped tile still whole is tapped again, up to three times.
    # Taps that land on the wrong tile still show as a neighbour broken.
    retaps = 0
    for attempt in range(4):
        views = [time.sleep(0.5) or phone_picture() for _ in range(8)]  # past creatures standing on a tile
        broke = [box for box in tiles if box not in trunks and any(bare(img, box) for img in views)]
        missed = [box for box in tapped if box not in broke]
        if not missed or attempt == 3:
            break
        retaps += sum(tap_if_whole(box) for box in missed)
    check('phone: 100 taps on 100 tiles break exactly those', len(tapped) == 100 and broke == tapped,
          f'{len(tapped)} tapped, {retaps} again past a creature, {len(broke)} bare; not bare: {missed}')
    if not results[-1]:
        views[-1].save('phone-taps.png')
    before, thumb = phone_picture(), (0, PHONE_W / 10, PHONE_H / 2)  # in the left bar
    touch('touchStart', thumb)
    touch('touchMove', (0, thumb[1] + 60, thumb[2]))
    frames_later(20)
    touch('touchStart', (0, thumb[1] + 60, thumb[2]), (1, *on_phone(560, 200)))  # and a hold begun
    time.sleep(0.1)
    with open('touch-phone.png', 'wb') as f:  # the page as the player sees it, for the README
        f.write(base64.b64decode(driver.execute_cdp_cmd('Page.captureScreenshot', {'format': 'png'})['data']))
    touch('touchEnd')
    after = phone_picture()
    shift = stick_walk(before, after)
    check('phone: the stick walks right', shift > 0, f'{shift} pixels')
    driver.execute_script('Module._brambixKeepRun = null; sessionStorage.clear();')  # the phone upright starts afresh


@runs_in('chromium', 'firefox', rows=2, why='no touch emulation through its driver')
def left_hand_by_touch():
    """The Controls panel switches the phone to the left hand: kept as brambix.controls,
    the stick comes up in the right bar and walks."""
    phone_sideways()
    driver.get(URL)
    # The game tells the panel its controls once its first picture is up.
    wait_for('the first frame', 30, lambda: driver.execute_script('return bx.first !== null'))
    driver.execute_script('bx.release();')
    wait_for('the controls panel of the game', 30, lambda: driver.execute_script(
        "return !document.getElementById('controls-button').hidden"))
    driver.execute_script("""
      document.getElementById('controls-button').click();
      const hand = document.getElementById('controls-hand');
      hand.value = 'left';
      hand.dispatchEvent(new Event('change'));
      document.getElementById('controls-done').click();""")
    kept = driver.execute_script("return localStorage.getItem('brambix.controls')") or ''
    check('controls: the panel keeps the left hand as brambix.controls', '"hand":"left"' in kept, kept[:200])
    before, thumb = phone_picture(), (0, PHONE_W - PHONE_W / 10, PHONE_H / 2)  # in the right bar
    touch('touchStart', thumb)
    touch('touchMove', (0, thumb[1] + 60, thumb[2]))
    frames_later(20)
    touch('touchEnd')
    after = phone_picture()
    shift = stick_walk(before, after)
    check('controls: with the left hand the stick in the right bar walks right', shift > 0, f'{shift} pixels')
    driver.execute_script("localStorage.removeItem('brambix.controls'); Module._brambixKeepRun = null; "
                          "sessionStorage.clear();")


@runs_in('chromium', rows=1, why='its driver emulates no finger as the pointer')
def controls_panel_on_a_phone():
    """On a phone upright and 360 CSS pixels wide, the Controls panel shows the touch
    options first with the keys folded away, fits the screen, and hides its own button."""
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {'width': 360, 'height': 740, 'deviceScaleFactor': 3,
                                                                   'mobile': True})
    driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})
    driver.get(URL)
    wait_for('the first frame', 30, lambda: driver.execute_script('return bx.first !== null'))
    driver.execute_script('bx.release();')
    wait_for('the Controls button', 30, lambda: driver.execute_script(
        "return !document.getElementById('controls-button').hidden"))
    seen = driver.execute_script("""
      document.getElementById('controls-button').click();
      const p = document.getElementById('controls-panel'), r = p.getBoundingClientRect();
      const order = [...p.children].map(c => c.id).filter(id => id === 'controls-touch' || id === 'controls-keys');
      return [r.left >= 0 && r.right <= innerWidth && p.scrollWidth <= p.clientWidth, order.join(' '),
              document.getElementById('controls-keys').open, document.getElementById('controls-button').hidden,
              Math.round(r.width), innerWidth];""")
    check('controls on a phone 360 wide: touch options first, keys folded, within the screen, its button hidden',
          seen[:4] == [True, 'controls-touch controls-keys', False, True], str(seen))
    driver.execute_script("document.getElementById('controls-done').click();"
                          "Module._brambixKeepRun = null; sessionStorage.clear();")  # the phone starts afresh
    driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': False})
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 800, 'height': 600, 'deviceScaleFactor': 1, 'mobile': False})


ITEM_NAMES = ['nothing', 'grass', 'wood', 'leaf', 'planks', 'stick', 'crafting table', 'meat', 'wooden axe',
              'wooden pickaxe', 'wooden shovel', 'wooden hoe', 'wooden sword']


@runs_in(rows=3)
def recipes_rows():
    """The Recipes panel lists each product of the book the game loaded once, in the book's
    order, with how many and whether it needs the table, drawn with the game's own
    pictures, over the canvas without touching it."""
    with open(f'{ASSETS}/recipes.json', encoding='utf-8') as f:
        book = json.load(f)['recipes']
    want, seen = [], set()
    for r in book:
        if r['result'] not in seen:
            seen.add(r['result'])
            table = not any(e.get('eq_pattern') for e in book if e['result'] == r['result'])
            first = next(e for e in book if e['result'] == r['result'] and (table or e.get('eq_pattern')))
            want.append(f"{ITEM_NAMES[r['result']]} ×{first['amount']}: "
                        f"{'needs a crafting table' if table else 'no crafting table needed'}")
    wait_for('the recipes panel of the game', 30, lambda: driver.execute_script(
        "return !document.getElementById('recipes-button').hidden"))
    canvas = "const c = document.getElementById('canvas').getBoundingClientRect(); return [c.x, c.y, c.width, c.height];"
    before = driver.execute_script(canvas)
    listed = driver.execute_script("""
      document.getElementById('recipes-button').click();
      return Array.from(document.querySelectorAll('#recipes-list .recipe-name')).map(e => e.textContent);""")
    check('recipes: the panel lists each product of the book once', listed == want, f'{listed} against {want}')
    pictures = "return Array.from(document.querySelectorAll('#recipes-list img')).map(i => i.complete && i.naturalWidth);"
    wait_for('the recipes\' pictures', 10, lambda: all(driver.execute_script(pictures)))
    widths = driver.execute_script(pictures)
    check("recipes: every product and ingredient drawn with the game's own 64-pixel picture",
          len(widths) > len(want) and set(widths) == {64}, f'{widths}')
    open_canvas = driver.execute_script(canvas)
    driver.execute_script("document.getElementById('recipes-done').click();")
    check('recipes: the panel leaves the canvas as it was and closes',
          open_canvas == before and driver.execute_script("return document.getElementById('recipes-panel').hidden"),
          f'{before} -> {open_canvas}')


NAME = engines.NAMES[ENGINE]
try:
    driver = engines.start(ENGINE)
except Exception as error:
    sys.exit(f'FAIL: cannot start {NAME}: {error}\n{NAME}: 0 passed, 1 failed, 0 skipped')
print(f'{NAME} {driver.version}', flush=True)
try:
    wait_for('the page server at ' + URL, 10, lambda: urllib.request.urlopen(URL, timeout=2).status == 200)
    driver.set_page_load_timeout(30)
    driver.set_script_timeout(10)
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 800, 'height': 600, 'deviceScaleFactor': 1, 'mobile': False})
    driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': HOOKS})
    driver.get(URL)
    wait_for('the first frame', 30, lambda: driver.execute_script('return bx.first !== null'))
    first = png(driver.execute_script('return bx.first'))
    print(f"time to the first frame: {driver.execute_script('return bx.firstAt') / 1000:.2f} s", flush=True)
    desktop = Image.open(DESKTOP_FRAME).convert('RGB')
    same, differing = same_frame(first, desktop)
    check("the first frame is the desktop game's", same, f'{differing} pixels differ')
    if not results[-1]:
        first.save('first-frame-web.png')

    driver.execute_script('bx.release(); document.getElementById("canvas").focus();')
    # The trunk left of the player, tile (-1, 0). A creature walking over it takes the
    # click instead: click again.
    for attempt in range(5):
        click(336, 300)
        if frames_later(20, probe=lambda: shows(grab(), 275, 540, 40, 'wood.png')):
            break
    shot = grab()
    check('a left click breaks the trunk into wood in the hotbar',
          shows(shot, 275, 540, 40, 'wood.png') and near(mean(shot, (310, 272, 366, 328)), (30, 30, 30), 2))

    press('e')
    frames_later(30, 'the inventory', lambda: grab().getpixel((241, 251)) == (80, 80, 80))
    click(295, 560)  # the wood from hotbar slot 0 into the first cell of the grid
    click(340, 120)
    frames_later(30, 'planks offered', lambda: shows(grab(), 430, 122, 40, 'planks.png'))
    click(450, 142)  # the planks into inventory slot 0
    click(260, 270)
    frames_later(30, 'planks stored', lambda: shows(grab(), 240, 250, 40, 'planks.png'))
    check('E opens the inventory and one wood in the grid crafts planks', True)
    press('e')
    frames_later(30, 'the inventory to close', lambda: grab().getpixel((241, 251)) != (80, 80, 80))

    before, frames, started = grab(), driver.execute_script('return bx.frames'), time.monotonic()
    press('d', 1.0)
    seconds = time.monotonic() - started
    frames = driver.execute_script('return bx.frames') - frames
    after = grab()
    shift = walked_right(before, after)
    check('a held D walks right', shift > 0, f'{shift} pixels')
    print(f'frames a second while walking: {shift / 6 / seconds:.1f} '
          f'(animation frames: {frames / seconds:.1f})', flush=True)

    recipes_rows()
    pad_walks_and_breaks()

    run_rows()
    copy_after_leaving()
    full_and_new_rows()
    controls_panel_rows()
    driver.execute_script('Module._brambixKeepRun = null; sessionStorage.clear();')  # the phone starts afresh

    controls_panel_on_a_phone()
    play_by_touch()
    left_hand_by_touch()

    wake_lock_rows()

    errors = [e['message'] for e in driver.get_log('browser') if e['level'] == 'SEVERE']
    check('no errors in the console', not errors, '; '.join(errors)[:500])
    for replay in REPLAYS:
        driver.get(URL + '?replay=' + replay)
        wait_for('the verdict on ' + replay, 120,
                 lambda: driver.execute_script("return document.getElementById('replay-verdict') !== null"))
        verdict = driver.execute_script("return document.getElementById('replay-verdict').textContent")
        logged = [e['message'] for e in driver.get_log('browser')]
        print('replay verdict:', verdict, flush=True)
        check('the page verifies ' + replay, verdict.startswith(replay + ': ') and 'state matches' in verdict and
              any(verdict in m for m in logged), verdict)
    page_rows()
except Exception as error:  # a timeout or a lost browser ends the run as one failure
    check('the browser session', False, f'{type(error).__name__}: {str(error).splitlines()[0]}')
    for entry in driver.get_log('browser')[-10:]:
        print('console:', entry['level'], entry['message'][:300])
finally:
    driver.quit()
print(f'{NAME}: {results.count(True)} passed, {results.count(False)} failed, {results.count(None)} skipped')
sys.exit(0 if False not in results and len(results) == ROWS + len(REPLAYS) else 1)
