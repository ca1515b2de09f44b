#!/usr/bin/env python3
"""How soon the web page plays, in headless Chromium, from DIST (dist/web) served by a
plain static server that compresses nothing: under a phone's profile (562.5 ms of latency
a request, 1.44 Mbit/s down, the CPU slowed 4 times, as Lighthouse's mobile profile) and
unthrottled. For each: the first game frame of a first visit (a fresh browser profile)
after navigation, when the page asked for the wasm and when its last byte came before it
(the page's own first response and the wasm's download), and the bytes the server
sent until then and until the page's files are kept; the first frame of a second visit;
and, walking for WALK seconds, the game's frames a second and the main thread's time a
frame (p50, p90) with where it went (script, style and layout, the rest) from DevTools'
metrics.
   page_start.py DIST [WALK_SECONDS]"""
import http.server
import shutil
import statistics
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

DIST = sys.argv[1]
WALK = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
# Lighthouse's mobile profile as DevTools applies it (Slow 4G and a 4x slower CPU).
PHONE = {'latency': 562.5, 'downloadThroughput': 1474.56 * 1024 / 8, 'uploadThroughput': 675 * 0.9 * 1024 / 8}
# Before the page's own scripts: the time of the canvas's first draw call, and each
# animation frame's length and whether the game drew in it.
HOOKS = """
window.pb = {first: 0, frames: [], drew: false};
for (const proto of [WebGLRenderingContext.prototype, window.WebGL2RenderingContext && WebGL2RenderingContext.prototype]) {
  if (!proto) continue;
  for (const call of ['drawArrays', 'drawElements']) {
    const real = proto[call];
    proto[call] = function () {
      if (!pb.first) pb.first = performance.now();
      pb.drew = true;
      return real.apply(this, arguments);
    };
  }
}
const raf = requestAnimationFrame.bind(window);
window.requestAnimationFrame = cb => raf(t => {
  const start = performance.now();
  pb.drew = false;
  cb(t);
  pb.frames.push([start, performance.now() - start, pb.drew]);
});
"""


class Counted(http.server.SimpleHTTPRequestHandler):
    """Serves DIST as it is and counts the bytes it sends, and when (the clock's time)."""
    sent = 0
    log = []

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=DIST, **kwargs)

    def log_message(self, *args):
        pass

    def copyfile(self, source, outputfile):
        data = source.read()
        Counted.sent += len(data)
        Counted.log.append((time.time() * 1000, len(data)))
        outputfile.write(data)


def until(driver, script, what, seconds=120):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    raise TimeoutError(f'waited {seconds} s for {what}')


def metrics(driver):
    return {m['name']: m['value'] for m in driver.execute_cdp_cmd('Performance.getMetrics', {})['metrics']}


