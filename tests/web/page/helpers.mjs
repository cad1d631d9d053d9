// What the page's tests share: Debian's chromium driven headless by
// puppeteer-core, the two built forms of the page (build-web/site/ over a
// server on 127.0.0.1, build-web/artisanscope.html from file://), picking
// files, catching downloads, recording requests, and the native program's
// outputs to compare with.
//
//   ARTISANSCOPE_WEB_BUILD      the WebAssembly build (default build-web)
//   ARTISANSCOPE_NATIVE_BUILD   the native build: its executable and sample
//                               (default build)
//   ARTISANSCOPE_CHROMIUM       the browser (default /usr/bin/chromium)
import { describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { createServer } from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../../../', import.meta.url));
// The packages live in web/node_modules (npm ci there), beside the page.
export const requireWeb = createRequire(path.join(root, 'web', 'package.json'));
const puppeteer = requireWeb('puppeteer-core');

export const webBuild = path.resolve(process.env.ARTISANSCOPE_WEB_BUILD ?? path.join(root, 'build-web'));
export const nativeBuild = path.resolve(process.env.ARTISANSCOPE_NATIVE_BUILD ?? path.join(root, 'build'));
export const nativeProgram = path.join(nativeBuild, 'artisanscope');
export const sample = path.join(nativeBuild, 'sample', 'camelot', 'data', 'ifd.mpk');
export const patched = path.join(nativeBuild, 'sample', 'camelot-patch', 'data', 'ifd.mpk');
const chromium = process.env.ARTISANSCOPE_CHROMIUM ?? '/usr/bin/chromium';

// The page's two forms, as every test runs them.
export const forms = ['site', 'file'];

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json',
  '.svg': 'image/svg+xml', '.png': 'image/png', '.ico': 'image/x-icon', '.webmanifest': 'application/manifest+json',
};

// A static server of build-web/site/ on 127.0.0.1 at a free port.
export async function serveSite(folder = path.join(webBuild, 'site')) {
  const server = createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(folder, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(folder + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
                              'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => new Promise(r => server.close(r)) };
}

// A scratch folder removed when the process ends.
export function scratch(prefix = 'artisanscope-page-') {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  process.on('exit', () => fs.rmSync(dir, { recursive: true, force: true }));
  return dir;
}

// One browser (closed by close()), the site's server,
// and the downloads of every page caught into a scratch folder. No name
// resolves but the loopback's, so that nothing leaves the machine: a request
// that tries is still recorded by the page (openPage) and fails the test.
export async function startBrowser({ width = 1280, height = 900 } = {}) {
  const site = await serveSite();
  const args = [`--window-size=${width},${height}`, '--disable-gpu', '--no-first-run', '--disable-dev-shm-usage',
                '--disable-background-networking', '--disable-component-update',
                '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1'];
  if (process.getuid?.() === 0) args.push('--no-sandbox');
  const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args,
                                           defaultViewport: { width, height } });
  const downloads = scratch('artisanscope-downloads-');
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: downloads,
                                                  eventsEnabled: true });
  const close = async () => {
    await browser.close();
    await site.close();
  };
  return { browser, cdp, site, downloads, close };
}

// The suites of a test file around one browser: body(context) declares
// them; context is filled in before they run and its browser closed after.
export function browserSuite(name, body) {
  describe(name, () => {
    const context = {};
    before(async () => Object.assign(context, await startBrowser()));
    after(() => context.close?.());
    body(context);
  });
}

export function formUrl(context, form) {
  return form === 'site' ? context.site.url + 'index.html'
                         : pathToFileURL(path.join(webBuild, 'artisanscope.html')).href;
}

