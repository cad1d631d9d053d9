// The page's main thread: the toolbar, open (button, game folder, drag
// and drop), the two checkboxes, find with stepping, export, the messages,
// and the tree. The work itself runs in the worker (worker.js).

import { call } from './rpc.js';
import { RecipeTree } from './tree.js';
import { initPlan } from './plan.js';
import { initCompare } from './compare.js';

const $ = id => document.getElementById(id);
const FIND_SYNTAX = 'Every term must hold:\n' +
  'schwert \u2013 a word in the recipe, its ingredients, category, skill or realm\n' +
  '"3 eisen" \u2013 several words as one\n' +
  'level:300-350 \u2013 skill level 300 to 350 (also level:300-, level:-350, level:300)\n' +
  'material:Eisen \u2013 an ingredient of that material (material:"Lange glatte scharfe")';
const PATTERN_LEVEL = 4;

const body = document.body;
const messages = $('messages');
const findInput = $('find');
const findStatus = $('find-status');
const exportButton = $('export');
const exportMenu = $('export-menu');
const english = $('english');
const debug = $('debug');
const emptyTree = $('empty-tree');
let tableOpen = false;
let patternCount = 0;
let busy = Promise.resolve();

const tree = new RecipeTree($('tree'), call, {
  onKey: event => treeKey(event),
  onContextMenu: (data, x, y) => showTreeMenu(data, x, y),
});

function setState(state) {
  body.dataset.state = state;
  $('tree').setAttribute('aria-busy', state === 'loading' ? 'true' : 'false');
}

function showMessage(text) {
  messages.textContent = text || '';
}

function settings() {
  return { english: english.checked, debug: debug.checked };
}

// One job at a time: opens, reloads and finds run in order.
function queue(job) {
  const next = busy.then(job, job);
  busy = next.catch(() => {});
  return next;
}

function showTable(summary) {
  tableOpen = !summary.failed;
  exportButton.disabled = !tableOpen;
  $('instruction').hidden = tableOpen;
  $('tree').hidden = !tableOpen;
  showMessage(summary.messages);
  showFindCount(summary.patternCount, summary.notUnderstood);
  document.dispatchEvent(new CustomEvent('artisanscope:loaded', { detail: { name: summary.name, status: summary.status } }));
}

// Opens a picked or dropped archive.
function openArchive(file, name = file.name) {
  performance.mark('open-start');
  return queue(async () => {
    setState('loading');
    showMessage('');
    try {
      const summary = await call('open', { file, name, ...settings(), find: findInput.value.trim() ? findInput.value : '',
                                           window: { start: 0, count: tree.window().count } });
      tree.clear();
      await tree.update(summary);
      showTable(summary);
      setState(summary.failed ? 'failed' : 'ready');
      requestAnimationFrame(() => performance.mark('rows-painted'));
      if (!summary.failed) $('tree').focus({ preventScroll: true });
    } catch (error) {
      tree.clear();
      showTable({ failed: true, messages: error.message, name, status: 1, patternCount: 0, notUnderstood: '' });
      setState('failed');
    }
  });
}

// The checkboxes reload at once, keeping the open branches, the selection
// and the scroll position.
function reload() {
  return queue(async () => {
    if (!tableOpen) {
      await call('reload', { ...settings(), selected: null, top: -1 }).catch(() => null);
      return;
    }
    setState('loading');
    try {
      const summary = await call('reload', { ...settings(), selected: tree.selectedItem(), top: tree.topRow,
                                             window: tree.window() });
      tree.selected = summary.selectedItem !== null ? { item: summary.selectedItem, row: summary.selected } : null;
      tree.generation = -1;
      tree.update(summary);
      if (summary.top >= 0) tree.scrollToRow(summary.top, true);
      tree.render();
      await tree.whenPainted();
      showTable(summary);
      setState(summary.failed ? 'failed' : 'ready');
    } catch (error) {
      showMessage(error.message);
      setState('failed');
    }
  });
}

// Find: each keystroke applies the query typed so far; while one is
// applied, only the latest of those typed meanwhile follows.
let findWanted = null;
let findRunning = false;
function findChanged() {
  performance.mark('find-start');
  findWanted = findInput.value;
  if (!findRunning && tableOpen) runFind();
}

async function runFind() {
  findRunning = true;
  while (findWanted !== null) {
    const query = findWanted;
    findWanted = null;
    await queue(async () => {
      try {
        const window = { start: 0, count: tree.window().count };
        const answer = await call('find', { query, window });
        tree.generation = -1;
        tree.element.scrollTop = 0;
        await tree.update(answer);
        showFindCount(query.trim() ? answer.patternCount : null, answer.notUnderstood);
        if (tree.selected) tree.selected.row = -1;
        performance.mark('find-painted');
      } catch (error) {
        showMessage(error.message);
      }
    });
  }
  findRunning = false;
}

