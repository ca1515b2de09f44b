#!/usr/bin/env python3
"""How long the web page takes to bring back a kept run, in headless Chromium: each
KEPT_DIR (made by restore_bench: kept-60, kept-240) is put into the tab's session storage
as the page keeps a run, the page is reloaded, and the time it reports from reading the
snapshot to the run going on is printed (best of five).
   restore_page.py URL KEPT_DIR..."""
import base64
import os
import shutil
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

URL, KEPT = sys.argv[1], sys.argv[2:]
options = webdriver.ChromeOptions()
for arg in ('--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=800,600'):
    options.add_argument(arg)
options.binary_location = shutil.which('chromium') or ''
driver = webdriver.Chrome(options=options, service=Service(shutil.which('chromedriver')))


def until(script, what):
    end = time.monotonic() + 60
    while time.monotonic() < end:
        value = driver.execute_script(script)
        if value is not None:
            return value
        time.sleep(0.05)
    raise TimeoutError(f'waited 60 s for {what}')


def restored_ms():
    return until('return window.Module && Module.restoreMs', 'the run to come back')


try:
    driver.get(URL)
    for folder in KEPT:
        parts = {'brambix.run.id': 'restore-bench'}  # the run's owner is this tab
        for part in ('snapshot', 'frames', 'hash'):
            with open(os.path.join(folder, part), 'rb') as f:
                parts['brambix.run.' + part] = base64.b64encode(f.read()).decode()
        times = []
        for _ in range(5):
            # The game must be running before its keeper is stopped, or it would keep the
            # page's own new run over the one put in place when the page is left.
            until('return window.Module && typeof Module._brambixKeepRun === "function" || null', 'the game to start')
            driver.execute_script('Module._brambixKeepRun = null; Module.keepRun = () => {}; sessionStorage.clear();'
                                  'for (const [k, v] of Object.entries(arguments[0])) sessionStorage.setItem(k, v);',
                                  parts)
            driver.refresh()
            times.append(restored_ms())
            notice = driver.execute_script('return document.getElementById("run-notice").hidden ? "" :'
                                           'document.getElementById("run-notice-text").textContent')
            if notice:
                sys.exit(f'{folder}: {notice}')
        size = sum(len(v) for v in parts.values())
        print(f'{folder}: came back in {min(times):.0f} ms (best of 5; all {", ".join(f"{t:.0f}" for t in times)}),'
              f' {size / 1e6:.2f} MB of base64 kept', flush=True)
finally:
    driver.quit()