// Opens the page in the given form and waits for its first idle moment.
// page.requests holds every request the page and its workers made, with
// the time since the load ended; page.errors every uncaught error.
export async function openPage(context, form) {
  const page = await context.browser.newPage();
  page.requests = [];
  page.errors = [];
  let loaded = null;
  const record = url => page.requests.push({ url, afterLoad: loaded !== null });
  page.on('request', request => record(request.url()));
  page.on('pageerror', error => page.errors.push(String(error)));
  page.on('workercreated', worker => {
    worker.client.on('Network.requestWillBeSent', event => record(event.request.url));
    worker.client.send('Network.enable').catch(() => {});
  });
  // Every value data-state takes, in order, even a change and its undoing in one task.
  await page.evaluateOnNewDocument(() => {
    window.__states = [];
    new MutationObserver(records => {
      for (const r of records) if (r.attributeName === 'data-state') window.__states.push(r.target.dataset.state);
    }).observe(document, { attributes: true, subtree: true, attributeFilter: ['data-state'] });
  });
  // Loaded: the load event, then nothing more requested for half a second
  // (the worker fetches its module after the load event).
  page.untilLoaded = async navigation => {
    loaded = null;
    await navigation;
    await page.waitForFunction(() => document.body && document.body.dataset.state !== 'loading');
    for (let seen = -1; seen !== page.requests.length;) {
      seen = page.requests.length;
      await new Promise(r => setTimeout(r, 500));
    }
    loaded = Date.now();
  };
  await page.untilLoaded(page.goto(formUrl(context, form), { waitUntil: 'load' }));
  page.form = form;
  return page;
}

// Loads the page again, as a player's next visit.
export const reloadPage = page => page.untilLoaded(page.reload({ waitUntil: 'load' }));

// Runs action (which starts an open or a reload) and waits until the page
// is "ready" or "failed" again; returns that state.
export async function settle(page, action) {
  const before = await page.evaluate(() => window.__states.length);
  await action();
  const handle = await page.waitForFunction(n => {
    const changes = window.__states.slice(n);
    const last = changes.findLast(s => s === 'ready' || s === 'failed');
    return changes.length && changes.at(-1) !== 'loading' && last;
  }, { timeout: 30000 }, before);
  return handle.jsonValue();
}

// A control by its role and exact accessible name: the first in the page,
// or in the element scope selects.
export function control(page, role, name, scope = '') {
  return page.waitForSelector(`${scope} ::-p-aria([name="${name}"][role="${role}"])`.trim(), { timeout: 10000 });
}

export async function click(page, role, name, scope = '') {
  await (await control(page, role, name, scope)).click();
}

// Picks file through the file chooser the named button opens.
export async function pickFile(page, buttonName, file) {
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 10000 }), click(page, 'button', buttonName)]);
  await chooser.accept([file]);
}

// Opens archive by the "Open" button; resolves to the page's state after.
export function openArchive(page, file) {
  return settle(page, () => pickFile(page, 'Open', file));
}

// The tree's rows in the DOM, top to bottom.
export function rows(page) {
  return page.$$eval('#tree [role="treeitem"]', items => items
    .map(item => ({ label: item.textContent.trim(), level: Number(item.getAttribute('aria-level')),
                    expanded: item.getAttribute('aria-expanded'),
                    selected: item.getAttribute('aria-selected') === 'true',
                    item: item.dataset.item, top: item.getBoundingClientRect().top }))
    .sort((a, b) => a.top - b.top));
}

export const selectedRow = async page => (await rows(page)).find(r => r.selected);

// Presses each key once the tree has caught up with the one before (opening
// a branch asks the worker for its children): the tree's rows unchanged for
// three frames.
export async function pressKeys(page, keys) {
  for (const key of keys) {
    await page.keyboard.press(key);
    await page.waitForFunction(() => {
      const tree = document.querySelector('#tree');
      const now = tree.innerHTML;
      const w = window.__treeCalm ??= { html: null, frames: 0 };
      w.frames = now === w.html ? w.frames + 1 : 0;
      w.html = now;
      return w.frames >= 3;
    }, { polling: 'raf', timeout: 10000 });
    await page.evaluate(() => { window.__treeCalm = null; });
  }
}

// Waits for the selected row to be label at level (the tree may ask its
// worker first); fails showing the row selected then.
export async function expectSelected(page, label, level, message = label) {
  try {
    await page.waitForFunction((label, level) => {
      const row = document.querySelector('#tree [role="treeitem"][aria-selected="true"]');
      return row && row.textContent.trim() === label && Number(row.getAttribute('aria-level')) === level;
    }, { timeout: 10000 }, label, level);
  } catch {
    const row = await selectedRow(page);
    assert.deepEqual(row && { label: row.label, level: row.level }, { label, level }, message);
  }
  return selectedRow(page);
}