function showFindCount(count, notUnderstood = '') {
  patternCount = count || 0;
  const active = findInput.value.trim() !== '' && tableOpen;
  if (!active) findStatus.textContent = '';
  else if (count === 0) findStatus.textContent = 'No recipes match';
  else findStatus.textContent = count === 1 ? '1 pattern' : `${count} patterns`;
  const nothing = active && count === 0;
  emptyTree.hidden = !nothing;
  emptyTree.textContent = notUnderstood ? `No recipes match\n${notUnderstood}` : 'No recipes match';
}

async function step(back) {
  if (!tableOpen || !findInput.value.trim()) return;
  await queue(async () => {
    const found = await call('step', { item: tree.selectedItem(), back, window: tree.window() });
    if (!found) return;
    await tree.update(found);
    tree.select(found.row, found.item);
    findStatus.textContent = found.position ? `${found.position} of ${found.patternCount}` : findStatus.textContent;
  });
}

function selectItem(item) {
  return queue(async () => {
    const found = await call('reveal', { item, window: tree.window() });
    await tree.update(found);
    if (found.row >= 0) tree.select(found.row, item);
  });
}

// Keys of the tree beyond moving about: Insert adds to the plan,
// the menu key and Shift+F10 open the item's menu.
function treeKey(event) {
  if (event.key === 'Insert' && !event.shiftKey && !event.ctrlKey && !event.altKey) {
    event.preventDefault();
    tree.afterKeys(() => {
      // Any item: the plan takes a pattern or an ingredient's pattern and
      // says why it refuses the rest, as the dialog's Insert does.
      const item = tree.selectedItem();
      if (item !== null) document.dispatchEvent(new CustomEvent('artisanscope:add-to-plan', { detail: { item } }));
    });
    return true;
  }
  // Ctrl+C copies the selected branch, as the dialog does.
  if ((event.ctrlKey || event.metaKey) && !event.altKey && event.key.toLowerCase() === 'c') {
    event.preventDefault();
    tree.afterKeys(async () => {
      const item = tree.selectedItem();
      if (item === null) return;
      const text = await call('branchText', { item });
      await navigator.clipboard.writeText(text).catch(() => showMessage('The browser did not let the page copy'));
    });
    return true;
  }
  if (event.key === 'ContextMenu' || (event.key === 'F10' && event.shiftKey)) {
    event.preventDefault();
    tree.afterKeys(() => {
      const item = tree.selectedItem();
      const row = item !== null && tree.canvas.querySelector(`[data-item="${item}"]`);
      if (!row) return;
      const box = row.getBoundingClientRect();
      showTreeMenu(tree.cache.get(tree.selected.row), box.left + 24, box.bottom);
    });
    return true;
  }
  return false;
}

function isPattern(item) {
  return tree.levelOf(item) === PATTERN_LEVEL;
}

// Menus: the Export menu and the tree's context menu, both closed by
// Escape, a click elsewhere or a choice; arrows move between items.
function openMenu(menu, button) {
  closeMenus();
  menu.hidden = false;
  if (button) button.setAttribute('aria-expanded', 'true');
  menu.items = [...menu.querySelectorAll('[role="menuitem"]')];
  menu.items[0]?.focus();
}

function closeMenus(refocus) {
  for (const menu of [exportMenu, $('tree-menu')]) {
    if (menu.hidden) continue;
    menu.hidden = true;
    if (menu === exportMenu) {
      exportButton.setAttribute('aria-expanded', 'false');
      if (refocus) exportButton.focus();
    } else if (refocus) {
      tree.element.focus();
    }
  }
}

function menuKeys(menu) {
  menu.addEventListener('keydown', event => {
    const items = menu.items || [];
    const at = items.indexOf(document.activeElement);
    if (event.key === 'ArrowDown') items[(at + 1) % items.length].focus();
    else if (event.key === 'ArrowUp') items[(at - 1 + items.length) % items.length].focus();
    else if (event.key === 'Home') items[0].focus();
    else if (event.key === 'End') items[items.length - 1].focus();
    else if (event.key === 'Escape' || event.key === 'Tab') closeMenus(event.key === 'Escape');
    else return;
    if (event.key !== 'Tab') event.preventDefault();
  });
}

function showTreeMenu(data, x, y) {
  if (!data) return;
  const menu = $('tree-menu');
  menu.replaceChildren();
  const add = (text, action) => {
    const entry = document.createElement('button');
    entry.type = 'button';
    entry.setAttribute('role', 'menuitem');
    entry.tabIndex = -1;
    entry.textContent = text;
    entry.addEventListener('click', () => {
      closeMenus(true);
      action();
    });
    menu.append(entry);
  };
  if (data.level === PATTERN_LEVEL) {
    add('Add to plan', () => document.dispatchEvent(new CustomEvent('artisanscope:add-to-plan', { detail: { item: data.item } })));
  }
  const compare = [...document.querySelectorAll('#toolbar button')].find(button => button.textContent.trim() === 'Compare with\u2026');
  if (compare) add('Compare with\u2026', () => compare.click());
  if (!menu.children.length) return;
  menu.style.left = `${Math.min(x, window.innerWidth - 200)}px`;
  menu.style.top = `${Math.min(y, window.innerHeight - 80)}px`;
  openMenu(menu);
}