def visit(throttled):
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Counted)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f'http://127.0.0.1:{server.server_address[1]}/'
    options = webdriver.ChromeOptions()
    profile = tempfile.mkdtemp(prefix='page-start-')
    for arg in ('--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=800,600',
                f'--user-data-dir={profile}'):
        options.add_argument(arg)
    options.binary_location = shutil.which('chromium') or ''
    driver = webdriver.Chrome(options=options, service=Service(shutil.which('chromedriver')))
    try:
        driver.execute_cdp_cmd('Network.enable', {})
        driver.execute_cdp_cmd('Performance.enable', {})
        driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': HOOKS})
        if throttled:
            driver.execute_cdp_cmd('Network.emulateNetworkConditions', {'offline': False, **PHONE})
            driver.execute_cdp_cmd('Emulation.setCPUThrottlingRate', {'rate': 4})
        Counted.sent, Counted.log = 0, []
        driver.get(url)
        first = until(driver, 'return pb.first', 'the first frame of a first visit')
        # Those sent before the first frame (not those of a moment later, until it was seen).
        at = driver.execute_script('return performance.timeOrigin') + first
        first_bytes = sum(n for t, n in Counted.log if t <= at)
        # What the rest of the first frame's time went to: the network until here, from
        # when the page asked for the wasm.
        wasm_start, wasm_end = driver.execute_script(
            "const e = performance.getEntriesByType('resource').filter(e => e.name.endsWith('brambix.wasm.gz'))[0];"
            "return e ? [e.startTime, e.responseEnd] : [0, 0]")
        until(driver, 'return navigator.serviceWorker.controller && caches.keys().then(k => k.length > 0)',
              'the service worker to keep the files')
        kept_bytes = Counted.sent
        # The second visit: the same tab, its run forgotten so that a new world starts.
        driver.execute_script('Module._brambixKeepRun = null; sessionStorage.clear();')
        Counted.sent = 0
        driver.get(url)
        second = until(driver, 'return pb.first', 'the first frame of a second visit')
        second_bytes = Counted.sent
        until(driver, 'return pb.frames.filter(f => f[2]).length > 60', 'a second of play')
        # Walking right, D held.
        driver.execute_script('document.getElementById("canvas").focus(); pb.frames = [];')
        before = metrics(driver)
        driver.execute_cdp_cmd('Input.dispatchKeyEvent', {'type': 'keyDown', 'code': 'KeyD', 'key': 'd',
                                                          'windowsVirtualKeyCode': 68})
        time.sleep(WALK)
        driver.execute_cdp_cmd('Input.dispatchKeyEvent', {'type': 'keyUp', 'code': 'KeyD', 'key': 'd',
                                                          'windowsVirtualKeyCode': 68})
        after = metrics(driver)
        frames = driver.execute_script('return pb.frames')
        span = (frames[-1][0] - frames[0][0]) / 1000 if len(frames) > 1 else 1
        drawn = [f for f in frames if f[2]]
        times = sorted(f[1] for f in drawn) or [0]
        per = {k: (after[k] - before[k]) * 1000 / max(len(frames), 1)
               for k in ('TaskDuration', 'ScriptDuration', 'LayoutDuration', 'RecalcStyleDuration')}
        return {
            'first': first / 1000, 'wasm_start': wasm_start / 1000, 'wasm_end': wasm_end / 1000, 'first_kb': first_bytes / 1000, 'kept_kb': kept_bytes / 1000,
            'second': second / 1000, 'second_kb': second_bytes / 1000,
            'fps': len(drawn) / span, 'raf': len(frames) / span,
            'p50': statistics.median(times), 'p90': times[int(0.9 * (len(times) - 1))],
            'task': per['TaskDuration'], 'script': per['ScriptDuration'],
            'style': per['LayoutDuration'] + per['RecalcStyleDuration']}
    finally:
        driver.quit()
        server.shutdown()
        server.server_close()
        shutil.rmtree(profile, ignore_errors=True)


ROWS = (('first game frame, first visit', 'first', '{:.2f} s'),
        ('  the wasm asked for', 'wasm_start', '{:.2f} s'),
        ('  the wasm\'s last byte before it', 'wasm_end', '{:.2f} s'),
        ('bytes sent until then', 'first_kb', '{:.0f} kB'),
        ('bytes sent until the files are kept', 'kept_kb', '{:.0f} kB'),
        ('first game frame, second visit', 'second', '{:.2f} s'),
        ('bytes sent until then', 'second_kb', '{:.1f} kB'),
        ('walking: game frames a second', 'fps', '{:.1f}'),
        ('walking: animation frames a second', 'raf', '{:.1f}'),
        ('walking: main thread in a frame, p50', 'p50', '{:.1f} ms'),
        ('walking: main thread in a frame, p90', 'p90', '{:.1f} ms'),
        ('walking: main-thread tasks a frame', 'task', '{:.1f} ms'),
        ('  of which script', 'script', '{:.1f} ms'),
        ('  of which style and layout', 'style', '{:.2f} ms'))
results = {'phone': visit(True), 'unthrottled': visit(False)}
print(f'| | Lighthouse\'s mobile profile | no throttling |\n|---|---|---|')
for label, key, form in ROWS:
    print(f'| {label} | {form.format(results["phone"][key])} | {form.format(results["unthrottled"][key])} |')
