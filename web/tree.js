// The recipe tree: an ARIA tree whose rows live in the worker. Only the
// rows in view (and a few around them) exist in the DOM; their labels are
// fetched for that window and cached until the rows change (a new
// generation). Keyboard as in any tree: arrows, Left/Right to close/open,
// Home/End, Page Up/Down, Enter to open or close, type-ahead on labels.

const OVERSCAN = 20;
const FETCH_MORE = 60;

export class RecipeTree {
  // element: the role="tree" element (it scrolls); call: the worker's rpc.
  constructor(element, call, { onSelect = () => {}, onContextMenu = () => {}, onKey = () => false } = {}) {
    this.element = element;
    this.call = call;
    this.onSelect = onSelect;
    this.onContextMenu = onContextMenu;
    this.onKey = onKey;
    this.count = 0;
    this.generation = -1;
    this.epoch = 0;  // counts the changes of rows, for repainting
    this.cache = new Map();
    this.selected = null;  // { item, row }
    this.fetching = null;
    this.painted = [];
    this.typed = '';
    this.typedAt = 0;

    this.canvas = document.createElement('div');
    this.canvas.className = 'tree-canvas';
    this.canvas.setAttribute('role', 'none');
    element.append(this.canvas);
    element.tabIndex = 0;
    this.rowHeight = this.measureRowHeight();

    element.addEventListener('scroll', () => this.render(), { passive: true });
    element.addEventListener('keydown', event => this.keydown(event));
    element.addEventListener('click', event => this.click(event));
    element.addEventListener('dblclick', event => {
      const data = this.rowDataOf(event.target);
      if (data && data.expandable) this.toggle(data);
    });
    element.addEventListener('contextmenu', event => {
      const data = this.rowDataOf(event.target);
      if (!data) return;
      event.preventDefault();
      this.select(data.row, data.item);
      this.onContextMenu(data, event.clientX, event.clientY);
    });
    new ResizeObserver(() => {
      this.rowHeight = this.measureRowHeight();
      this.render();
    }).observe(element);
  }

  measureRowHeight() {
    const probe = document.createElement('div');
    probe.className = 'tree-row';
    probe.textContent = 'Xg';
    probe.style.visibility = 'hidden';
    this.canvas.append(probe);
    const height = probe.getBoundingClientRect().height || 24;
    probe.remove();
    return height;
  }

  // The rows in view: [first, end).
  viewRange() {
    const first = Math.floor(this.element.scrollTop / this.rowHeight);
    const shown = Math.ceil(this.element.clientHeight / this.rowHeight) + 1;
    return [first, Math.min(this.count, first + shown)];
  }

  // The window a request may prefetch along with a change.
  window() {
    const [first, end] = this.viewRange();
    const start = Math.max(0, first - OVERSCAN);
    return { start, count: end - start + OVERSCAN + FETCH_MORE };
  }

  get topRow() { return this.viewRange()[0]; }

  selectedItem() { return this.selected ? this.selected.item : null; }

  levelOf(item) {
    for (const data of this.cache.values()) if (data.item === item) return data.level;
    return 0;
  }

  // The worker's rows changed: a new generation with count rows, rows
  // (some of them, optional) already fetched. Returns a promise of the
  // first paint.
  update({ generation, count, rows }) {
    if (generation === this.generation && count === this.count) return Promise.resolve();
    this.generation = generation;
    this.count = count;
    ++this.epoch;
    this.cache.clear();
    if (rows) this.store(rows);
    if (this.selected) {
      const row = rows && rows.find(data => data.item === this.selected.item);
      if (row) this.selected.row = row.row;
    }
    this.canvas.style.height = `${count * this.rowHeight}px`;
    this.fetching = null;
    this.render();
    return this.whenPainted();
  }

  clear() {
    this.selected = null;
    this.element.removeAttribute('aria-activedescendant');
    this.update({ generation: -1, count: 0, rows: [] });
    this.element.scrollTop = 0;
  }

  store(rows) {
    for (const data of rows) this.cache.set(data.row, data);
  }

