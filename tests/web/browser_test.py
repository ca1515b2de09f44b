#!/usr/bin/env python3
"""The game on its web page in headless Chromium, played as a player would.

    browser_test.py URL DESKTOP_FIRST_FRAME.bmp ASSETS_DIR

Checks in a row, each counted: the first frame is the desktop game's first frame, a
trunk breaks into wood in the hotbar, the inventory crafts planks, a held D walks, and
the console holds no errors. Reports the time to the first frame and the frame rate.
"""
import base64
import io
import shutil
import sys
import time
import urllib.request

from PIL import Image, ImageChops, ImageStat
from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.chrome.service import Service

URL, DESKTOP_FRAME, ASSETS = sys.argv[1:4]
W, H = 800, 600
# Before the page's scripts: hold the frames after the first so that it can be compared,
# and run the game's clock at a tenth of real time until then, so that the first frame
# shows the creatures' first step whatever the start-up took (as a quick desktop start
# does). grab(callback) reads the canvas right after the next frame is drawn.
HOOKS = """
const realNow = performance.now.bind(performance), raf = requestAnimationFrame.bind(window);
let slow = true, shift = 0, held = [], grabs = [];
performance.now = () => slow ? realNow() * 0.1 : realNow() - shift;
window.bx = {frames: 0, first: null, firstAt: 0, keys: []};
window.requestAnimationFrame = cb => raf(t => {
  if (bx.frames >= 1 && slow) { held.push(cb); return; }
  cb(t);
  bx.frames++;
  const canvas = document.getElementById('canvas');
  if (bx.frames === 1) { bx.first = canvas.toDataURL('image/png'); bx.firstAt = realNow(); }
  grabs.splice(0).forEach(done => done(canvas.toDataURL('image/png')));
});
bx.release = () => { const now = realNow(); shift = now * 0.9; slow = false; held.splice(0).forEach(raf); };
bx.grab = done => grabs.push(done);
for (const type of ['keydown', 'keyup'])
  addEventListener(type, e => { if (!e.repeat) bx.keys.push([type, e.code, realNow()]); }, true);
"""

results = []


def check(name, ok, detail=''):
    results.append(ok)
    print(('ok: ' if ok else 'FAIL: ') + name + (f' ({detail})' if detail else ''), flush=True)
    return ok


def wait_for(what, seconds, probe):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise TimeoutError(f'waited {seconds} s for {what}')


def png(data_url):
    return Image.open(io.BytesIO(base64.b64decode(data_url.split(',', 1)[1]))).convert('RGB')


def grab():
    driver.set_script_timeout(10)
    return png(driver.execute_async_script('bx.grab(arguments[0]);'))


