"""The three browser engines the page is played in, each behind the part of Selenium's
driver that browser_test.py uses (scripts, navigation, W3C actions, windows, the console,
and the few DevTools commands its rows send):

  chromium  Chromium through chromedriver, as Selenium drives it.
  webkit    WebKitGTK's MiniBrowser through WebKitWebDriver (under an X server). WebDriver
            there runs no script before the page's own, so the page is served through a
            loopback proxy that puts that script at the top of index.html.
  firefox   Firefox ESR over WebDriver BiDi, spoken here over its WebSocket (Debian has
            no geckodriver); W3C actions and scripts carry over as they are.

A DevTools command an engine has no counterpart for raises Lacks: the row that needs it
is counted as skipped there, with what the engine lacks."""
import glob
import gzip
import hashlib
import http.client
import http.server
import json
import os
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.parse

from selenium import webdriver
from selenium.common.exceptions import JavascriptException, WebDriverException
from selenium.webdriver.remote.command import Command

NAMES = {'chromium': 'Chromium', 'webkit': 'WebKit', 'firefox': 'Firefox'}


class Lacks(Exception):
    """The engine (or its driver) has no way to do what a row needs."""


# DevTools commands that only Chromium has, and what a player would call them.
CHROMIUM_ONLY = {'Network.': 'network emulation (offline)', 'Page.getInstallabilityErrors': 'install check',
                 'Browser.': 'permission settings', 'Emulation.setFocusEmulationEnabled': 'focus emulation'}


def lacks(engine, command):
    what = next((w for prefix, w in CHROMIUM_ONLY.items() if command.startswith(prefix)), command)
    return Lacks(f'{NAMES[engine]} offers its driver no {what}')


# ---------------------------------------------------------------- Chromium
def chromium():
    options = webdriver.ChromeOptions()
    for arg in ('--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=800,600'):
        options.add_argument(arg)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    options.binary_location = shutil.which('chromium') or ''
    from selenium.webdriver.chrome.service import Service
    driver = webdriver.Chrome(options=options, service=Service(shutil.which('chromedriver')))
    driver.engine, driver.version = 'chromium', driver.capabilities.get('browserVersion', '?')
    return driver


# ---------------------------------------------------------------- WebKit
# What the proxy puts before the page's scripts: the console's errors kept for get_log
# (WebKitWebDriver has no log), then the test's own script, in the tab the test drives
# (a tab the page opens runs as a player's would).
CONSOLE = """
window.bxConsole = [];
for (const [name, level] of [['log', 'INFO'], ['warn', 'WARNING'], ['error', 'SEVERE']]) {
  const write = console[name].bind(console);
  console[name] = (...a) => { bxConsole.push({level, message: a.join(' ')}); write(...a); };
}
addEventListener('error', e => bxConsole.push({level: 'SEVERE', message: String(e.message)}));
"""


class Proxy:
    """One origin's page, passed through byte for byte as it arrives (stalls, early
    closes and error answers included), with `script` put first in the page's head. The
    service worker keeps index.html only when it matches the size and digest sw.js names:
    those of the page as it is passed on."""

    def __init__(self, upstream, script):
        target = urllib.parse.urlsplit(upstream)
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = 'HTTP/1.0'

            def log_message(self, *args):
                pass

            def do_GET(self):
                connection = http.client.HTTPConnection(target.hostname, target.port, timeout=60)
                try:
                    headers = {k: v for k, v in self.headers.items() if k.lower() not in ('host', 'connection')}
                    connection.request('GET', self.path, headers=headers)
                    answer = connection.getresponse()
                except (OSError, http.client.HTTPException):
                    return  # no answer there: none here
                path = urllib.parse.urlsplit(self.path).path
                page = path in ('/', '/index.html', '/sw.js') and answer.status == 200
                try:
                    body = answer.read() if page else None
                except (OSError, http.client.HTTPException):
                    return  # cut short or stalled there: closed here without an answer
                # A page the server compressed on the way is passed on inflated, to be edited.
                inflated = page and (answer.getheader('Content-Encoding') or '').lower() == 'gzip'
                if inflated:
                    body = gzip.decompress(body)
                if page and path == '/sw.js':
                    if proxy.page:
                        # (as written, or as the minifier leaves it: {size:N,sha256:"hex"})
                        body = re.sub(rb'"index\.html": ?\{"?size"?: ?\d+, ?"?sha256"?: ?"[0-9a-f]+"\}', proxy.page, body)
                elif page:
                    body = body.replace(b'<head>', b'<head>\n<script>' + proxy.script().encode() + b'</script>', 1)
                    proxy.page = b'"index.html": {"size": %d, "sha256": "%s"}' % (
                        len(body), hashlib.sha256(body).hexdigest().encode())
                self.send_response(answer.status, answer.reason)
                for k, v in answer.getheaders():
                    if k.lower() not in ('connection', 'transfer-encoding') and not (page and k.lower() == 'content-length') \
                            and not (inflated and k.lower() == 'content-encoding'):
                        self.send_header(k, v)
                if page:
                    self.send_header('Content-Length', str(len(body)))
                self.end_headers()
                try:
                    if page:
                        self.wfile.write(body)
                        return
                    while chunk := answer.read1(65536):
                        self.wfile.write(chunk)
                        self.wfile.flush()
                except (OSError, http.client.HTTPException):
                    pass  # closed early there (or by the browser): closed here too
                finally:
                    connection.close()

        self.script, self.page = script, None
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.origin = f'http://127.0.0.1:{self.server.server_address[1]}'


