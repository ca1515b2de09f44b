#!/usr/bin/env python3
"""How the page and its service worker meet a gzip bomb in place of brambix.wasm.gz
(1 GiB of zeros, packed to about 1 MB, made here): the time from the page's start to its
message, and the peak memory of the browser's processes (the largest one, and all of
them together), sampled every 50 ms. In headless Chromium through chromedriver (Debian's
`chromium`, `chromium-driver`, `python3-selenium`), as tests/web/browser_test.py drives it.
   page_bomb.py DIST_DIR       (dist/web of a build)"""
import http.server
import os
import sys
import threading
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import engines  # noqa: E402

DIST = sys.argv[1]


def bomb(size=1 << 30):
    packer, block = zlib.compressobj(9, zlib.DEFLATED, 31), bytes(1 << 20)
    return b''.join([packer.compress(block) for _ in range(size >> 20)] + [packer.flush()])


BOMB = bomb()


def serve(state):
    """dist/web; the bomb as brambix.wasm.gz to the page (state['page']) or the service
    worker (state['worker'])."""
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=DIST, **kwargs)

        def log_message(self, *args):
            pass

        def do_GET(self):
            name = os.path.basename(self.path.split('?')[0]) or 'index.html'
            by_page = 'X-Brambix-Page-Checks' in self.headers
            if name == 'brambix.wasm.gz' and state.get('page' if by_page else 'worker'):
                body = BOMB
                state.setdefault('bombed', time.monotonic())
            else:
                return super().do_GET()
            self.send_response(200)
            self.send_header('Content-Type', 'application/gzip')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            try:
                self.wfile.write(body)
            except OSError:
                pass
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f'http://127.0.0.1:{server.server_address[1]}/'


def tree(root):
    """The process `root` and all its descendants."""
    children = {}
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open(f'/proc/{pid}/stat') as f:
                parent = int(f.read().rsplit(')', 1)[1].split()[1])
            children.setdefault(parent, []).append(int(pid))
        except OSError:
            pass
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def rss_mb(pid):
    try:
        with open(f'/proc/{pid}/status') as f:
            return next(int(line.split()[1]) for line in f if line.startswith('VmRSS:')) / 1024
    except (OSError, StopIteration):
        return 0


def sampled(driver, seconds, go, done):
    """Samples the browser's memory from before go() (a navigation) until done() holds
    or `seconds` pass: (seconds taken or None, peak of one process, peak of all, MB)."""
    root, start, peak = driver.service.process.pid, time.monotonic(), [0, 0]
    stop = threading.Event()

    def sample():
        while not stop.is_set():
            sizes = [rss_mb(pid) for pid in tree(root)]
            peak[0], peak[1] = max(peak[0], max(sizes)), max(peak[1], sum(sizes))
            time.sleep(0.05)
    sampler = threading.Thread(target=sample)
    sampler.start()
    try:
        go()
        while time.monotonic() - start < seconds:
            try:
                if done():
                    return time.monotonic() - start, peak[0], peak[1]
            except Exception:  # the page busy or gone for a moment
                pass
            time.sleep(0.05)
        return None, peak[0], peak[1]
    finally:
        stop.set()
        sampler.join()


MESSAGE = ("const m = document.getElementById('message');"
           "return getComputedStyle(m).display === 'none' ? null : m.innerText")

print(f'bomb: {len(BOMB)} bytes packed, {1 << 30} unpacked')
state = {}
server, url = serve(state)
driver = engines.start('chromium')
try:
    state['page'] = True
    took, one, all_ = sampled(driver, 60, lambda: driver.get(url + '?bomb'), lambda: driver.execute_script(MESSAGE))
    print(f'page: refused after {took and f"{took:.1f} s" or "more than 60 s"}; peak {one:.0f} MB in one process, '
          f'{all_:.0f} MB in all')
    print('  said:', (driver.execute_script(MESSAGE) or '').replace('\n', ' ')[:300])
    # A first visit: the page gets the good files, the service worker the bomb.
    state.update(page=False, worker=True)
    state.pop('bombed', None)
    took, one, all_ = sampled(driver, 60, lambda: driver.get(url), lambda: 'bombed' in state and driver.execute_async_script(
        'navigator.serviceWorker.getRegistration().then(r => arguments[0](!r || !r.installing))'))
    print(f'worker: given the bomb on a first visit, its install ended after '
          f'{took and f"{took:.1f} s" or "more than 60 s"}; peak {one:.0f} MB in one process, {all_:.0f} MB in all')
    print('  kept:', driver.execute_async_script('caches.keys().then(arguments[0])'))
finally:
    driver.quit()
    server.shutdown()