// Runs action and resolves to the next download the browser finished:
// {name, bytes}.
export function download(context, action) {
  return new Promise((resolve, reject) => {
    const names = new Map();
    const timer = setTimeout(() => { finish(); reject(new Error('no download')); }, 30000);
    const begin = event => names.set(event.guid, event.suggestedFilename);
    const progress = event => {
      if (!names.has(event.guid) || event.state === 'inProgress') return;
      finish();
      if (event.state !== 'completed') return reject(new Error(`download ${event.state}`));
      resolve({ name: names.get(event.guid), bytes: fs.readFileSync(path.join(context.downloads, event.guid)) });
    };
    function finish() {
      clearTimeout(timer);
      context.cdp.off('Browser.downloadWillBegin', begin);
      context.cdp.off('Browser.downloadProgress', progress);
    }
    context.cdp.on('Browser.downloadWillBegin', begin);
    context.cdp.on('Browser.downloadProgress', progress);
    Promise.resolve().then(action).catch(error => { finish(); reject(error); });
  });
}

// The native program: {status, stdout, stderr} (Buffers).
export function native(...args) {
  const run = spawnSync(nativeProgram, args, { maxBuffer: 1 << 30, env: { ...process.env, DISPLAY: '', WAYLAND_DISPLAY: '' } });
  if (run.error) throw run.error;
  return { status: run.status, stdout: run.stdout, stderr: run.stderr };
}

// What the native program writes to a file: its bytes.
export function nativeFile(name, ...args) {
  const file = path.join(scratch(), name);
  const run = native(...args, file);
  if (run.status !== 0) throw new Error(`artisanscope ${args.join(' ')}: ${run.stderr}`);
  return fs.readFileSync(file);
}

// The native --tree as a tree of {label, children}, with the given options.
export function nativeTree(...args) {
  const top = { label: '', children: [] };
  const path = [top];
  for (const line of native('--tree', ...args).stdout.toString('utf8').split('\n')) {
    if (!line) continue;
    const depth = line.match(/^ */)[0].length / 2;
    const node = { label: line.trim(), children: [] };
    path[depth].children.push(node);
    path[depth + 1] = node;
  }
  return top.children;
}

// The node at a path of sibling indices.
export const at = (tree, indices) => indices.reduce((node, i) => (node ? node.children : tree)[i], null);

// The patterns (fourth level) --tree --find QUERY prints, in order, with the
// given options.
export function foundPatterns(query, ...options) {
  return native('--tree', ...options, '--find', query, sample).stdout.toString('utf8').split('\n')
    .filter(line => /^ {6}\S/.test(line)).map(line => line.trim());
}
export const patternCount = (query, ...options) => foundPatterns(query, ...options).length;

// The find status for n patterns.
export const countText = n => n === 0 ? 'No recipes match' : n === 1 ? '1 pattern' : `${n} patterns`;

// Replaces the find box's text by typing query (empty: deleting it).
export async function typeFind(page, query) {
  await page.focus('#find');
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyA');
  await page.keyboard.up('Control');
  if (query) await page.keyboard.type(query);
  else await page.keyboard.press('Backspace');
}

// Waits for the find status to read expected; fails showing what it reads.
export async function waitStatus(page, expected) {
  try {
    await page.waitForFunction(t => document.querySelector('#find-status').textContent.trim() === t,
                               { timeout: 10000 }, expected);
  } catch {
    assert.equal(await page.$eval('#find-status', e => e.textContent.trim()), expected);
  }
}

// Broken inputs, written once into a scratch folder: garbage bytes, the
// sample cut in half, an empty file.
export function brokenInputs() {
  const dir = scratch();
  const bytes = fs.readFileSync(sample);
  const inputs = {
    garbage: Buffer.from('This is not a game archive, only text.\n'.repeat(64)),
    truncated: bytes.subarray(0, Math.floor(bytes.length / 2)),
    empty: Buffer.alloc(0),
  };
  return Object.fromEntries(Object.entries(inputs).map(([name, data]) => {
    const file = path.join(dir, name, 'ifd.mpk');
    fs.mkdirSync(path.dirname(file));
    fs.writeFileSync(file, data);
    return [name, file];
  }));
}

// After the page has loaded it makes no network request at all, and none
// ever leaves its origin.
export function assertPrivate(context, page) {
  const network = page.requests.filter(r => /^(https?|wss?|ftp):/i.test(r.url));
  const origin = page.form === 'site' ? new URL(context.site.url).origin : null;
  assert.deepEqual(network.filter(r => new URL(r.url).origin !== origin).map(r => r.url), [],
                   'requests outside the page\'s origin');
  assert.deepEqual(network.filter(r => r.afterLoad).map(r => r.url), [], 'requests after the page loaded');
  assert.deepEqual(page.errors, [], 'uncaught errors in the page');
}
