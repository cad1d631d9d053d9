// What the worker does while the page starts and the player looks for the
// archive: the code of a first open runs once, so that the player's first
// open does not pay for what a browser does the first time. A browser first
// runs WebAssembly in code compiled for a quick start and optimises the
// functions that have run a while; a realistic table's walk is one long
// call, which would run in the quick code to its end. So the worker opens
// the bundled sample game (put in by the build as base64) a few hundred
// times in a session of its own, a slice at a time, and stops as soon as the
// player asks for anything. Before that it maps a block of the module's
// memory (see src/web/FreshMemory.h).

/* global ARTISANSCOPE_SAMPLE */
import { TreeRows } from './worker-tree.js';

const OPENS = 200;
const OPENS_PER_SLICE = 20;
const FRESH_MEMORY = 32 * 1024 * 1024;
const WARM_UP_FOLDER = '/warm-up';

function sampleBytes() {
  const base64 = typeof ARTISANSCOPE_SAMPLE === 'string' ? ARTISANSCOPE_SAMPLE : '';
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// One open as the page makes it: the walk, the first rows with their
// labels, a branch opened.
function openOnce(session, english) {
  session.openKept({ english, debug: false, find: '' });
  const view = new TreeRows(session);
  if (view.count > 0) view.expand(view.items[0]);
  for (let row = 0; row < view.count; ++row) session.label(view.items[row]);
}

// Runs until done or until over() says an archive is open; a slice waits
// while busy() says the worker is answering a request, and every slice is
// followed by a turn of the worker's event loop.
export async function warmUp(module, { busy, over }) {
  module.touchFreshMemory(FRESH_MEMORY);
  const bytes = sampleBytes();
  if (bytes.length === 0) return;
  const session = new module.Session(WARM_UP_FOLDER);
  try {
    module.FS.writeFile(session.archivePath(), bytes);
    for (let done = 0; done < OPENS && !over();) {
      if (!busy()) {
        for (const end = Math.min(OPENS, done + OPENS_PER_SLICE); done < end; ++done) openOnce(session, done % 2 === 1);
      }
      await new Promise(resolve => setTimeout(resolve, 0));
    }
  } finally {
    session.delete();
    try {
      module.FS.unlink(WARM_UP_FOLDER + '/ifd.mpk');
    } catch {
      // Not written.
    }
  }
}
