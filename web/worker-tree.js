// The tree as the page shows it, kept in the worker: the shown items under
// open branches flattened into rows (item, depth, place among its shown
// siblings), changed in place when a branch opens or closes, and the
// player's place named by labels so that a reload can find it again.

const NO_ITEM = 0xFFFFFFFF;
// A find opens the patterns' categories when it shows at most this many
// patterns, else the skills only, as the desktop's tree does.
export const EXPAND_PATTERNS_UP_TO = 2000;
const PATTERN_DEPTH = 3;

// Rows in growable typed arrays.
class RowBuilder {
  constructor(capacity = 256) {
    this.items = new Uint32Array(capacity);
    this.levels = new Uint8Array(capacity);
    this.positions = new Uint32Array(capacity);
    this.setSizes = new Uint32Array(capacity);
    this.count = 0;
  }

  push(item, level, position, setSize) {
    if (this.count === this.items.length) this.grow(this.count * 2);
    const at = this.count++;
    this.items[at] = item;
    this.levels[at] = level;
    this.positions[at] = position;
    this.setSizes[at] = setSize;
  }

  grow(capacity) {
    for (const key of ['items', 'levels', 'positions', 'setSizes']) {
      const bigger = new this[key].constructor(capacity);
      bigger.set(this[key].subarray(0, this.count));
      this[key] = bigger;
    }
  }
}

export class TreeRows {
  constructor(session) {
    this.session = session;
    this.open = new Set();
    this.openBeforeFind = null;
    this.generation = 0;
    this.matchPositions = null;
    this.rebuild();
  }

  get count() { return this.rows.count; }
  get items() { return this.rows.items; }
  get levels() { return this.rows.levels; }
  get positions() { return this.rows.positions; }
  get setSizes() { return this.rows.setSizes; }

  isOpen(item) { return this.open.has(item); }
  expandable(row) { return this.session.childCount(this.rows.items[row]) > 0; }

  // The shown items below item whose ancestors up to item are open, depth
  // first, appended to out; with openDepth >= 0, every item of a depth up
  // to it is opened on the way.
  appendBelow(out, item, level, openDepth = -1) {
    const stack = [[this.session.childIds(item), 0, level]];
    while (stack.length) {
      const top = stack[stack.length - 1];
      const [children, at, depth] = top;
      if (at === children.length) {
        stack.pop();
        continue;
      }
      top[1] = at + 1;
      const child = children[at];
      out.push(child, depth, at, children.length);
      if (depth <= openDepth && this.session.childCount(child) > 0) this.open.add(child);
      if (this.open.has(child)) stack.push([this.session.childIds(child), 0, depth + 1]);
    }
  }

  rebuild(openDepth = -1) {
    const out = new RowBuilder();
    this.appendBelow(out, 0, 0, openDepth);
    this.rows = out;
    this.changed();
  }

  changed() {
    ++this.generation;
  }

  rowOf(item) {
    return this.rows.items.subarray(0, this.rows.count).indexOf(item);
  }

  expand(item) {
    if (this.open.has(item)) return;
    const row = this.rowOf(item);
    this.open.add(item);
    if (row < 0) return;
    const below = new RowBuilder();
    this.appendBelow(below, item, this.rows.levels[row] + 1);
    this.splice(row + 1, 0, below);
  }

  collapse(item) {
    if (!this.open.delete(item)) return;
    const row = this.rowOf(item);
    if (row < 0) return;
    const level = this.rows.levels[row];
    let end = row + 1;
    while (end < this.rows.count && this.rows.levels[end] > level) ++end;
    this.splice(row + 1, end - row - 1, new RowBuilder(0));
  }

  // Replaces removed rows at start by those of inserted.
  splice(start, removed, inserted) {
    const rows = this.rows;
    const count = rows.count - removed + inserted.count;
    if (count > rows.items.length) rows.grow(Math.max(count, rows.items.length * 2));
    for (const key of ['items', 'levels', 'positions', 'setSizes']) {
      rows[key].copyWithin(start + inserted.count, start + removed, rows.count);
      rows[key].set(inserted[key].subarray(0, inserted.count), start);
    }
    rows.count = count;
    this.changed();
  }

  // Opens every ancestor of item.
  reveal(item) {
    const chain = [];
    for (let at = this.session.parent(item); at !== 0 && at !== NO_ITEM; at = this.session.parent(at)) chain.push(at);
    for (let i = chain.length - 1; i >= 0; --i) this.expand(chain[i]);
  }

