// The crafting plan's and the comparison's requests to the worker, merged
// into its table of handlers: planHandlers[op] = async (ctx, args) => result.
// The plan is the core's (a Plan held beside the session); it resolves
// against whatever table the session has open. After each change the panel
// gets the whole view: entries, totals and the plan file (which the page
// keeps in its storage).

import { loadModule } from './worker.js';
import { placeFile } from './worker-file.js';

// The second archive's path in the core's messages.
const NEWER_COPY = '/artisanscope/new.mpk';
const ARCHIVE_COPY = '/artisanscope/ifd.mpk';

// The plan of the current module: a module started again (after it ran out
// of memory) gets the plan back from its last file.
let held = { module: null, plan: null, file: '' };

async function planOf(ctx) {
  const module = await loadModule();
  if (held.module !== module) {
    const plan = new module.Plan();
    if (held.file) plan.read('', held.file, false);
    held = { module, plan, file: held.file };
  }
  return held.plan;
}

async function view(ctx, extra = {}) {
  const plan = await planOf(ctx);
  const { session } = ctx;
  const file = plan.fileText(session);
  held.file = plan.size() ? file : '';
  return { entries: plan.entries(session), totals: plan.totalsText(session), file,
           canUndo: plan.canUndo(), ...extra };
}

function comparedNames(ctx, text) {
  return text.split(ARCHIVE_COPY).join(ctx.name).split(NEWER_COPY).join(ctx.compared.name).replace(/\n$/, '');
}

// Where the second archive's File is mounted.
const CHOSEN_NEWER = '/chosen-newer';

// Compares with the second archive, read where it lies (placed again in a
// module started afresh).
function compare(ctx, json) {
  const { file, settings } = ctx.compared;
  if (ctx.compared.module !== ctx.module) {
    placeFile(ctx.module.FS, ctx.session.newerPath(), CHOSEN_NEWER, file);
    ctx.compared.module = ctx.module;
  }
  const outcome = ctx.session.compareKept(settings, json);
  if (outcome.status === 2) throw new Error(comparedNames(ctx, outcome.messages) || 'out of memory');
  return outcome;
}

export const planHandlers = {
  async planView(ctx) {
    return view(ctx);
  },

  // The pattern of a tree item (or of an ingredient item): one more of it.
  async planAdd(ctx, { item }) {
    const added = (await planOf(ctx)).add(ctx.session, item);
    return view(ctx, { place: added.place, reason: added.reason });
  },

  async planCount(ctx, { place, count }) {
    (await planOf(ctx)).setCount(place, count);
    return view(ctx);
  },

  async planRemove(ctx, { place }) {
    const removed = (await planOf(ctx)).remove(place);
    return view(ctx, { changed: removed });
  },

  async planClear(ctx) {
    const cleared = (await planOf(ctx)).clear();
    return view(ctx, { changed: cleared });
  },

  async planUndo(ctx) {
    const undone = (await planOf(ctx)).undo();
    return view(ctx, { changed: undone });
  },

  // A plan file the player chose ({ name, bytes }), or the one the page
  // kept ({ text }, restored only into an empty plan).
  async planRead(ctx, { name = '', bytes, text }) {
    const plan = await planOf(ctx);
    if (text !== undefined && plan.size()) return view(ctx);
    const read = plan.read(name, bytes ? new Uint8Array(bytes) : text, text === undefined);
    return view(ctx, { read });
  },

  // The open archive (old) against a second one (new): the text report,
  // as --diff writes it, with the settings of the open tree and under its
  // find query, as the export is.
  async compare(ctx, { name, file }) {
    await loadModule();
    if (!ctx.archive || !ctx.view) throw new Error('Open a table first');
    ctx.compared = { name, file, settings: { ...ctx.settings }, module: null };
    const outcome = compare(ctx, false);
    return { status: outcome.status, text: outcome.text, messages: comparedNames(ctx, outcome.messages),
             oldName: ctx.name, newName: name, find: ctx.settings.find.trim() };
  },

  // The last comparison's report as JSON.
  async compareJson(ctx) {
    await loadModule();
    if (!ctx.compared || !ctx.archive) throw new Error('Compare with a second archive first');
    return compare(ctx, true).text;
  },
};
