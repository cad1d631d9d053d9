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
const planFile = path.join(scratch, 'plan.csv');
fs.writeFileSync(planFile, 'realm,skill,category,pattern,index,count\nAlbion,Waffenschmied,Schwerter,Kurzschwert,,2\n' +
                       'Albion,Waffenschmied,Schwerter,Nirgendwo,,1\n');

// [name, settings, what the module gives, the native arguments, what of the run to compare,
//  the archive opened first (the sample's)]
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
    cases.push([`plan ${name}`, settings, s => s.plan(new Uint8Array(fs.readFileSync(planFile)), 'json', settings),
                [...flags, '--format', 'json', '--plan', planFile, sample], run => run.stdout]);
  }
}
// The plan kept beside a session (Plan): built from tree items, its file
// read back by the native --plan, whose totals it must print the same.
const treeItems = (s, depth, item = 0) => depth === 0 ? s.children(item) :
  s.children(item).flatMap(child => treeItems(s, depth - 1, child));
const kept = (made, check) => (s, parts) => {
  const plan = new artisanscope.Plan();
  try {
    const faults = made(s, plan);
    fs.writeFileSync(path.join(scratch, 'kept.csv'), plan.fileText(s));
    const status = faults ? 99 : plan.entries(s).some(e => e.missing) ? 1 : 0;
    return {status, messages: faults || '', text: plan.totalsText(s)};
  } finally {
    plan.delete();
  }
};
// [step, the native flags and game folder, what is done to the plan: a fault or '']
const planSteps = [
  ['from the tree', [], sample, (s, plan) => {
    const [first, second, ...rest] = treeItems(s, 3);
    plan.add(s, first);
    plan.add(s, first);
    plan.add(s, s.children(second)[0]);  // an ingredient: its pattern
    plan.add(s, rest[rest.length - 1]);
    plan.setCount(1, 7);
    const refused = plan.add(s, treeItems(s, 0)[0]);
    if (refused.place !== -1 || !refused.reason.startsWith('Nothing added: \u201C')) return 'a realm was added';
    const counts = plan.entries(s).map(e => e.count).join();
    return counts === '2,7,1' ? '' : `counts ${counts}`;
  }],
  ['removed, undone, cleared, undone', [], sample, (s, plan) => {
    for (const item of treeItems(s, 3).slice(0, 3)) plan.add(s, item);
    const file = plan.fileText(s);
    if (!plan.remove(0) || plan.size() !== 2 || !plan.undo() || plan.fileText(s) !== file) return 'remove, undo';
    if (!plan.clear() || plan.clear() || !plan.undo() || plan.fileText(s) !== file) return 'clear, undo';
    return '';
  }],
  ['read from a file, a row missing', [], sample, (s, plan) => {
    const read = plan.read('plan.csv', fs.readFileSync(planFile), true);
    return read.replaced && read.message === '' ? '' : 'not read';
  }],
  ['read with rows that cannot be read', [], sample, (s, plan) => {
    const read = plan.read('bad.csv', fs.readFileSync(planFile) + 'Albion,,,Robe,,0\n"open\n', true);
    const told = 'line 4: count \'0\' is not a number from 1 to 9999\nline 5: a quoted field is not closed\n';
    return read.replaced && read.message === 'Some rows of the plan could not be read.' && read.details === told ? ''
      : `told ${JSON.stringify(read)}`;
  }],
  ['made in German, resolved again in English', ['-e'], sample, (s, plan) => {
    for (const item of treeItems(s, 3).slice(-3)) plan.add(s, item);
    s.open(archive(sample), {english: true, debug: false, find: ''});
    return '';
  }],
  ['made on the sample, resolved again on the patched one', [], patched, (s, plan) => {
    for (const item of treeItems(s, 3)) plan.add(s, item);
    s.open(archive(patched), {english: false, debug: false, find: ''});
    return '';
  }],
  ['made with no table open, resolved on opening', [], sample, (s, plan) => {
    plan.read('plan.csv', fs.readFileSync(planFile), false);  // as the page restores it
    const before = plan.entries(s).every(e => e.missing) && !plan.canUndo() ? '' : 'resolved with no table';
    s.open(archive(sample), {english: false, debug: false, find: ''});
    return before;
  }, new Uint8Array(0)],
];
for (const [step, flags, folder, made, opened] of planSteps) {
  cases.push([`kept plan ${step}`, {english: false, debug: false, find: ''}, kept(made),
              [...flags, '--plan', path.join(scratch, 'kept.csv'), folder], run => run.stdout, opened]);
}
// The shown tree as --tree prints it.
function treeText(s, item = 0, depth = 0) {
  return s.children(item).map(child => '  '.repeat(depth) + s.label(child) + '\n' + treeText(s, child, depth + 1)).join('');
}
for (const find of ['', 'e', 'schwert eisen', 'level:100-']) {
  cases.push([`tree find "${find}"`, {english: false, debug: false, find}, s => {
    if (find !== '' && !s.find(find)) return {status: 1, text: ''};
    return {status: 0, messages: '', text: treeText(s)};
  }, ['--tree', ...(find ? ['--find=' + find] : []), sample], run => run.stdout]);
  // The branch the page copies: the tree's lines of the last realm shown
  // (found through childIds, as the page's tree finds it).
  cases.push([`branch find "${find}"`, {english: false, debug: false, find}, s => {
    if (find !== '' && !s.find(find)) return {status: 1, text: ''};
    const realms = s.childIds(0);
    return {status: 0, messages: '', text: s.branchText(realms[realms.length - 1])};
  }, ['--tree', ...(find ? ['--find=' + find] : []), sample],
  run => Buffer.from(run.stdout.toString('utf8').split(/^(?=\S)/m).pop(), 'utf8')]);
}

