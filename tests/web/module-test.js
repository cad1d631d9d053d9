// The page's module against the native command line on the sample and its
// patched twin: the tree (with and without a find), every export, the
// comparison and a plan's totals must be the same bytes, with the same
// statuses.
//   node module-test.js artisanscope-web.js NATIVE SAMPLE PATCHED
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {spawnSync} = require('child_process');

const [modulePath, native, sample, patched] = process.argv.slice(2);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'artisanscope-module-'));
const archive = folder => new Uint8Array(fs.readFileSync(path.join(folder, 'data', 'ifd.mpk')));
const runNative = args => spawnSync(native, args, {env: {...process.env, DISPLAY: '', WAYLAND_DISPLAY: ''}});
const plan = path.join(scratch, 'plan.csv');
fs.writeFileSync(plan, 'realm,skill,category,pattern,index,count\nAlbion,Waffenschmied,Schwerter,Kurzschwert,,2\n' +
                       'Albion,Waffenschmied,Schwerter,Nirgendwo,,1\n');

// [name, settings, what the module gives, the native arguments, what of the run to compare]
const cases = [];
for (const english of [false, true]) {
  for (const debug of [false, true]) {
    const settings = {english, debug, find: ''};
    const flags = [...(english ? ['-e'] : []), ...(debug ? ['-d'] : [])];
    const name = `${english ? 'e' : ''}${debug ? 'd' : ''}`;
    for (const format of ['text', 'xml', 'csv', 'json', 'sqlite']) {
      const out = path.join(scratch, `${format}${name}`);
      cases.push([`${format} ${name}`, settings, (s, parts) => s.exportTable(format, settings, c => parts.push(Buffer.from(c))),
                  ['-q', ...flags, '--format', format, sample, out], () => fs.readFileSync(out)]);
    }
    cases.push([`diff ${name}`, settings, s => s.compare(archive(patched), settings, false),
                [...flags, '--diff', sample, patched], run => run.stdout]);
    cases.push([`plan ${name}`, settings, s => s.plan(new Uint8Array(fs.readFileSync(plan)), 'json', settings),
                [...flags, '--format', 'json', '--plan', plan, sample], run => run.stdout]);
  }
}
for (const find of ['', 'e', 'schwert eisen', 'level:100-']) {
  cases.push([`tree find "${find}"`, {english: false, debug: false, find}, s => {
    if (find !== '' && !s.find(find)) return {status: 1, text: ''};
    const lines = [];
    const visit = (item, depth) => {
      for (const child of s.children(item)) {
        lines.push('  '.repeat(depth) + s.label(child) + '\n');
        visit(child, depth + 1);
      }
    };
    visit(0, 0);
    return {status: 0, messages: '', text: lines.join('')};
  }, ['--tree', ...(find ? ['--find=' + find] : []), sample], run => run.stdout]);
}

require(modulePath)({wasmBinary: fs.readFileSync(modulePath.replace(/\.js$/, '.wasm'))}).then(artisanscope => {
  let faults = 0;
  for (const [name, settings, made, args, expected] of cases) {
    const session = new artisanscope.Session();
    session.open(archive(sample), settings);
    const parts = [];
    const outcome = made(session, parts);
    const bytes = parts.length ? Buffer.concat(parts) : Buffer.from(outcome.text, 'utf8');
    const run = runNative(args);
    if (outcome.status !== run.status || !bytes.equals(expected(run))) {
      console.log(`${name}: module status ${outcome.status}, ${bytes.length} bytes; native status ${run.status}, ` +
                  `${expected(run).length} bytes ${outcome.messages}`);
      ++faults;
    }
    session.delete();
  }
  fs.rmSync(scratch, {recursive: true});
  console.log(`${cases.length} cases, ${faults} differences`);
  process.exit(faults ? 1 : 0);
});
