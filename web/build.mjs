// Builds the page's two forms from web/ and the module in the build folder:
//   BUILD/site/            index.html, app.js, worker.js, style.css and the .wasm,
//                          for any static web host;
//   BUILD/artisanscope.html one file with all of it inlined, for file://
//                          (the worker from a blob URL, the .wasm in base64).
//   node web/build.mjs BUILD
import * as esbuild from 'esbuild';
import { copyFileSync, existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const build = resolve(process.argv[2] || join(here, '..', 'build-web'));
const site = join(build, 'site');
const modulePath = join(build, 'artisanscope-web.js');
const wasmPath = join(build, 'artisanscope-web.wasm');

// The module is built for web, worker and Node: its Node branches, never
// taken in a browser, name Node's modules.
const common = {
  bundle: true,
  format: 'iife',
  platform: 'browser',
  target: ['chrome109', 'firefox115', 'safari16'],
  minify: true,
  legalComments: 'none',
  external: ['fs', 'path', 'crypto'],
  alias: { 'artisanscope-module': modulePath },
  write: false,
  logLevel: 'warning',
};

// The sample game's archive, which the worker opens while the page starts
// (worker-warm.js); without it (a build without the test fixtures) the page
// starts colder.
const samplePath = join(build, 'sample', 'camelot', 'data', 'ifd.mpk');
const sample = existsSync(samplePath) ? readFileSync(samplePath).toString('base64') : '';

async function bundle(entry) {
  const result = await esbuild.build({ ...common, entryPoints: [join(here, entry)],
                                       define: { ARTISANSCOPE_SAMPLE: JSON.stringify(sample) } });
  return result.outputFiles[0].text;
}

// Script text safe inside <script>…</script>.
const inlineSafe = text => text.replace(/<\/(script)/gi, '<\\/$1').replace(/<!--/g, '<\\!--');

const [app, worker] = await Promise.all([bundle('app.js'), bundle('worker.js')]);
const css = readFileSync(join(here, 'style.css'), 'utf8');
const html = readFileSync(join(here, 'index.html'), 'utf8');
const moduleScript = '<script type="module" src="app.js"></script>';
if (!html.includes(moduleScript)) throw new Error('index.html: no app.js script to replace');

mkdirSync(site, { recursive: true });
writeFileSync(join(site, 'app.js'), app);
writeFileSync(join(site, 'worker.js'), worker);
writeFileSync(join(site, 'style.css'), css);
copyFileSync(wasmPath, join(site, 'artisanscope-web.wasm'));
writeFileSync(join(site, 'index.html'), html.replace(moduleScript, '<script src="app.js" defer></script>'));

const wasm = readFileSync(wasmPath).toString('base64');
const inlined = `<script>var ARTISANSCOPE_WASM="${wasm}";var ARTISANSCOPE_WORKER=${inlineSafe(JSON.stringify(worker))};</script>\n` +
                `<script>${inlineSafe(app)}</script>`;
const single = html
  .replace('<link rel="stylesheet" href="style.css">', () => `<style>${css.replace(/<\/style/gi, '<\\/style')}</style>`)
  .replace(moduleScript, () => inlined);
writeFileSync(join(build, 'artisanscope.html'), single);
console.log(`wrote ${site}/ and ${join(build, 'artisanscope.html')}`);