function download(name, parts, type = 'application/octet-stream') {
  const url = URL.createObjectURL(new Blob(parts, { type }));
  const link = $('download');
  link.download = name;
  link.href = url;
  link.click();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

async function exportAs(format) {
  closeMenus(true);
  exportButton.setAttribute('aria-busy', 'true');
  try {
    const { parts, name, type } = await call('exportTable', { format });
    download(name, parts, type);
  } catch (error) {
    showMessage(error.message);
  } finally {
    exportButton.removeAttribute('aria-busy');
  }
}

// A game folder, picked or dropped: its data/ifd.mpk in any letter case,
// the one nearest to the top.
function archiveInFolder(files) {
  const found = files.filter(({ path }) => /(^|\/)data\/ifd\.mpk$/i.test(path))
    .sort((a, b) => a.path.split('/').length - b.path.split('/').length);
  return found[0] || null;
}

async function filesOfEntry(entry, path = entry.name, out = []) {
  if (entry.isFile) {
    out.push({ path, file: await new Promise((resolve, reject) => entry.file(resolve, reject)) });
  } else if (entry.isDirectory) {
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (!batch.length) break;
      for (const child of batch) {
        // Only what can lead to data/ifd.mpk.
        if (child.isDirectory ? /^data$/i.test(child.name) || path === entry.name : /^ifd\.mpk$/i.test(child.name)) {
          await filesOfEntry(child, `${path}/${child.name}`, out);
        }
      }
    }
  }
  return out;
}

function openFolderFiles(files, folderName) {
  const found = archiveInFolder(files);
  if (found) {
    openArchive(found.file, found.path);
  } else {
    showMessage(`can't read 'ifd.mpk': ${folderName}/data/ifd.mpk does not exist`);
    setState(tableOpen ? 'ready' : 'failed');
  }
}

async function dropped(event) {
  event.preventDefault();
  body.classList.remove('dropping');
  const items = [...(event.dataTransfer.items || [])].filter(item => item.kind === 'file');
  const entry = items[0]?.webkitGetAsEntry?.();
  if (entry && entry.isDirectory) {
    openFolderFiles(await filesOfEntry(entry), entry.name);
  } else if (event.dataTransfer.files.length) {
    openArchive(event.dataTransfer.files[0]);
  }
}

function wire() {
  findInput.title = FIND_SYNTAX;
  $('find-help').textContent = FIND_SYNTAX;
  $('tree').hidden = true;
  $('open').addEventListener('click', () => $('open-file').click());
  $('open-file').addEventListener('change', event => {
    const file = event.target.files[0];
    event.target.value = '';
    if (file) openArchive(file);
  });
  $('open-game-folder').addEventListener('click', () => $('open-folder').click());
  $('open-folder').addEventListener('change', event => {
    const files = [...event.target.files].map(file => ({ path: file.webkitRelativePath || file.name, file }));
    const folder = files[0] ? files[0].path.split('/')[0] : 'the folder';
    event.target.value = '';
    if (files.length) openFolderFiles(files, folder);
  });
  english.addEventListener('change', reload);
  debug.addEventListener('change', reload);
  findInput.addEventListener('input', findChanged);
  findInput.addEventListener('keydown', event => {
    if (event.key === 'Enter') {
      event.preventDefault();
      step(event.shiftKey);
    } else if (event.key === 'Escape' && findInput.value) {
      event.preventDefault();
      findInput.value = '';
      findChanged();
    }
  });
  document.addEventListener('keydown', event => {
    if (event.key === 'F3') {
      event.preventDefault();
      step(event.shiftKey);
    } else if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 'f') {
      event.preventDefault();
      findInput.focus();
      findInput.select();
    }
  });
  exportButton.addEventListener('click', () => {
    if (exportMenu.hidden) openMenu(exportMenu, exportButton);
    else closeMenus(true);
  });
  exportButton.addEventListener('keydown', event => {
    if (event.key === 'ArrowDown' && exportMenu.hidden) {
      event.preventDefault();
      openMenu(exportMenu, exportButton);
    }
  });
  for (const entry of exportMenu.querySelectorAll('[role="menuitem"]')) {
    entry.addEventListener('click', () => exportAs(entry.dataset.format));
  }
  menuKeys(exportMenu);
  menuKeys($('tree-menu'));
  document.addEventListener('pointerdown', event => {
    if (!event.target.closest('[role="menu"]') && event.target !== exportButton) closeMenus(false);
  });
  document.addEventListener('dragover', event => {
    event.preventDefault();
    body.classList.add('dropping');
  });
  document.addEventListener('dragleave', event => {
    if (!event.relatedTarget) body.classList.remove('dropping');
  });
  document.addEventListener('drop', dropped);
}

wire();
const env = {
  call,
  toolbar: $('toolbar'),
  main: $('main'),
  selectedItem: () => tree.selectedItem(),
  isPattern,
  showMessage,
  download,
  selectItem,
};
initPlan(env);
initCompare(env);
// The worker and its module start, and warm up, while the player picks a
// file; the mark says when they are done.
call('ping').then(() => performance.mark('worker-ready'), () => {});
