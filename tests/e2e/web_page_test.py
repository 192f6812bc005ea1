#!/usr/bin/python3
"""The web page in headless Chromium, served from 127.0.0.1: levels opened
through ?wad= and the file chooser, keys, a map change from the keypad and from
the map list, ?fit=1, a file that is not a WAD then a good one, and a resize.
Every canvas read back must equal wadscope-render's PNG for the same size, map
and keys.
Usage: web_page_test.py SITE_DIR WADSCOPE_RENDER SOURCE_DIR [SCREENSHOT.png]"""
import base64
import io
import os
import subprocess
import sys
import tempfile

for program, package in (('/usr/bin/chromium', 'chromium'), ('/usr/bin/chromedriver', 'chromium-driver'),
                         ('/usr/bin/zdbsp', 'zdbsp')):
    if not os.access(program, os.X_OK):
        sys.exit(f'FAIL: {program} not found (Debian package {package})')
try:
    from PIL import Image
    from selenium import webdriver
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError as error:
    sys.exit(f'FAIL: {error.name} not found (Debian packages python3-selenium and python3-pil)')

site, render, source = (os.path.realpath(path) for path in sys.argv[1:4])
screenshot = sys.argv[4] if len(sys.argv) > 4 else None
freedoom = '/usr/share/games/doom/freedoom1.wad'
freedm = '/usr/share/games/doom/freedm.wad'
font = os.path.join(source, 'assets', 'font.bmp')
work = tempfile.TemporaryDirectory()
# The key names of wadscope-render's scripts as the browser's keys.
browser_keys = {'Left': Keys.ARROW_LEFT, 'Right': Keys.ARROW_RIGHT, 'Up': Keys.ARROW_UP, 'Down': Keys.ARROW_DOWN,
                'PageUp': Keys.PAGE_UP, 'PageDown': Keys.PAGE_DOWN, 'KeypadPlus': Keys.ADD,
                'KeypadMinus': Keys.SUBTRACT, 'Space': Keys.SPACE, 'Ctrl': Keys.CONTROL,
                'F1': Keys.F1, 'F2': Keys.F2, 'F3': Keys.F3, 'F4': Keys.F4}
failures = 0


def check(label, good, detail=''):
    global failures
    print(f'{"PASS" if good else "FAIL"}: {label}{"" if good else " " + detail}', flush=True)
    failures += not good


def page_value(script):
    return driver.execute_script(f'return {script}')


def wait_for_status(previous=None):
    """The page's status once a load has ended with a status other than the previous one."""
    status = 'document.body.dataset.status'
    WebDriverWait(driver, 30).until(lambda _: page_value(status) not in (None, 'loading', previous))
    return page_value(status)


def canvas_after_ticks():
    """The canvas once two more ticks have drawn it, so every key sent so far shows."""
    frames = int(page_value('document.body.dataset.frames || 0'))
    WebDriverWait(driver, 10).until(lambda _: int(page_value('document.body.dataset.frames || 0')) >= frames + 2)
    url = page_value("document.getElementById('screen').toDataURL('image/png')")
    return Image.open(io.BytesIO(base64.b64decode(url.split(',', 1)[1])))


def press(script):
    """Sends a key script in wadscope-render's words (KEY or KEY*N) to the canvas."""
    actions = ActionChains(driver)
    for step in script.split():
        name, _, count = step.partition('*')
        for _ in range(int(count or 1)):
            actions.key_down(browser_keys[name]).key_up(browser_keys[name])
    actions.perform()


def expect_frame(label, wad, keys='', map_name=None, fit=False):
    got = canvas_after_ticks()
    width, height = got.size
    want_path = os.path.join(work.name, 'want.png')
    command = [render, '--wad', wad, '--font', font, '--size', f'{width}x{height}',
               '--keys', keys, want_path] + (['--map', map_name] if map_name else []) + (['--fit'] if fit else [])
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    want = Image.open(want_path).convert('RGBA')
    different = sum(a != b for a, b in zip(got.getdata(), want.getdata()))
    if different:
        got.save(f'/tmp/web_page_e2e_{label}.png')
    check(f'{label} ({width}x{height})', different == 0,
          f'differs from wadscope-render in {different} pixels; canvas in /tmp/web_page_e2e_{label}.png')


