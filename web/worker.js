// The Web Worker that owns the WebAssembly session: it opens the archive,
// keeps the tree's open branches flattened into the rows the page shows,
// finds, exports and reloads, so that the page never waits on the core.
// Each request { id, op, args } is answered by { id, result } or
// { id, error } with the reason in the command line's words.

import createArtisanscope from 'artisanscope-module';
import { placeFile } from './worker-file.js';
import { planHandlers } from './worker-plan.js';
import { TreeRows, capturePlace, findOpenDepth, restorePlace } from './worker-tree.js';
import { warmUp } from './worker-warm.js';

// A result handed back with some of its buffers moved, not copied.
export class Transfer {
  constructor(result, list) {
    this.result = result;
    this.list = list;
  }
}

const EXTENSIONS = { xml: 'xml', text: 'txt', csv: 'csv', json: 'json', sqlite: 'db' };
const MIME = { xml: 'application/xml', text: 'text/plain', csv: 'text/csv', json: 'application/json',
               sqlite: 'application/vnd.sqlite3' };
// Where the session finds the archive: its path in the core's messages is
// replaced by the name the player chose.
const ARCHIVE_COPY = '/artisanscope/ifd.mpk';
// Where the chosen File is mounted.
const CHOSEN = '/chosen';

const ctx = { module: null, session: null, settings: { english: false, debug: false, find: '' },
              archive: false, name: '', view: null, wasm: null };
let modulePromise = null;
// Requests being answered (but the start-up's ping): the warm-up gives way
// to them, and ends once an archive is open.
let answering = 0;
const warmUpTurn = { busy: () => answering > 0, over: () => ctx.archive };

function loadModule() {
  if (!modulePromise) {
    const options = ctx.wasm ? { wasmBinary: ctx.wasm } : {};
    modulePromise = createArtisanscope(options).then(module => {
      ctx.module = module;
      ctx.session = new module.Session();
      return module;
    }, error => {
      modulePromise = null;
      throw error;
    });
  }
  return modulePromise;
}

// After the module ran out of memory or aborted, the next call starts a
// fresh one.
function dropModule() {
  modulePromise = null;
  ctx.module = null;
  ctx.session = null;
  ctx.view = null;
  // The archive went with the module's file system.
  ctx.archive = false;
}

function reason(error) {
  const text = String(error && error.message ? error.message : error);
  if (error instanceof RangeError || /out of memory|Cannot enlarge memory|Aborted/i.test(text)) return 'out of memory';
  return text;
}

function messagesOf(outcome) {
  return outcome.messages.split(ARCHIVE_COPY).join(ctx.name).replace(/\n$/, '');
}

// Opens ctx.archive with ctx.settings and applies the find; the view
// starts with every branch closed.
function openArchive() {
  const { session } = ctx;
  const outcome = session.openKept({ english: ctx.settings.english, debug: ctx.settings.debug, find: '' });
  if (ctx.settings.find && !session.find(ctx.settings.find)) throw new RangeError('out of memory');
  ctx.view = new TreeRows(session);
  if (ctx.settings.find) ctx.view.refilter(findOpenDepth(session.patternCount()), false);
  return outcome;
}

function summary(outcome) {
  const { session, view } = ctx;
  return { status: outcome.status, messages: messagesOf(outcome), name: ctx.name, rowCount: view.count,
           patternCount: ctx.settings.find ? session.patternCount() : 0, notUnderstood: session.notUnderstood(),
           failed: outcome.status !== 0 && session.childCount(0) === 0 };
}

// The rows of a window ({ start, count }) with their labels.
function rowsOf(window) {
  const { view, session } = ctx;
  const rows = [];
  if (!view || !window) return rows;
  const end = Math.min(view.count, window.start + window.count);
  for (let row = Math.max(0, window.start); row < end; ++row) {
    const item = view.items[row];
    rows.push({ row, item, level: view.levels[row] + 1, label: session.label(item), expandable: view.expandable(row),
                expanded: view.isOpen(item), position: view.positions[row] + 1, setSize: view.setSizes[row] });
  }
  return rows;
}

// What the tree needs after a change: the rows' generation and count,
// and those of the window it shows, so that it repaints without asking.
function changedRows(window) {
  const { view } = ctx;
  return { generation: view.generation, count: view.count, rows: rowsOf(window) };
}

function requireTable() {
  if (!ctx.view) throw new Error('Open a table first');
}