def _loaded(driver):
    """Waits, as chromedriver does when it switches, for the tab's page to have loaded (a
    tab the page opened holds about:blank at first)."""
    end = time.monotonic() + driver.page_timeout
    while not driver.execute_script('return document.readyState === "complete" && location.href !== "about:blank"'):
        if time.monotonic() > end:
            raise TimeoutError(f'the tab did not load within {driver.page_timeout} s')
        time.sleep(0.1)


class WebKit(webdriver.WebKitGTK):
    engine = 'webkit'

    def __init__(self):
        options = webdriver.WebKitGTKOptions()
        found = sorted(glob.glob('/usr/lib/*/webkit2gtk-4.*/MiniBrowser') + glob.glob('/usr/lib/*/webkitgtk-6.*/MiniBrowser'))
        if not found:
            raise RuntimeError('no MiniBrowser (package libwebkit2gtk-4.1-0)')
        options.binary_location = found[0]
        options.add_argument('--automation')
        # A row opens a tab from the page's script, as a player's click on a link would.
        options.add_argument('--javascript-can-open-windows-automatically=true')
        super().__init__(options=options, service=webdriver.WebKitGTKService(executable_path=shutil.which('WebKitWebDriver')))
        self.version = self.capabilities.get('browserVersion', '?')
        self.hooks, self.proxies, self.page_timeout = '', {}, 30

    def set_page_load_timeout(self, seconds):
        super().set_page_load_timeout(seconds)
        self.page_timeout = seconds

    @property
    def switch_to(self):
        driver, switch = self, super().switch_to

        class Switch:
            def window(self, handle):
                switch.window(handle)
                _loaded(driver)

            def new_window(self, kind):
                switch.new_window(kind)
        return Switch()

    def _proxied(self, url):
        parts = urllib.parse.urlsplit(url)
        origin = f'{parts.scheme}://{parts.netloc}'
        if origin not in self.proxies:
            self.proxies[origin] = Proxy(origin, lambda: CONSOLE + ('if (!window.opener) {\n' + self.hooks + '\n}'
                                                                       if self.hooks else ''))
        return self.proxies[origin].origin + url[len(origin):]

    def get(self, url):
        super().get(self._proxied(url) if url.startswith('http://127.0.0.1') else url)

    def get_log(self, kind):
        return self.execute_script('return window.bxConsole ? bxConsole.splice(0) : []')

    def execute_cdp_cmd(self, command, params):
        if command == 'Page.addScriptToEvaluateOnNewDocument':
            self.hooks = params['source']
            return {}
        if command == 'Emulation.setDeviceMetricsOverride' and not params.get('mobile') and params['deviceScaleFactor'] == 1:
            return self._viewport(params['width'], params['height'])
        if command.startswith('Emulation.') or command.startswith('Input.dispatchTouch'):
            raise Lacks('WebKit has no touch or device emulation through its driver (a W3C touch reaches the page as a mouse)')
        raise lacks('webkit', command)

    def _viewport(self, width, height):
        """The window made so that the page inside it is width x height."""
        for _ in range(3):
            inner = self.execute_script('return [innerWidth, innerHeight]')
            if inner == [width, height]:
                return {}
            size = self.get_window_size()
            self.set_window_size(size['width'] + width - inner[0], size['height'] + height - inner[1])
        raise Lacks(f'WebKit: the page cannot be made {width}x{height} (it is {inner})')

    def quit(self):
        for proxy in self.proxies.values():
            proxy.server.shutdown()
        super().quit()


