// The page's shell around the viewer: a level file in (chooser, drop or ?wad=),
// keys in, a frame every 16 ms out to the canvas, one to one.
'use strict';

const kTickMilliseconds = 16;
const kMaxSide = 16384;
const kEscape = 27;

const canvas = document.getElementById('screen');
const canvasArea = document.querySelector('main');
const fileChooser = document.getElementById('wad-file');
const mapList = document.getElementById('map');
const fitSwitch = document.getElementById('fit');
const message = document.getElementById('message');
const parameters = new URLSearchParams(location.search);

let startMap = parameters.get('map');  // applies until a level has started
let fileName = '';                     // the open file's name
let fixedSize = null;                  // [width, height] from ?size=WxH
let pixelsAt = 0;                      // where the core keeps the canvas's pixels
let frames = 0;
let loadNumber = 0;                    // a later load wins over one still reading

function setStatus(status, text) {
  document.body.dataset.status = status;
  message.textContent = text;
}

const coreReady = createWadscope({ print: line => console.log(line), printErr: line => console.warn(line) })
  .then(async module => {
    const font = await fetch('font.bmp').then(response => response.ok ? response.arrayBuffer() : null, () => null);
    if (font) module.FS.writeFile('/font.bmp', new Uint8Array(font));  // else the checkerboard, as without font.bmp
    return {
      module,
      open: module.cwrap('wadscope_open', null, ['string', 'number', 'number']),
      maps: module.cwrap('wadscope_maps', 'string', []),
      start: module.cwrap('wadscope_start', 'string', ['string', 'number', 'string']),
      click: module.cwrap('wadscope_click', null, ['number', 'number']),
      levelProblem: module.cwrap('wadscope_level_problem', 'string', []),
      shownMap: module.cwrap('wadscope_shown_map', 'string', []),
      title: module.cwrap('wadscope_title', 'string', []),
      resize: module.cwrap('wadscope_resize', 'number', ['number', 'number']),
      tick: module.cwrap('wadscope_tick', 'number', []),
      key: module.cwrap('wadscope_key', null, ['number']),
      // The Win32 virtual-key codes of the viewer's keys, by KeyboardEvent.code, from the core's key table.
      virtualKeys: Object.fromEntries(module.cwrap('wadscope_keys', 'string', [])().split('\n').filter(Boolean)
        .map(line => line.split(' ')).map(([code, key]) => [code, Number(key)])),
    };
  });

// The canvas and the framebuffer take the size of the canvas area, of the
// screen in full screen, or the fixed size.
function resize(core) {
  const fullScreen = document.fullscreenElement === canvas;
  const [width, height] = fixedSize ?? (fullScreen ? [canvas.clientWidth, canvas.clientHeight]
                                                   : [canvasArea.clientWidth, canvasArea.clientHeight]);
  if (pixelsAt && width === canvas.width && height === canvas.height) return;
  canvas.width = width;
  canvas.height = height;
  pixelsAt = core.resize(width, height);
  if (!pixelsAt && width * height > 0) fail(`no memory for a ${width}x${height} frame`);
}

function tick(core) {
  if (!core.tick() || !pixelsAt) return;
  const pixels = new Uint8ClampedArray(core.module.HEAPU8.buffer, pixelsAt, canvas.width * canvas.height * 4);
  canvas.getContext('2d').putImageData(new ImageData(pixels, canvas.width, canvas.height), 0, 0);
  document.body.dataset.frames = ++frames;
}

// The status after a start or a key: the map shown loaded, or why not.
function showLevel(core) {
  const map = core.shownMap();
  const problem = core.levelProblem();
  mapList.value = map;
  document.title = core.title();
  if (problem) setStatus(`error: ${problem}`, problem);
  else setStatus('ready', `${map} of ${fileName}`);
}

function fail(problem) {
  setStatus(`error: ${problem}`, problem);
  canvas.getContext('2d').clearRect(0, 0, canvas.width, canvas.height);
  document.title = 'Wadscope3D';
}

// Starts the open file on a map ('' for its default one), as --map and --fit do;
// its first frame is on the canvas before any key can reach it.
function startLevel(core, map) {
  const problem = core.start(map, fitSwitch.checked ? 1 : 0, parameters.get('overlay') ?? '');
  if (problem) return fail(problem);
  startMap = null;
  tick(core);
  showLevel(core);
}