// The chosen archive read where it lies, as the page's worker reads it
// (web/worker-file.js), through a reader standing in for the browser's:
// [name, read(bytes, start, end), the open's messages (none: the tree as
// --tree prints it), the reads of the first open and of two opens (what was
// read is kept)]
const sampleBytes = archive(sample);
const inPlaceCases = [
  ['read where it lies', (bytes, start, end) => bytes.slice(start, end).buffer, null, 1, 1],
  ['refused by the browser', () => { throw new DOMException('changed', 'NotReadableError'); },
   "can't read 'ifd.mpk': /artisanscope/ifd.mpk cannot be read (I/O error)\n", 1, 2],
  ['shorter than when chosen', (bytes, start, end) => bytes.slice(start, Math.min(end, 100)).buffer,
   "can't read 'ifd.mpk': /artisanscope/ifd.mpk became shorter while it was being read\n", 3, 5],
];
async function readInPlace() {
  const {placeFile} = await import(path.join(__dirname, '..', '..', 'web', 'worker-file.js'));
  // A module that takes Node for a worker, as the file system's mount wants
  // (it makes a reader only workers have; the reads go through the cases').
  globalThis.importScripts = () => {};
  globalThis.FileReaderSync = class {};
  const module = await require(modulePath)({wasmBinary: fs.readFileSync(modulePath.replace(/\.js$/, '.wasm'))});
  delete globalThis.importScripts;
  let faults = 0;
  for (const [name, read, messages, reads, allReads] of inPlaceCases) {
    const session = new module.Session();
    let count = 0;
    placeFile(module.FS, session.archivePath(), '/chosen', new Blob([sampleBytes]),
              (blob, start, end) => (++count, read(sampleBytes, start, end)));
    const outcome = session.openKept({english: false, debug: false, find: ''});
    const firstReads = count;
    session.openKept({english: false, debug: false, find: ''});
    const expected = messages ?? runNative(['--tree', sample]).stdout.toString('utf8');
    const got = messages === null ? treeText(session) : outcome.messages;
    if (got !== expected || firstReads !== reads || count !== allReads) {
      console.log(`${name}: ${JSON.stringify(got.slice(0, 200))}, ${firstReads} then ${count} reads`);
      ++faults;
    }
    session.delete();
  }
  return faults;
}

let artisanscope;
require(modulePath)({wasmBinary: fs.readFileSync(modulePath.replace(/\.js$/, '.wasm'))}).then(async module => {
  artisanscope = module;
  let faults = await readInPlace();
  for (const [name, settings, made, args, expected, opened = archive(sample)] of cases) {
    const session = new artisanscope.Session();
    session.open(opened, settings);
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
  console.log(`${cases.length + inPlaceCases.length} cases, ${faults} differences`);
  process.exit(faults ? 1 : 0);
});