  // Resolves once every row in view is in the DOM.
  whenPainted() {
    if (this.complete()) return Promise.resolve();
    return new Promise(resolve => this.painted.push(resolve));
  }

  complete() {
    const [first, end] = this.viewRange();
    for (let row = first; row < end; ++row) if (!this.cache.has(row)) return false;
    return true;
  }

  async fetch(start, count) {
    const generation = this.generation;
    const key = `${generation}:${start}`;
    if (this.fetching === key) return;
    this.fetching = key;
    try {
      const answer = await this.call('rows', { start, count });
      if (answer.generation !== this.generation) return;
      this.store(answer.rows);
    } catch {
      return;
    } finally {
      if (this.fetching === key) this.fetching = null;
    }
    this.render();
  }

  render() {
    const [first, end] = this.viewRange();
    let missing = -1;
    for (let row = Math.max(0, first - OVERSCAN); row < Math.min(this.count, end + OVERSCAN); ++row) {
      if (!this.cache.has(row)) {
        missing = row;
        break;
      }
    }
    if (missing >= 0) this.fetch(Math.max(0, Math.min(missing, first - OVERSCAN)), end - first + 2 * OVERSCAN + FETCH_MORE);
    const start = Math.max(0, first - 2);
    const stop = Math.min(this.count, end + 2);
    const elements = this.canvas.children;
    let used = 0;
    for (let row = start; row < stop; ++row) {
      const data = this.cache.get(row);
      if (!data) continue;
      let element = elements[used];
      if (!element) {
        element = document.createElement('div');
        element.setAttribute('role', 'treeitem');
        element.className = 'tree-row';
        const twisty = document.createElement('span');
        twisty.className = 'twisty';
        twisty.setAttribute('aria-hidden', 'true');
        const label = document.createElement('span');
        label.className = 'label';
        element.append(twisty, label);
        this.canvas.append(element);
      }
      this.paintRow(element, data);
      ++used;
    }
    while (elements.length > used) elements[elements.length - 1].remove();
    this.showActive();
    if (this.painted.length && this.complete()) {
      const waiting = this.painted;
      this.painted = [];
      for (const resolve of waiting) resolve();
    }
  }

  paintRow(element, data) {
    const selected = this.selected !== null && this.selected.item === data.item;
    const key = `${this.epoch}:${data.row}:${selected}:${this.rowHeight}`;
    if (element.dataset.key === key) return;
    element.dataset.key = key;
    element.id = `tree-item-${data.item}`;
    element.dataset.item = String(data.item);
    element.dataset.row = String(data.row);
    element.style.transform = `translateY(${data.row * this.rowHeight}px)`;
    element.style.setProperty('--level', String(data.level - 1));
    element.setAttribute('aria-level', String(data.level));
    element.setAttribute('aria-setsize', String(data.setSize));
    element.setAttribute('aria-posinset', String(data.position));
    element.setAttribute('aria-selected', selected ? 'true' : 'false');
    if (data.expandable) element.setAttribute('aria-expanded', data.expanded ? 'true' : 'false');
    else element.removeAttribute('aria-expanded');
    element.lastChild.textContent = data.label;
  }

  showActive() {
    const active = this.selected && this.canvas.querySelector(`[data-item="${this.selected.item}"]`);
    if (active) this.element.setAttribute('aria-activedescendant', active.id);
    else this.element.removeAttribute('aria-activedescendant');
  }

  rowDataOf(target) {
    const element = target.closest && target.closest('.tree-row');
    return element ? this.cache.get(Number(element.dataset.row)) : null;
  }

  click(event) {
    const data = this.rowDataOf(event.target);
    if (!data) return;
    this.select(data.row, data.item);
    if (event.target.classList.contains('twisty') && data.expandable) this.toggle(data);
  }