const handlers = {
  // Starts the module and warms it up while the player picks a file.
  async ping() {
    const module = await loadModule();
    try {
      await warmUp(module, warmUpTurn);
    } catch {
      // Only the first open is slower.
    }
    return true;
  },

  async wasm(_, { base64 }) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    ctx.wasm = bytes;
    return true;
  },

  // { file: a File or Blob; name }
  async open(_, { file, name, english, debug, find, window }) {
    await loadModule();
    placeFile(ctx.module.FS, ctx.session.archivePath(), CHOSEN, file);
    ctx.archive = true;
    ctx.name = name || 'ifd.mpk';
    if (english !== undefined) ctx.settings.english = english;
    if (debug !== undefined) ctx.settings.debug = debug;
    if (find !== undefined) ctx.settings.find = find;
    return { ...summary(openArchive()), ...changedRows(window) };
  },

  // Opens the archive again with other settings; the open branches, the
  // selected item and the first row in view are kept by their labels.
  async reload(_, { english, debug, selected, top, window }) {
    ctx.settings.english = english;
    ctx.settings.debug = debug;
    if (!ctx.archive) return null;
    await loadModule();
    const place = ctx.view ? capturePlace(ctx.session, ctx.view, selected, top) : null;
    const outcome = openArchive();
    const restored = place ? restorePlace(ctx.session, ctx.view, place) : { selectedItem: null, selected: -1, top: -1 };
    const rows = window ? { start: Math.max(0, restored.top), count: window.count } : null;
    return { ...summary(outcome), ...restored, ...changedRows(rows) };
  },

  // The rows from start on, with their labels.
  async rows({ view }, { start, count }) {
    requireTable();
    return { generation: view.generation, count: view.count, rows: rowsOf({ start, count }) };
  },

  // Opens or closes item; returns the rows and where item is now.
  async toggle({ view }, { item, open, window }) {
    requireTable();
    if (open) view.expand(item);
    else view.collapse(item);
    return { ...changedRows(window), row: view.rowOf(item) };
  },

  // The row of item's parent (-1 for a realm).
  async parentRow({ view, session }, { item }) {
    requireTable();
    const parent = session.parent(item);
    return parent === 0 ? -1 : view.rowOf(parent);
  },

  // The shown branch under item, as text to copy.
  async branchText({ session }, { item }) {
    requireTable();
    return session.branchText(item);
  },

  // Opens item's ancestors and returns its row.
  async reveal({ view }, { item, window }) {
    requireTable();
    view.reveal(item);
    return { ...changedRows(window), row: view.rowOf(item) };
  },

  // Applies a find query (empty: the whole tree, with the branches that
  // were open before the find).
  async find({ session, view }, args) {
    const { query } = args;
    requireTable();
    const before = ctx.settings.find;
    ctx.settings.find = query;
    if (!before && query) view.keepOpenBeforeFind();
    if (!session.find(query)) throw new RangeError('out of memory');
    const count = query ? session.patternCount() : 0;
    view.refilter(query ? findOpenDepth(count) : -1, !query);
    return { ...changedRows(args.window), patternCount: count, notUnderstood: query ? session.notUnderstood() : '' };
  },

  // The next (or previous) shown pattern from item, revealed, with its
  // place among the matches.
  async step({ session, view }, { item, back, window }) {
    requireTable();
    const found = back ? session.previousPattern(item ?? 0) : session.nextPattern(item ?? 0);
    if (found === 0xFFFFFFFF) return null;
    view.reveal(found);
    const row = view.rowOf(found);
    const around = window ? { start: Math.max(0, row - (window.count >> 1)), count: window.count } : null;
    return { ...changedRows(around), item: found, row, position: view.matchPosition(found),
             patternCount: session.patternCount() };
  },

  // The export of the open archive under the settings (and the find) as
  // parts for a Blob, each moved out of the worker.
  async exportTable(_, { format }) {
    if (!ctx.archive) throw new Error('Open a table first');
    await loadModule();
    const parts = [];
    const outcome = ctx.session.exportTable(format, ctx.settings, chunk => parts.push(chunk.slice().buffer));
    if (outcome.status !== 0) throw new Error(messagesOf(outcome));
    return new Transfer({ parts, name: 'recipes.' + EXTENSIONS[format], type: MIME[format] }, parts);
  },
};

Object.assign(handlers, planHandlers);

self.onmessage = async ({ data: { id, op, args } }) => {
  const handler = handlers[op];
  const counted = op !== 'ping' && op !== 'wasm';
  if (counted) ++answering;
  try {
    if (!handler) throw new Error('unknown request ' + op);
    const result = await handler(ctx, args || {});
    if (result instanceof Transfer) self.postMessage({ id, result: result.result }, result.list);
    else self.postMessage({ id, result });
  } catch (error) {
    const text = reason(error);
    if (text === 'out of memory' || (error instanceof WebAssembly.RuntimeError)) dropModule();
    self.postMessage({ id, error: text });
  } finally {
    if (counted) --answering;
  }
};

export { ctx, loadModule };