async function openLevelFile(name, readBytes) {
  const number = ++loadNumber;
  setStatus('loading', `Loading ${name}…`);
  let bytes;
  try {
    bytes = new Uint8Array(await readBytes());
  } catch (error) {
    if (number === loadNumber) fail(`cannot read ${name}: ${error.message}`);
    return;
  }
  const core = await coreReady;
  if (number !== loadNumber) return;
  const copy = core.module._malloc(Math.max(bytes.length, 1));
  if (!copy) return fail(`no memory for ${name} (${bytes.length} bytes)`);
  core.module.HEAPU8.set(bytes, copy);
  core.open(name, copy, bytes.length);
  core.module._free(copy);
  fileName = name;
  mapList.replaceChildren(...core.maps().split('\n').filter(Boolean).map(map => new Option(map)));
  startLevel(core, startMap ?? '');
}

function openChosenFile(file) {
  if (file) openLevelFile(file.name, () => file.arrayBuffer());
}

// ?wad=URL: a file on this site only.
function openUrl(text) {
  let url;
  try {
    url = new URL(text, location.href);
  } catch {
    return fail(`?wad=${text} is not a URL`);
  }
  if (url.origin !== location.origin) return fail(`?wad must name a file on this site, not ${url.origin}`);
  const name = decodeURIComponent(url.pathname.split('/').pop()) || text;
  openLevelFile(name, async () => {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`HTTP status ${response.status}`);
    return response.arrayBuffer();
  });
}

// Browsers grant full screen only just after a click or another key, never for Escape alone.
function toggleFullScreen() {
  if (document.fullscreenElement) return document.exitFullscreen().catch(() => {});
  canvas.requestFullscreen().catch(() => {
    message.textContent = 'The browser allows full screen only just after a click or a key: '
      + 'click the picture, then press Escape.';
  });
}

function onKeyDown(core, event) {
  if (event.target.closest('input, select')) return;  // the controls keep their own keys
  if (event.altKey && !event.ctrlKey) return;         // Alt combinations are the system's
  const virtualKey = core.virtualKeys[event.code];
  if (!virtualKey) return;
  event.preventDefault();  // no scrolling, no help, no find
  if (virtualKey === kEscape) return toggleFullScreen();
  if (!core.shownMap()) return;
  core.key(virtualKey);  // auto-repeats included: each is one more command
  showLevel(core);
}

// Controls give the keys back to the viewer once used.
fileChooser.addEventListener('change', () => {
  openChosenFile(fileChooser.files[0]);
  fileChooser.blur();
});
mapList.addEventListener('change', async () => {
  mapList.blur();
  startLevel(await coreReady, mapList.value);
});
fitSwitch.addEventListener('change', () => fitSwitch.blur());
fitSwitch.checked = parameters.get('fit') === '1';
document.addEventListener('dragover', event => event.preventDefault());
document.addEventListener('drop', event => {
  event.preventDefault();
  openChosenFile(event.dataTransfer.files[0]);
});

const size = parameters.get('size');
if (size !== null) {
  const match = /^(\d+)x(\d+)$/.exec(size);
  const sides = match ? [Number(match[1]), Number(match[2])] : [];
  if (sides.length && sides.every(side => side >= 1 && side <= kMaxSide)) {
    fixedSize = sides;
    canvasArea.classList.add('fixed-size');
  } else {
    fail(`bad ?size=${size} (expected WxH, each from 1 to ${kMaxSide})`);
    parameters.delete('wad');  // a load would hide the message; a chosen file still opens
  }
}

coreReady.then(core => {
  resize(core);
  new ResizeObserver(() => resize(core)).observe(canvasArea);
  document.addEventListener('fullscreenchange', () => resize(core));
  document.addEventListener('keydown', event => onKeyDown(core, event));
  // A left click on the picture, at its pixel (the canvas shows the frame one to one).
  canvas.addEventListener('mousedown', event => {
    if (event.button === 0 && core.shownMap()) core.click(Math.floor(event.offsetX), Math.floor(event.offsetY));
  });
  setInterval(() => tick(core), kTickMilliseconds);
  if (parameters.has('wad')) openUrl(parameters.get('wad'));
}, error => fail(`cannot start the viewer: ${error}`));