  // Selects row (its item when known) and scrolls it into view; resolves
  // once the row is painted and its item known.
  async select(row, item = this.cache.get(row)?.item) {
    if (row < 0 || row >= this.count) return;
    this.selected = { row, item: item ?? null };
    this.scrollToRow(row);
    this.render();
    // When the page itself scrolls (a low window), the row comes into its view too.
    const shown = this.canvas.querySelector(`[data-row="${row}"]`);
    if (shown && document.scrollingElement.scrollHeight > window.innerHeight) shown.scrollIntoView({ block: 'nearest' });
    if (this.selected.item === null) {
      await this.whenPainted();
      const data = this.cache.get(row);
      if (!data || !this.selected || this.selected.row !== row) return;
      this.selected.item = data.item;
      this.render();
    }
    this.onSelect(this.selected.item);
  }

  scrollToRow(row, atTop = false) {
    const top = row * this.rowHeight;
    const view = this.element;
    if (atTop) view.scrollTop = top;
    else if (top < view.scrollTop) view.scrollTop = top;
    else if (top + this.rowHeight > view.scrollTop + view.clientHeight) {
      view.scrollTop = top + this.rowHeight - view.clientHeight;
    }
  }

  async toggle(data, open = !data.expanded) {
    if (!data.expandable || open === data.expanded) return;
    const answer = await this.call('toggle', { item: data.item, open, window: this.window() });
    if (this.selected && this.selected.item === data.item) this.selected.row = answer.row;
    await this.update(answer);
  }

  // Keys are taken in order: each waits for the change of the one before
  // (a branch opened in the worker, a row fetched), so that Right then Down
  // lands on the first child however fast they come.
  keydown(event) {
    if (this.onKey(event)) return;
    if (event.altKey || event.ctrlKey || event.metaKey) return;
    const key = event.key;
    const moves = ['ArrowDown', 'ArrowUp', 'PageDown', 'PageUp', 'Home', 'End', 'ArrowRight', 'ArrowLeft', 'Enter'];
    if (moves.includes(key)) {
      event.preventDefault();
      this.afterKeys(() => this.move(key));
    } else if (key.length === 1 && key !== ' ') {
      event.preventDefault();
      this.afterKeys(() => this.typeAhead(key));
    }
  }

  // Runs action after the keys taken so far.
  afterKeys(action) {
    this.keys = (this.keys || Promise.resolve()).then(action).catch(() => {});
    return this.keys;
  }

  async move(key) {
    const sel = this.selected;
    const data = sel ? this.cache.get(sel.row) : null;
    const page = Math.max(1, Math.floor(this.element.clientHeight / this.rowHeight) - 1);
    const row = sel ? sel.row : -1;
    switch (key) {
      case 'ArrowDown': return this.select(Math.min(this.count - 1, row + 1));
      case 'ArrowUp': return this.select(Math.max(0, row - 1));
      case 'PageDown': return this.select(Math.min(this.count - 1, row + page));
      case 'PageUp': return this.select(Math.max(0, row - page));
      case 'Home': return this.select(0);
      case 'End': return this.select(this.count - 1);
      case 'ArrowRight':
        if (!data) return this.select(0);
        if (data.expandable && !data.expanded) return this.toggle(data, true);
        if (data.expandable) return this.select(row + 1);
        return undefined;
      case 'ArrowLeft':
        if (!data) return undefined;
        if (data.expandable && data.expanded) return this.toggle(data, false);
        if (data.level > 1) return this.select(await this.call('parentRow', { item: data.item }));
        return undefined;
      case 'Enter':
        return data && data.expandable ? this.toggle(data) : undefined;
      default:
        return undefined;
    }
  }

  // The next row in view (or fetched) whose label begins with what was
  // typed in the last second.
  typeAhead(key) {
    const now = performance.now();
    this.typed = now - this.typedAt < 1000 ? this.typed + key.toLowerCase() : key.toLowerCase();
    this.typedAt = now;
    const from = this.selected ? this.selected.row + (this.typed.length === 1 ? 1 : 0) : 0;
    const rows = [...this.cache.values()].filter(data => data.row >= from).sort((a, b) => a.row - b.row);
    const found = rows.find(data => data.label.toLowerCase().startsWith(this.typed));
    if (found) return this.select(found.row, found.item);
    return undefined;
  }
}
