#!/usr/bin/env python3
"""The game's web page in headless Chromium, played as a player would, checks in a row:
the first frame is the desktop game's, a trunk breaks into wood, the inventory crafts
planks, a held D walks, the console has no errors. Reports the time to the first frame
and the frame rate. Then each REPLAY (a path below URL) is verified by the page's ?replay=.
   browser_test.py URL DESKTOP_FIRST_FRAME.bmp ASSETS_DIR [REPLAY...]"""
import base64
import io
import shutil
import sys
import time
import urllib.request

from PIL import Image, ImageChops, ImageStat
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder

URL, DESKTOP_FRAME, ASSETS = sys.argv[1:4]
REPLAYS = sys.argv[4:]
# Before the page's scripts: hold the frames after the first, and run the game's clock at
# a tenth of real time until then, so that the first frame shows the creatures' first
# step however long the start-up took, as a quick desktop start does. bx.grab(done)
# reads the canvas right after the next frame, while its picture is still there.
HOOKS = """
const realNow = performance.now.bind(performance), raf = requestAnimationFrame.bind(window);
let slow = true, shift = 0, held = [], grabs = [];
performance.now = () => slow ? realNow() * 0.1 : realNow() - shift;
window.bx = {frames: 0, first: null, firstAt: 0, grab: done => grabs.push(done)};
window.requestAnimationFrame = cb => raf(t => {
  if (bx.frames >= 1 && slow) { held.push(cb); return; }
  cb(t);
  const canvas = document.getElementById('canvas');
  if (++bx.frames === 1) { bx.first = canvas.toDataURL(); bx.firstAt = realNow(); }
  grabs.splice(0).forEach(done => done(canvas.toDataURL()));
});
bx.release = () => { shift = realNow() * 0.9; slow = false; held.splice(0).forEach(raf); };
"""
results = []


def check(name, ok, detail=''):
    results.append(ok)
    print(('ok: ' if ok else 'FAIL: ') + name + (f' ({detail})' if detail else ''), flush=True)


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


def png(data_url):
    return Image.open(io.BytesIO(base64.b64decode(data_url.split(',', 1)[1]))).convert('RGB')


def grab():
    return png(driver.execute_async_script('bx.grab(arguments[0]);'))


def mean(img, box):
    return ImageStat.Stat(img.crop(box)).mean


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def shows(img, x, y, size, picture):
    """The square's middle has the mean colour of the picture's middle."""
    pic = Image.open(f'{ASSETS}/{picture}').convert('RGBA').resize((size, size), Image.NEAREST)
    m = size // 5
    inner = (m, m, size - m, size - m)
    want = ImageStat.Stat(pic.convert('RGB').crop(inner), pic.getchannel('A').crop(inner)).mean
    return near(mean(img, (x + m, y + m, x + size - m, y + size - m)), want, 12)


def click(x, y):
    actions = ActionBuilder(driver)
    actions.pointer_action.move_to_location(x, y).pointer_down().pointer_up()
    actions.perform()
    time.sleep(0.1)


def press(key, seconds=0.05):
    ActionChains(driver).key_down(key).pause(seconds).key_up(key).perform()


options = webdriver.ChromeOptions()
for arg in ('--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=800,600'):
    options.add_argument(arg)
options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
options.binary_location = shutil.which('chromium') or ''
try:
    driver = webdriver.Chrome(options=options, service=Service(shutil.which('chromedriver')))
except Exception as error:
    sys.exit(f'FAIL: cannot start Chromium through chromedriver: {error}\n0 passed, 1 failed')
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
    # WebGL blends with roundings of its own (a channel may differ by one or two) and
    # picks other source pixels for a picture drawn at no whole multiple of its size:
    # the hearts (64 to 20 pixels) keep only their colour, everything else its pixels.
    desktop, hearts = Image.open(DESKTOP_FRAME).convert('RGB'), (0, 0, 260, 32)
    differs = ImageChops.difference(first, desktop).convert('L').point(lambda v: 255 if v > 2 else 0)
    differs.paste(0, hearts)
    check("the first frame is the desktop game's", differs.getbbox() is None and
          near(mean(first, hearts), mean(desktop, hearts), 3), f'{differs.histogram()[255]} pixels differ')
    if not results[-1]:
        first.save('first-frame-web.png')

    driver.execute_script('bx.release(); document.getElementById("canvas").focus();')
    # The trunk left of the player, tile (-1, 0). A creature walking over it takes the
    # click instead: click again.
    for attempt in range(5):
        click(336, 300)
        try:
            wait_for('wood', 1.5, lambda: shows(grab(), 275, 540, 40, 'wood.png'))
            break
        except TimeoutError:
            pass
    shot = grab()
    check('a left click breaks the trunk into wood in the hotbar',
          shows(shot, 275, 540, 40, 'wood.png') and near(mean(shot, (310, 272, 366, 328)), (30, 30, 30), 2))

    press('e')
    wait_for('the inventory', 5, lambda: grab().getpixel((241, 251)) == (80, 80, 80))
    click(295, 560)  # the wood from hotbar slot 0 into the first cell of the grid
    click(340, 120)
    wait_for('planks offered', 5, lambda: shows(grab(), 430, 122, 40, 'planks.png'))
    click(450, 142)  # the planks into inventory slot 0
    click(260, 270)
    wait_for('planks stored', 5, lambda: shows(grab(), 240, 250, 40, 'planks.png'))
    check('E opens the inventory and one wood in the grid crafts planks', True)
    press('e')
    wait_for('the inventory to close', 5, lambda: grab().getpixel((241, 251)) != (80, 80, 80))

    before, frames, started = grab(), driver.execute_script('return bx.frames'), time.monotonic()
    press('d', 1.0)
    seconds = time.monotonic() - started
    frames = driver.execute_script('return bx.frames') - frames
    after = grab()
    # The world moves left six pixels a frame: the shift that lines the two up.
    shift = min(range(0, 600, 6), key=lambda dx: sum(ImageStat.Stat(ImageChops.difference(
        before.crop((dx, 40, 800, 250)), after.crop((0, 40, 800 - dx, 250)))).mean))
    check('a held D walks right', shift > 0, f'{shift} pixels')
    print(f'frames a second while walking: {shift / 6 / seconds:.1f} '
          f'(animation frames: {frames / seconds:.1f})', flush=True)

    errors = [e['message'] for e in driver.get_log('browser') if e['level'] == 'SEVERE']
    check('no errors in the console', not errors, '; '.join(errors)[:500])

    for replay in REPLAYS:
        driver.get(URL + '?replay=' + replay)
        wait_for('the verdict on ' + replay, 120,
                 lambda: driver.execute_script("return document.getElementById('replay-verdict') !== null"))
        verdict = driver.execute_script("return document.getElementById('replay-verdict').textContent")
        logged = [e['message'] for e in driver.get_log('browser')]
        print('replay verdict:', verdict, flush=True)
        check('the page verifies ' + replay, verdict.endswith('state matches') and
              any(verdict in m for m in logged), verdict)
except Exception as error:  # a timeout or a lost browser ends the run as one failure
    check('the browser session', False, f'{type(error).__name__}: {str(error).splitlines()[0]}')
    for entry in driver.get_log('browser')[-10:]:
        print('console:', entry['level'], entry['message'][:300])
finally:
    driver.quit()
print(f'{results.count(True)} passed, {results.count(False)} failed')
sys.exit(0 if all(results) and len(results) == 5 + len(REPLAYS) else 1)