# ---------------------------------------------------------------- Firefox over WebDriver BiDi
def _local(value):
    """A Python value as a BiDi LocalValue."""
    if value is None:
        return {'type': 'null'}
    if isinstance(value, bool):
        return {'type': 'boolean', 'value': value}
    if isinstance(value, (int, float)):
        return {'type': 'number', 'value': value}
    if isinstance(value, str):
        return {'type': 'string', 'value': value}
    if isinstance(value, (list, tuple)):
        return {'type': 'array', 'value': [_local(v) for v in value]}
    if isinstance(value, dict):
        return {'type': 'object', 'value': [[str(k), _local(v)] for k, v in value.items()]}
    raise TypeError(f'cannot pass {type(value).__name__} to the page')


def _python(remote):
    """A BiDi RemoteValue as the Python value Selenium would give."""
    kind, value = remote.get('type'), remote.get('value')
    if kind in ('string', 'boolean'):
        return value
    if kind == 'number':
        return float(value) if isinstance(value, str) else value  # NaN, Infinity, -0
    if kind in ('array', 'set'):
        return [_python(v) for v in value or []]
    if kind in ('object', 'map'):
        return {(k if isinstance(k, str) else _python(k)): _python(v) for k, v in value or []}
    return None


class Firefox:
    engine = 'firefox'
    # The automation defaults Firefox applies itself (remote.prefs.recommended), and WebGL
    # on the X server's software renderer, which Firefox would otherwise refuse.
    PREFS = {'webgl.force-enabled': True, 'browser.shell.checkDefaultBrowser': False,
             'datareporting.policy.dataSubmissionEnabled': False, 'browser.startup.homepage_override.mstone': 'ignore'}

    def __init__(self):
        binary = shutil.which('firefox-esr') or shutil.which('firefox')
        if not binary:
            raise RuntimeError('no firefox-esr')
        if not os.environ.get('DISPLAY'):
            raise RuntimeError('Firefox offers WebGL only with an X display: run it under Xvfb')
        self.profile = tempfile.mkdtemp(prefix='brambix-firefox-')
        with open(os.path.join(self.profile, 'user.js'), 'w') as f:
            for k, v in self.PREFS.items():
                f.write(f'user_pref({json.dumps(k)}, {json.dumps(v)});\n')
        self.process = subprocess.Popen([binary, '--headless', '--no-remote', '--profile', self.profile,
                                         '--remote-debugging-port=0', 'about:blank'],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(line) for line in self.process.stderr], daemon=True).start()
        address = None
        while address is None:
            try:
                line = lines.get(timeout=60)
            except queue.Empty:
                raise RuntimeError('Firefox named no WebDriver BiDi address within 60 s') from None
            if 'WebDriver BiDi listening on ' in line:
                address = line.split('listening on ', 1)[1].strip()
        import websocket  # python3-websocket
        self.socket = websocket.create_connection(address + '/session', suppress_origin=True, timeout=60)
        self.next_id, self.console, self.page_timeout, self.script_timeout = 0, [], 30, 10
        self.capabilities = self.send('session.new', {'capabilities': {}})['capabilities']
        self.version = self.capabilities.get('browserVersion', '?')
        self.send('session.subscribe', {'events': ['log.entryAdded']})
        self.context = self.window_handles[0]
        self.fingers = set()

    def send(self, method, params, timeout=60):
        import websocket
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        self.socket.settimeout(timeout)
        while True:
            try:
                message = json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                raise TimeoutError(f'Firefox did not answer {method} within {timeout} s') from None
            if message.get('type') == 'event':
                if message['method'] == 'log.entryAdded':
                    entry = message['params']
                    frames = (entry.get('stackTrace') or {}).get('callFrames') or [{}]
                    where = f" ({frames[0].get('url', '?')}:{frames[0].get('lineNumber', '?')})" if frames[0] else ''
                    self.console.append({'level': 'SEVERE' if entry.get('level') == 'error' else 'INFO',
                                         'message': (entry.get('text') or '') + where})
            elif message.get('id') == self.next_id:
                if message.get('type') == 'error':
                    raise WebDriverException(f"{method}: {message.get('error')}: {message.get('message')}")
                return message['result']

    def _call(self, function, args, wait):
        result = self.send('script.callFunction', {
            'functionDeclaration': function, 'arguments': [_local(a) for a in args], 'awaitPromise': wait,
            'target': {'context': self.context}, 'resultOwnership': 'none', 'userActivation': True,
            'serializationOptions': {'maxObjectDepth': 8, 'maxDomDepth': 0}}, self.script_timeout + 30)
        if result['type'] == 'exception':
            raise JavascriptException(result['exceptionDetails'].get('text', 'a script failed'))
        return _python(result['result'])

    def execute_script(self, script, *args):
        return self._call('function () {\n' + script + '\n}', args, False)

    def execute_async_script(self, script, *args):
        """As Selenium's: the script's last argument is the callback that ends it."""
        return self._call('function (...a) { return new Promise((done, fail) => { setTimeout(() => fail(new Error('
                          f'"the script did not call back within {self.script_timeout} s")), '
                          f'{self.script_timeout * 1000}); (function () {{\n{script}\n}}).apply(this, a.concat([done])); }}); }}',
                          args, True)

    def execute(self, command, params=None):
        if command == Command.W3C_ACTIONS:  # ActionChains and ActionBuilder: the same actions in BiDi
            self.send('input.performActions', {'context': self.context, 'actions': params['actions']})
            return {'value': None}
        raise Lacks(f'Firefox: no {command} here')

    def get(self, url):
        self.send('browsingContext.navigate', {'context': self.context, 'url': url, 'wait': 'complete'}, self.page_timeout)

    def refresh(self):
        self.send('browsingContext.reload', {'context': self.context, 'wait': 'complete'}, self.page_timeout)

    def set_page_load_timeout(self, seconds):
        self.page_timeout = seconds

    def set_script_timeout(self, seconds):
        self.script_timeout = seconds

    def find_element(self, by, value):
        assert by == 'id'
        driver = self

        class Element:
            def click(self):
                driver.execute_script('document.getElementById(arguments[0]).click()', value)
        return Element()

    @property
    def current_window_handle(self):
        return self.context

    @property
    def window_handles(self):
        return [c['context'] for c in self.send('browsingContext.getTree', {'maxDepth': 0})['contexts']]

    @property
    def switch_to(self):
        driver = self

        class Switch:
            def window(self, handle):
                driver.context = handle
                driver.send('browsingContext.activate', {'context': handle})
                _loaded(driver)

            def new_window(self, kind):
                driver.context = driver.send('browsingContext.create', {'type': kind})['context']
        return Switch()

    def close(self):
        self.send('browsingContext.close', {'context': self.context})

    def get_log(self, kind):
        entries, self.console = self.console, []
        return entries

    def execute_cdp_cmd(self, command, params):
        if command == 'Page.addScriptToEvaluateOnNewDocument':
            # Not in the tab's first, empty document, whose storage Firefox refuses (an error
            # on the console that no page made).
            self.send('script.addPreloadScript', {'functionDeclaration': '() => { if (location.protocol.startsWith("http")) {\n' +
                                                  params['source'] + '\n} }',
                                                  'contexts': [self.context]})
        elif command == 'Emulation.setDeviceMetricsOverride':
            self.send('browsingContext.setViewport', {'context': self.context, 'devicePixelRatio': params['deviceScaleFactor'],
                                                      'viewport': {'width': params['width'], 'height': params['height']}})
        elif command == 'Emulation.setTouchEmulationEnabled':
            pass  # a touch pointer's actions reach the page as touches and touch pointer events
        elif command == 'Input.dispatchTouchEvent':
            self._touch(params['type'], {p['id']: (p['x'], p['y']) for p in params['touchPoints']})
        elif command == 'Page.captureScreenshot':
            return {'data': self.send('browsingContext.captureScreenshot', {'context': self.context})['data']}
        else:
            raise lacks('firefox', command)
        return {}

    def _touch(self, kind, points):
        """DevTools' touch events as touch pointers: every finger down after the event."""
        actions = []
        for finger in sorted(self.fingers | set(points)):
            steps = []
            if finger in points:
                x, y = points[finger]
                steps.append({'type': 'pointerMove', 'x': round(x), 'y': round(y), 'duration': 0, 'origin': 'viewport'})
                if finger not in self.fingers:
                    steps.append({'type': 'pointerDown', 'button': 0})
            elif kind != 'touchMove':
                steps.append({'type': 'pointerUp', 'button': 0})
            actions.append({'type': 'pointer', 'id': f'finger{finger}', 'parameters': {'pointerType': 'touch'},
                            'actions': steps or [{'type': 'pause', 'duration': 0}]})
        self.fingers = set(points) if kind != 'touchMove' else self.fingers | set(points)
        self.send('input.performActions', {'context': self.context, 'actions': actions})

    def quit(self):
        try:
            self.send('session.end', {}, 10)
        except Exception:
            pass
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


def start(engine):
    """The driver of ENGINE (chromium, webkit, firefox), with .engine and .version."""
    return {'chromium': chromium, 'webkit': WebKit, 'firefox': Firefox}[engine]()
