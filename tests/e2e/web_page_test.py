#!/usr/bin/python3
"""The web page in headless Chromium, on a server of its own at 127.0.0.1: levels through ?wad=
and the file chooser, keys, map changes from the keypad and the map list, ?fit=1, compressed
nodes, a file that is not a WAD, a resize; every canvas equals wadscope-render's PNG of it.
Usage: web_page_test.py SITE_DIR WADSCOPE_RENDER SOURCE_DIR [SCREENSHOT.png]"""
import base64, io, os, shutil, socket, subprocess, sys, tempfile

for program, package in (('chromium', 'chromium'), ('chromedriver', 'chromium-driver'), ('zdbsp', 'zdbsp')):
    if not shutil.which(program):
        sys.exit(f'FAIL: {program} not found (Debian package {package})')
try:
    socket.getaddrinfo('localhost', None)  # Selenium reaches chromedriver by this name
except OSError:
    sys.exit('FAIL: the name localhost does not resolve (no localhost line in /etc/hosts)')
try:
    from PIL import Image
    from selenium.webdriver import ActionChains, Chrome, ChromeOptions, Keys
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError as error:
    sys.exit(f'FAIL: {error.name} not found (Debian packages python3-selenium and python3-pil)')

site, render, source = (os.path.realpath(path) for path in sys.argv[1:4])
freedoom, freedm = '/usr/share/games/doom/freedoom1.wad', '/usr/share/games/doom/freedm.wad'
work = tempfile.TemporaryDirectory()
browser_keys = {'Left': Keys.ARROW_LEFT, 'Right': Keys.ARROW_RIGHT, 'Up': Keys.ARROW_UP, 'Down': Keys.ARROW_DOWN,
                'PageUp': Keys.PAGE_UP, 'PageDown': Keys.PAGE_DOWN, 'KeypadPlus': Keys.ADD,
                'Space': Keys.SPACE, 'Ctrl': Keys.CONTROL, 'F2': Keys.F2, 'F3': Keys.F3, 'Tab': Keys.TAB}
shown = {}  # what the canvas should show, as wadscope-render's options and the keys sent since the start


def check(label, good, detail=''):
    if not good:
        sys.exit(f'FAIL: {label} {detail}')
    print(f'PASS: {label}', flush=True)


def page(script):
    return driver.execute_script(f'return {script}')


def status_after(previous=None):  # once a load has ended with a status other than the previous one
    WebDriverWait(driver, 30).until(lambda _: page('document.body.dataset.status') not in (None, 'loading', previous))
    return page('document.body.dataset.status')


def started(wad, *options):
    shown.update(options=['--wad', wad, *options], keys=[])


def load(query, wad, *options):
    driver.get(f'{base_url}/index.html?{query}')
    check(f'?{query} loads', status_after() == 'ready')
    started(wad, *options)


def expect(label, keys=''):
    """Sends a key script (KEY or KEY*N), then compares the canvas two ticks later with wadscope-render's."""
    for step in keys.split():  # each key down and up; a click at a pixel of the canvas
        name, _, count = step.partition('*')
        if name.startswith('Click:'):
            x, y = name[6:].split(',')
            driver.execute_script(f"const r = document.getElementById('screen').getBoundingClientRect();"
                                  f"document.getElementById('screen').dispatchEvent(new MouseEvent('mousedown',"
                                  f"{{button: 0, clientX: r.left + {x}, clientY: r.top + {y}, bubbles: true}}))")
        else:
            ActionChains(driver).send_keys(browser_keys[name] * int(count or 1)).perform()
    shown['keys'] += keys.split()
    frames = int(page('document.body.dataset.frames || 0'))
    WebDriverWait(driver, 10).until(lambda _: int(page('document.body.dataset.frames || 0')) >= frames + 2)
    url = page("document.getElementById('screen').toDataURL('image/png')")
    got = Image.open(io.BytesIO(base64.b64decode(url.split(',', 1)[1])))
    want, size = os.path.join(work.name, 'want.png'), '%dx%d' % got.size
    subprocess.run([render, *shown['options'], '--font', os.path.join(source, 'assets', 'font.bmp'), '--size', size,
                    '--keys', ' '.join(shown['keys']), want], check=True, stdout=subprocess.DEVNULL)
    different = sum(a != b for a, b in zip(got.getdata(), Image.open(want).convert('RGBA').getdata()))
    if different:
        got.save(f'/tmp/web_page_e2e_{label}.png')
    check(f'{label} ({size})', different == 0,
          f'differs from wadscope-render in {different} pixels; canvas in /tmp/web_page_e2e_{label}.png')


# ?wad= opens files of the page's own site only: the level files go beside the page.
served = shutil.copytree(site, os.path.join(work.name, 'site'))
os.symlink(freedoom, os.path.join(served, 'freedoom1.wad'))
# E1M1 with compressed extended nodes (ZNOD), which the page inflates with its own zlib.
compressed = os.path.join(served, 'znod.wad')
subprocess.run(['zdbsp', '--compress', '--map=E1M1', f'--output={compressed}', freedoom], check=True,
               capture_output=True)
server = subprocess.Popen(['/usr/bin/python3', '-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                           '--directory', served], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
base_url = 'http://127.0.0.1:' + server.stdout.readline().split(' port ')[1].split()[0]

options = ChromeOptions()
for flag in ('--headless', '--no-sandbox', '--window-size=960,640'):  # no sandbox: we run as root
    options.add_argument(flag)
driver = Chrome(options=options)
try:
    # A fixed size, the map wadscope-render --wad opens; keys, the keypad's next map, the map list.
    load('wad=freedoom1.wad&size=640x400', freedoom)
    expect('start')
    expect('keys', 'Right*3 Up*6 PageDown F2 Space Ctrl')  # each one changes the picture
    expect('overlays', 'Tab Click:300,250 Tab Click:200,150')  # the walk overlay, the viewpoint moved; the tree, a subsector
    expect('keypad_map', 'KeypadPlus')
    check('the map list follows the keypad', page("document.getElementById('map').value") == 'E1M2')
    Select(driver.find_element(By.ID, 'map')).select_by_visible_text('E1M6')
    started(freedoom, '--map', 'E1M6')
    expect('map_list')

    # A fitted view, and the keypad steps to the file's next map.
    load('wad=freedoom1.wad&map=E1M4&fit=1&size=500x300', freedoom, '--map', 'E1M4', '--fit')
    expect('fit')
    expect('fit_keypad', 'KeypadPlus Left*2')

    load('wad=znod.wad&size=320x200', compressed)
    expect('compressed_nodes')

    # The file chooser: a file that is not a WAD, then a good one.
    driver.get(f'{base_url}/index.html')
    chooser = driver.find_element(By.ID, 'wad-file')
    chooser.send_keys(os.path.join(source, 'LICENSE'))
    status = status_after()
    check('a file that is not a WAD', status == 'error: LICENSE is not a WAD file', f'(status {status!r})')
    chooser.send_keys(freedm)
    check('then a good one', status_after(status) == 'ready')
    started(freedm)
    expect('chooser')
    expect('chooser_keys', 'Left*4 Down*3 F3 PageDown')
    if len(sys.argv) > 4:
        driver.save_screenshot(sys.argv[4])

    # The canvas follows the window: a new size, a new frame of that size.
    load('wad=freedoom1.wad', freedoom)
    expect('window_size', 'PageUp*2')
    driver.set_window_size(700, 520)
    WebDriverWait(driver, 10).until(lambda _: page("document.getElementById('screen').width") == 700)
    expect('resized')
finally:
    driver.quit()
    server.terminate()
print('web page: all passed')