def open_page(query):
    driver.get(f'{base_url}/index.html{query}')
    return wait_for_status() if 'wad=' in query else None


# The site and the level files from one folder on a server of our own.
served = os.path.join(work.name, 'site')
os.mkdir(served)
for name in os.listdir(site):
    os.symlink(os.path.join(site, name), os.path.join(served, name))
os.symlink(freedoom, os.path.join(served, 'freedoom1.wad'))
# E1M1 with compressed extended nodes (ZNOD), which the page inflates with its own zlib.
compressed = os.path.join(served, 'znod.wad')
subprocess.run(['zdbsp', '--compress', '--map=E1M1', f'--output={compressed}', freedoom], check=True,
               capture_output=True)
server = subprocess.Popen(['/usr/bin/python3', '-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                           '--directory', served], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
port = server.stdout.readline().split(' port ')[1].split()[0]
base_url = f'http://127.0.0.1:{port}'

options = webdriver.ChromeOptions()
options.binary_location = '/usr/bin/chromium'
for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             f'--user-data-dir={work.name}/profile', '--window-size=900,700'):
    options.add_argument(flag)
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
try:
    # ?wad= with a fixed size: the map wadscope-render --wad opens, then keys and the keypad.
    check('?wad= loads', open_page('?wad=freedoom1.wad&size=640x400') == 'ready')
    expect_frame('start', freedoom)
    keys = 'Right*3 Up*6 PageUp F2 Space Ctrl'
    press(keys)
    expect_frame('keys', freedoom, keys)
    press('KeypadPlus')
    expect_frame('keypad_map', freedoom, keys + ' KeypadPlus')
    check('the map list follows the keypad', page_value("document.getElementById('map').value") == 'E1M2')
    Select(driver.find_element(By.ID, 'map')).select_by_visible_text('E1M6')
    expect_frame('map_list', freedoom, map_name='E1M6')

    # ?fit=1 and ?map=: a fitted view, and the keypad steps to the file's next map.
    check('?fit=1 loads', open_page('?wad=freedoom1.wad&map=E1M4&fit=1&size=500x300') == 'ready')
    expect_frame('fit', freedoom, map_name='E1M4', fit=True)
    press('KeypadPlus Left*2')
    expect_frame('fit_keypad', freedoom, 'KeypadPlus Left*2', map_name='E1M4', fit=True)

    check('compressed nodes load', open_page('?wad=znod.wad&size=320x200') == 'ready')
    expect_frame('compressed_nodes', compressed)

    # The canvas follows the window: a new size, a new frame of that size.
    open_page('?wad=freedoom1.wad')
    press('PageUp*2')
    expect_frame('window_size', freedoom, 'PageUp*2')
    driver.set_window_size(700, 520)
    WebDriverWait(driver, 10).until(lambda _: page_value("document.getElementById('screen').width") == 700)
    expect_frame('resized', freedoom, 'PageUp*2')

    # The file chooser: a file that is not a WAD, then a good one.
    driver.set_window_size(960, 640)
    open_page('')
    junk = os.path.join(work.name, 'junk.txt')
    with open(junk, 'w') as file:
        file.write('not a level file\n')
    chooser = driver.find_element(By.ID, 'wad-file')
    chooser.send_keys(junk)
    status = wait_for_status()
    check('a file that is not a WAD', status == 'error: junk.txt is not a WAD file', f'(status {status!r})')
    chooser.send_keys(freedm)
    check('then a good one', wait_for_status(status) == 'ready')
    expect_frame('chooser', freedm)
    press('Left*4 Down*3 F3 PageDown')
    expect_frame('chooser_keys', freedm, 'Left*4 Down*3 F3 PageDown')
    if screenshot:
        driver.save_screenshot(screenshot)
finally:
    driver.quit()
    server.terminate()
    server.wait()
    work.cleanup()
print(f'web page: {"all passed" if failures == 0 else f"{failures} failed"}')
sys.exit(1 if failures else 0)
