// What every browser test of the page shares: the site served from
// 127.0.0.1, Debian's Chromium headless through puppeteer-core, the native
// command to compare with, and the check that no request leaves the page's
// origin. Every wait has a deadline; browser and server are closed whatever
// happens.
import { createServer } from 'node:http';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(resolve(process.env.GRIDGLYPH_WEB_PACKAGES || '.', 'package.json'));
const puppeteer = require('puppeteer-core');

export const site = process.env.GRIDGLYPH_SITE;
export const native = process.env.GRIDGLYPH_FONTX2SHEET;
export const sharedFonts = process.env.GRIDGLYPH_FONTS_DIR;
const TIMEOUT_MS = 30000;

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// Serves the site's files only; anything else is 404.
function serve(root, served) {
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    const file = join(root, path === '/' ? 'index.html' : path);
    let body = null;
    try {
      if (file.startsWith(root) && statSync(file).isFile()) body = readFileSync(file);
    } catch {
      body = null;
    }
    if (body) served.push({ path, body });
    res.writeHead(body ? 200 : 404, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
    res.end(body || '');
  });
  return new Promise((ok) => server.listen(0, '127.0.0.1', () => ok(server)));
}

// fn({page, origin, downloads, native, served}) with the page opened and ready; fails
// when the page asked for anything outside its origin or logged an error.
export async function withPage(fn) {
  const served = [];
  const server = await serve(resolve(site), served);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const downloads = mkdtempSync(join(tmpdir(), `web-test-${process.pid}-`));
  const browser = await puppeteer.launch({
    executablePath: process.env.GRIDGLYPH_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-default-apps', '--disable-sync'],
  });
  const outside = [], errors = [];
  try {
    const page = await browser.newPage();
    page.setDefaultTimeout(TIMEOUT_MS);
    page.on('request', (r) => {
      const url = r.url();
      if (!url.startsWith(origin + '/') && !url.startsWith('blob:' + origin) && !url.startsWith('data:')) outside.push(url);
    });
    page.on('pageerror', (e) => errors.push(String(e)));
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
    await page.goto(origin + '/', { waitUntil: 'load' });
    await page.evaluate(() => window.fontx2Page.ready);
    await fn({ page, origin, downloads: new Downloads(cdp, downloads), native, served });
    if (outside.length) throw new Error('requests left the page\'s origin: ' + outside.join(', '));
    if (errors.length) throw new Error('the page threw: ' + errors.join('; '));
  } finally {
    await browser.close();
    server.close();
    rmSync(downloads, { recursive: true, force: true });
  }
}

// Chromium takes at most ten download requests a second from a frame and
// silently drops the rest; the tests' downloads start at least this far apart.
const DOWNLOAD_SPACING_MS = 150;

// The page's downloads, each waited for through the browser's own events.
class Downloads {
  constructor(cdp, dir) {
    this.cdp = cdp;
    this.dir = dir;
    this.started = 0;
  }
  // Runs trigger() and gives the bytes of the file it downloads.
  async take(trigger) {
    const wait = this.started + DOWNLOAD_SPACING_MS - Date.now();
    if (wait > 0) await new Promise((resolve) => setTimeout(resolve, wait));
    this.started = Date.now();
    const done = new Promise((ok, fail) => {
      const timer = setTimeout(() => fail(new Error('no download within the time allowed')), TIMEOUT_MS);
      let guid = null, name = null;
      this.cdp.on('Browser.downloadWillBegin', (e) => {
        if (!guid) ({ guid, suggestedFilename: name } = e);
      });
      const onProgress = (e) => {
        if (e.guid !== guid || e.state === 'inProgress') return;
        clearTimeout(timer);
        this.cdp.off('Browser.downloadProgress', onProgress);
        if (e.state === 'completed') ok({ guid, name });
        else fail(new Error('download ' + e.state));
      };
      this.cdp.on('Browser.downloadProgress', onProgress);
    });
    await trigger();
    const { guid, name } = await done;
    const file = readdirSync(this.dir).includes(guid) ? join(this.dir, guid) : join(this.dir, name);
    const bytes = readFileSync(file);
    rmSync(file);
    return { name, bytes };
  }
}

// Opens fonts through the file input and waits for the page to say so.
export async function openFonts(page, paths, input = '#font-input') {
  const before = await page.evaluate(() => document.querySelectorAll('#font-list option').length);
  const handle = await page.$(input);
  await handle.uploadFile(...paths);
  await page.waitForFunction((n) => document.querySelectorAll('#font-list option').length >= n &&
    !document.body.hasAttribute('aria-busy'), {}, before + paths.length);
}

// Waits until the page has done what it was asked (a sheet is drawn after a pause).
export async function idle(page) {
  await page.waitForFunction(() => !document.body.hasAttribute('aria-busy'));
}

// Waits for the message area to match re; gives its text.
export async function waitMessage(page, re) {
  await page.waitForFunction((source) => new RegExp(source).test(document.getElementById('message').textContent),
    {}, re.source);
  return page.$eval('#message', (m) => m.textContent);
}

// The RGBA pixels of a canvas (through base64: a large sheet is millions of bytes).
export async function canvasPixels(page, id) {
  const got = await page.evaluate((canvasId) => {
    const c = document.getElementById(canvasId);
    if (!c.width || !c.height) return { width: c.width, height: c.height, base64: '' };
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < d.length; i += 0x8000) text += String.fromCharCode.apply(null, d.subarray(i, i + 0x8000));
    return { width: c.width, height: c.height, base64: btoa(text) };
  }, id);
  return { width: got.width, height: got.height, data: Buffer.from(got.base64, 'base64') };
}

// The RGB pixels of a PNG, through ImageMagick (installed for the native tests).
export function pngPixels(file) {
  const size = execFileSync('identify', ['-format', '%w %h', file]).toString().split(' ').map(Number);
  const rgb = execFileSync('convert', [file, '-depth', '8', 'rgb:-'], { maxBuffer: 1 << 30 });
  return { width: size[0], height: size[1], rgb };
}

// The native command's output (stdout as a Buffer); throws on an unexpected status.
export function run(args, statuses = [0]) {
  try {
    return execFileSync(native, args, { maxBuffer: 1 << 30, stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (e) {
    if (statuses.includes(e.status)) return e.stdout;
    throw e;
  }
}

// How many of width x height pixels differ (RGBA from the canvas, RGB from a PNG).
export function differences(canvas, png) {
  if (canvas.width !== png.width || canvas.height !== png.height)
    return `size ${canvas.width} x ${canvas.height}, the command's ${png.width} x ${png.height}`;
  let wrong = 0;
  for (let i = 0, j = 0; j < png.rgb.length; i += 4, j += 3)
    if (canvas.data[i] !== png.rgb[j] || canvas.data[i + 1] !== png.rgb[j + 1] || canvas.data[i + 2] !== png.rgb[j + 2]) ++wrong;
  return wrong ? `${wrong} pixels differ` : '';
}

// A folder for a test's files, removed when the test ends.
export function scratch() {
  const dir = mkdtempSync(join(tmpdir(), `web-cmp-${process.pid}-`));
  process.on('exit', () => rmSync(dir, { recursive: true, force: true }));
  return dir;
}