def mean(img, box):
    return ImageStat.Stat(img.crop(box)).mean


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def looks_like(img, x, y, size, picture):
    """The square's middle has about the mean colour of the picture drawn there."""
    pic = Image.open(f'{ASSETS}/{picture}').convert('RGBA').resize((size, size), Image.NEAREST)
    inner = (size // 5, size // 5, size - size // 5, size - size // 5)
    want = ImageStat.Stat(pic.convert('RGB').crop(inner), pic.getchannel('A').crop(inner)).mean
    return near(mean(img, (x + inner[0], y + inner[1], x + inner[2], y + inner[3])), want, 12)


def click(x, y, button=0):
    actions = ActionBuilder(driver)
    actions.pointer_action.move_to_location(x, y).pointer_down(button).pointer_up(button)
    actions.perform()
    time.sleep(0.1)


def press(key, seconds=0.05):
    ActionChains(driver).key_down(key).pause(seconds).key_up(key).perform()


def server_up():
    try:
        return urllib.request.urlopen(URL, timeout=2).status == 200
    except OSError:
        return False


wait_for('the page server at ' + URL, 10, server_up)
options = webdriver.ChromeOptions()
for arg in ('--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=800,600'):
    options.add_argument(arg)
options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
options.binary_location = shutil.which('chromium') or ''
try:
    driver = webdriver.Chrome(options=options, service=Service(shutil.which('chromedriver')))
except Exception as error:
    print(f'FAIL: cannot start Chromium through chromedriver: {error}\n0 passed, 1 failed')
    sys.exit(1)
try:
    driver.set_page_load_timeout(30)
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': W, 'height': H, 'deviceScaleFactor': 1, 'mobile': False})
    driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': HOOKS})
    driver.get(URL)
    wait_for('the first frame', 30, lambda: driver.execute_script('return bx.first !== null'))
    first = png(driver.execute_script('return bx.first'))
    print(f"time to the first frame: {driver.execute_script('return bx.firstAt') / 1000:.2f} s", flush=True)

    desktop = Image.open(DESKTOP_FRAME).convert('RGB')
    # WebGL and SDL's software renderer blend semi-transparent pixels with roundings of
    # their own (a channel may differ by one or two), and pick different source pixels
    # for a picture drawn at a size that is no whole multiple of it: the hearts (64 to
    # 20 pixels) keep only their colour, everything else its pixels.
    hearts = (0, 0, 260, 32)
    diff = ImageChops.difference(first, desktop).convert('L').point(lambda v: 255 if v > 2 else 0)
    outside = diff.copy()
    outside.paste(0, hearts)
    check('the first frame is the desktop game\'s first frame',
          outside.getbbox() is None and near(mean(first, hearts), mean(desktop, hearts), 3),
          f'{ImageStat.Stat(outside).sum[0] // 255} pixels differ beyond the hearts')
    if not results[-1]:
        first.save('first-frame-web.png')

    driver.execute_script('bx.release(); document.getElementById("canvas").focus();')
    # The trunk left of the player: tile (-1, 0) at (304, 268). A creature walking over
    # it would take the click instead: click again.
    for attempt in range(5):
        click(336, 300)
        try:
            wait_for('wood', 1.5, lambda: looks_like(grab(), 275, 540, 40, 'wood.png'))
            break
        except TimeoutError:
            pass
    shot = grab()
    check('a left click breaks the trunk into wood in the hotbar',
          looks_like(shot, 275, 540, 40, 'wood.png') and near(mean(shot, (310, 272, 366, 328)), (30, 30, 30), 2))

    press('e')
    opened = wait_for('the inventory', 5, lambda: near(grab().getpixel((241, 251)), (80, 80, 80), 1))
    click(295, 560)
    click(340, 120)
    offered = wait_for('planks offered', 5, lambda: looks_like(grab(), 430, 122, 40, 'planks.png'))
    click(450, 142)
    click(260, 270)
    stored = wait_for('planks stored', 5, lambda: looks_like(grab(), 240, 250, 40, 'planks.png'))
    check('E opens the inventory and one wood in the grid crafts planks', opened and offered and stored)
    press('e')
    wait_for('the inventory to close', 5, lambda: not near(grab().getpixel((241, 251)), (80, 80, 80), 1))

    before = grab()
    frames_before = driver.execute_script('return bx.frames')
    started = time.monotonic()
    press('d', 1.0)
    seconds = time.monotonic() - started
    raf_rate = (driver.execute_script('return bx.frames') - frames_before) / seconds
    after = grab()
    # The world moved left by six pixels a frame: find the shift that lines the two up.
    band = (0, 40, W, 250)
    shift = min(range(0, 600, 6), key=lambda dx: sum(ImageStat.Stat(ImageChops.difference(
        before.crop((dx, band[1], W, band[3])), after.crop((0, band[1], W - dx, band[3])))).mean))
    keys = driver.execute_script('return bx.keys.filter(k => k[1] === "KeyD").map(k => k[2])')
    held = (keys[-1] - keys[0]) / 1000 if len(keys) >= 2 else seconds
    check('a held D walks right', shift > 0, f'{shift} px in {held:.2f} s')
    print(f'frames a second while walking: {shift / 6 / held:.1f} (animation frames: {raf_rate:.1f})', flush=True)

    errors = [e for e in driver.get_log('browser') if e['level'] == 'SEVERE']
    check('no errors in the console', not errors, '; '.join(e['message'] for e in errors)[:500])
except Exception as error:  # a timeout or a lost browser ends the run as one failure
    check('the browser session', False, f'{type(error).__name__}: {str(error).splitlines()[0]}')
    for entry in driver.get_log('browser')[-20:]:
        print('console:', entry['level'], entry['message'][:300])
finally:
    driver.quit()
print(f'{results.count(True)} passed, {results.count(False)} failed')
sys.exit(0 if all(results) and len(results) >= 5 else 1)