  keepOpenBeforeFind() {
    this.openBeforeFind = new Set(this.open);
  }

  // After the session's find changed what is shown: with openDepth >= 0
  // (a find), the items up to that depth open; without (no find), the
  // branches open before the find.
  refilter(openDepth, restore) {
    this.matchPositions = null;
    if (restore && this.openBeforeFind) {
      this.open = this.openBeforeFind;
      this.openBeforeFind = null;
    } else if (openDepth >= 0) {
      this.open = new Set();
    }
    this.rebuild(openDepth);
  }

  // The place of pattern among the shown patterns in the order Find Next
  // walks (1 for the first), or 0.
  matchPosition(pattern) {
    if (!this.matchPositions) {
      this.matchPositions = new Map();
      const total = this.session.patternCount();
      const first = this.session.nextPattern(0);
      for (let at = first; at !== NO_ITEM && this.matchPositions.size < total;) {
        this.matchPositions.set(at, this.matchPositions.size + 1);
        at = this.session.nextPattern(at);
        if (at === first) break;
      }
    }
    return this.matchPositions.get(pattern) || 0;
  }
}

// The find's depth to open a tree to, for count shown patterns.
export function findOpenDepth(count) {
  return count <= EXPAND_PATTERNS_UP_TO ? PATTERN_DEPTH - 1 : PATTERN_DEPTH - 2;
}

// An item's path from its realm down: each step its label and its row
// among its shown siblings.
function labelPath(session, item) {
  const path = [];
  for (let at = item; at !== 0 && at !== NO_ITEM; at = session.parent(at)) {
    path.push({ row: session.childIds(session.parent(at)).indexOf(at), label: session.label(at) });
  }
  return path.reverse();
}

// part occurs in text as whole words: bounded by blanks or the ends.
function containsAsWords(text, part) {
  if (!part) return false;
  for (let at = text.indexOf(part); at >= 0; at = text.indexOf(part, at + 1)) {
    const end = at + part.length;
    if ((at === 0 || text[at - 1] === ' ') && (end === text.length || text[end] === ' ')) return true;
  }
  return false;
}

function nearestChild(children, row, fits) {
  for (let distance = 0; distance < children.length; ++distance) {
    for (const at of [row - distance, row + distance]) {
      if (at >= 0 && at < children.length && fits(children[at])) return children[at];
    }
  }
  return NO_ITEM;
}

// The item a path leads to now: the sibling nearest to the step's row with
// the same label, else one whose label holds the other as whole words (the
// debug mode adds values around a label), else for an ingredient (whose
// label changes with the language) the sibling at its row.
function itemOfPath(session, path) {
  let at = 0;
  for (let depth = 0; depth < path.length; ++depth) {
    const { row, label } = path[depth];
    const children = session.childIds(at);
    let found = nearestChild(children, row, child => session.label(child) === label);
    if (found === NO_ITEM) {
      found = nearestChild(children, row, child => {
        const text = session.label(child);
        return containsAsWords(text, label) || containsAsWords(label, text);
      });
    }
    if (found === NO_ITEM && depth === PATTERN_DEPTH + 1 && row < children.length) found = children[row];
    if (found === NO_ITEM) return NO_ITEM;
    at = found;
  }
  return at;
}

// The open branches in view (parents first), the selected item and the
// item of the top row, by their paths.
export function capturePlace(session, view, selected, topRow) {
  const expanded = [];
  for (let row = 0; row < view.count; ++row) {
    if (view.isOpen(view.items[row])) expanded.push(labelPath(session, view.items[row]));
  }
  const top = topRow >= 0 && topRow < view.count ? view.items[topRow] : NO_ITEM;
  return {
    expanded,
    selected: selected != null && selected !== NO_ITEM ? labelPath(session, selected) : null,
    top: top !== NO_ITEM ? labelPath(session, top) : null,
  };
}

// Opens, selects and scrolls to what the place names and still exists.
export function restorePlace(session, view, place) {
  for (const path of place.expanded) {
    const item = itemOfPath(session, path);
    if (item !== NO_ITEM) view.expand(item);
  }
  const selected = place.selected ? itemOfPath(session, place.selected) : NO_ITEM;
  if (selected !== NO_ITEM) view.reveal(selected);
  const top = place.top ? itemOfPath(session, place.top) : NO_ITEM;
  return {
    selectedItem: selected !== NO_ITEM ? selected : null,
    selected: selected !== NO_ITEM ? view.rowOf(selected) : -1,
    top: top !== NO_ITEM ? view.rowOf(top) : -1,
  };
}
