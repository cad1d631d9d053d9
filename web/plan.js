// The crafting plan's panel, as the desktop's plan window: the entries
// (pattern, place in the tree, count), the totals as --plan prints them,
// Copy, Save and Open of the plan file, Remove (Delete), Clear and Undo
// (Ctrl+Z). The plan itself lives in the worker; this shows each view it
// answers with and keeps the plan file in the browser's storage until the
// plan is cleared.

import { button, element } from './dom.js';

const STORAGE_KEY = 'artisanscope.plan';
const HINT = 'Add patterns with Insert or "Add to plan" in the recipe tree.';

function keep(file) {
  try {
    if (file !== null) localStorage.setItem(STORAGE_KEY, file);
    else localStorage.removeItem(STORAGE_KEY);
  } catch {
    // Storage refused (private mode, full): the plan lasts this visit.
  }
}

function kept() {
  try {
    return localStorage.getItem(STORAGE_KEY);
  } catch {
    return null;
  }
}

export function initPlan(env) {
  const { call } = env;
  let entries = [];
  let planFile = '';  // the plan file of the last view
  let current = -1;  // the selected entry
  let work = Promise.resolve();

  const rows = element('tbody');
  const table = element('table', { className: 'plan-entries' },
    element('thead', {}, element('tr', {},
      element('th', { scope: 'col', textContent: 'Pattern' }),
      element('th', { scope: 'col', textContent: 'In the tree' }),
      element('th', { scope: 'col', textContent: 'Count' }))),
    rows);
  table.setAttribute('aria-label', 'Plan entries');
  table.setAttribute('aria-describedby', 'plan-entries-help');
  const help = element('span', { id: 'plan-entries-help', hidden: true, textContent:
    'Each pattern of the plan with its place in the tree and its count. Delete removes, Ctrl+Z undoes, ' +
    'the pattern\'s name shows it in the tree.' });
  const status = element('p', { id: 'plan-status', className: 'plan-status', hidden: true });
  status.setAttribute('aria-live', 'polite');
  const summary = element('p', { id: 'plan-summary', className: 'plan-summary' });
  const totals = element('pre', { id: 'plan-totals', className: 'plan-totals', tabIndex: 0 });
  totals.setAttribute('aria-label', 'Totals');
  const fileInput = element('input', { type: 'file', id: 'plan-file', hidden: true, accept: '.csv,text/csv' });
  const removeButton = button('Remove', 'Remove the selected entry (Delete); Ctrl+Z undoes', () => remove(current));
  const clearButton = button('Clear', 'Remove every entry; Ctrl+Z undoes', clear);
  const undoButton = button('Undo', 'The plan as before the last change (Ctrl+Z)', undo);
  const buttons = element('div', { className: 'plan-buttons' },
    button('Copy', 'Put the totals on the clipboard', copy),
    button('Save', 'Download the plan as plan.csv', save),
    button('Open', 'Read a plan file (CSV) in place of this plan', () => fileInput.click()),
    fileInput, removeButton, clearButton, undoButton);
  const panel = element('section', { id: 'plan', className: 'panel plan' },
    element('h2', { textContent: 'Crafting plan' }), element('div', { className: 'plan-scroll' }, table), help, status,
    summary, totals, buttons);
  panel.setAttribute('aria-label', 'Crafting plan');
  env.main.append(panel);

  const addButton = button('Add to plan', 'Add the selected pattern to the crafting plan (Insert)', () => {
    const item = env.selectedItem();
    if (item === null || item === undefined) showStatus('Nothing added: select a pattern in the recipe tree first.');
    else add(item);
  });
  addButton.id = 'add-to-plan';
  const compare = [...env.toolbar.children].find(child => child.textContent.trim() === 'Compare with\u2026');
  env.toolbar.insertBefore(addButton, compare || env.toolbar.querySelector('.checks'));

  // One request at a time, each view shown in order.
  function run(op, args = {}, transfer = []) {
    const next = work.then(() => call(op, args, transfer)).then(show, error => {
      showStatus(error.message);
      return null;
    });
    work = next.catch(() => null);
    return next;
  }

  function showStatus(text) {
    status.textContent = text || '';
    status.hidden = !text;
  }

  function show(view) {
    entries = view.entries;
    planFile = view.file;
    keep(entries.length ? planFile : null);
    if (current >= entries.length) current = entries.length - 1;
    fillRows();
    totals.textContent = view.totals;
    summary.textContent = entries.length === 0 ? HINT
      : entries.length === 1 ? 'Totals of 1 entry' : `Totals of ${entries.length} entries`;
    removeButton.disabled = entries.length === 0;
    clearButton.disabled = entries.length === 0;
    undoButton.disabled = !view.canUndo;
    return view;
  }

  // The rows are kept and refilled, so that a count being edited keeps its
  // focus while the totals follow.
  function fillRows() {
    while (rows.children.length > entries.length) rows.lastElementChild.remove();
    while (rows.children.length < entries.length) rows.append(makeRow());
    entries.forEach((entry, place) => {
      const row = rows.children[place];
      const [name, where, count] = row.cells;
      const show = name.firstElementChild;
      show.textContent = entry.label;
      show.title = entry.missing ? 'Not in the loaded table: left out of the totals' : 'Show it in the tree';
      row.classList.toggle('missing', entry.missing);
      where.textContent = entry.place;
      where.title = entry.place;
      const input = count.firstElementChild;
      if (document.activeElement !== input || Number(input.value) !== entry.count) input.value = entry.count;
      row.setAttribute('aria-selected', place === current ? 'true' : 'false');
    });
  }

  function makeRow() {
    const show = element('button', { type: 'button', className: 'plan-pattern' });
    show.addEventListener('click', () => {
      const entry = entries[placeOf(show)];
      if (entry.missing) showStatus('This pattern is not in the loaded table.');
      else env.selectItem(entry.item);
    });
    const input = element('input', { type: 'number', min: 1, max: 9999, step: 1, required: true });
    input.setAttribute('aria-label', 'Count');
    input.addEventListener('change', () => {
      const value = Math.round(Number(input.value));
      if (!Number.isFinite(value) || input.value === '') {
        input.value = entries[placeOf(input)].count;
        return;
      }
      run('planCount', { place: placeOf(input), count: Math.min(9999, Math.max(1, value)) });
    });
    const row = element('tr', {}, element('td', {}, show), element('td', { className: 'plan-place' }),
      element('td', { className: 'plan-count' }, input));
    row.addEventListener('focusin', () => select(placeOf(row)));
    row.addEventListener('pointerdown', () => select(placeOf(row)));
    return row;
  }

  function placeOf(node) {
    return [...rows.children].indexOf(node.closest('tr'));
  }

  function select(place) {
    current = place;
    [...rows.children].forEach((row, at) => row.setAttribute('aria-selected', at === place ? 'true' : 'false'));
  }

  function focusRow(place) {
    const row = rows.children[place];
    if (row) row.cells[0].firstElementChild.focus();
  }

  async function add(item) {
    const view = await run('planAdd', { item });
    if (!view) return;
    if (view.place >= 0) {
      select(view.place);
      showStatus('');
    } else if (view.reason) {
      showStatus(view.reason);
    }
  }

  async function remove(place) {
    if (place < 0 || place >= entries.length) return;
    const hadFocus = panel.contains(document.activeElement);
    const view = await run('planRemove', { place });
    if (view && view.changed) {
      showStatus('Removed: Ctrl+Z brings it back.');
      select(Math.min(place, entries.length - 1));
      if (hadFocus) entries.length ? focusRow(current) : removeButton.blur();
    }
  }

  async function clear() {
    const view = await run('planClear');
    if (view && view.changed) showStatus('Cleared: Ctrl+Z brings the entries back.');
  }

  async function undo() {
    const view = await run('planUndo');
    if (view) showStatus(view.changed ? '' : 'Nothing to undo.');
  }

  async function copy() {
    const text = totals.textContent;
    try {
      await navigator.clipboard.writeText(text);
    } catch {
      // Without the clipboard API (a page from disk in some browsers).
      const range = document.createRange();
      range.selectNodeContents(totals);
      getSelection().removeAllRanges();
      getSelection().addRange(range);
      document.execCommand('copy');
      getSelection().removeAllRanges();
    }
    showStatus(text ? 'The totals are on the clipboard.' : 'No totals to copy.');
  }

  async function save() {
    await work;
    env.download('plan.csv', [planFile], 'text/csv');
  }

  fileInput.addEventListener('change', async () => {
    const file = fileInput.files[0];
    fileInput.value = '';
    if (!file) return;
    const bytes = await file.arrayBuffer();
    const hadEntries = entries.length > 0;
    const view = await run('planRead', { name: file.name, bytes }, [bytes]);
    if (!view) return;
    const { read } = view;
    if (read.message) showStatus(`${read.message}\n${read.details.replace(/\n$/, '')}`);
    else showStatus(hadEntries ? 'Opened in place of the plan before: Ctrl+Z brings it back.' : '');
    if (read.replaced) select(-1);
  });

  // Delete in the list removes the selected entry (not in a count, where it
  // edits the number); Ctrl+Z undoes anywhere in the panel but in a count.
  panel.addEventListener('keydown', event => {
    const inCount = event.target.matches('input[type="number"]');
    if (event.key === 'Delete' && !inCount && table.contains(event.target) && current >= 0) {
      event.preventDefault();
      remove(current);
    } else if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'z' && !inCount) {
      event.preventDefault();
      undo();
    }
  });

  document.addEventListener('artisanscope:add-to-plan', event => add(event.detail.item));
  // Every open and reload: the entries resolve against the new table.
  document.addEventListener('artisanscope:loaded', () => run('planView'));

  const restored = kept();
  if (restored) run('planRead', { text: restored });
  else run('planView');
}
