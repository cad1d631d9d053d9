// Opening the sample by the Open button, the first rows, the keyboard, and
// the two checkboxes reloading with the open branches and the selection
// kept; the page at 200% zoom, and an accessibility check of it loaded.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { forms, browserSuite, openPage, openArchive, rows, expectSelected, pressKeys, settle, click,
         nativeTree, at, sample, requireWeb, assertPrivate } from './helpers.mjs';

const trees = {
  plain: nativeTree(sample), english: nativeTree('-e', sample),
  both: nativeTree('-e', '-d', sample), debug: nativeTree('-d', sample),
};

// The rows a tree shows with the branches at the given paths open.
function shown(tree, open, prefix = []) {
  return tree.flatMap((node, i) => {
    const here = [...prefix, i];
    const row = { label: node.label, level: here.length };
    const isOpen = open.some(p => p.join() === here.join());
    return isOpen ? [row, ...shown(node.children, open, here)] : [row];
  });
}
const brief = list => list.map(r => `${r.level} ${r.label}`);

// Keys pressed in order from the first realm selected, and where the
// selection is after each (a path of sibling indices), with the branch
// state of the selected row.
const keys = [
  { keys: ['ArrowRight'], selected: [0], expanded: 'true' },
  { keys: ['ArrowDown'], selected: [0, 0], expanded: 'false' },
  { keys: ['ArrowRight', 'ArrowDown'], selected: [0, 0, 0] },
  { keys: ['ArrowLeft'], selected: [0, 0], expanded: 'true' },
  { keys: ['ArrowLeft'], selected: [0, 0], expanded: 'false' },
  { keys: ['ArrowUp'], selected: [0] },
  { keys: ['End'], selected: [trees.plain.length - 1] },
  { keys: ['Home'], selected: [0] },
];

// From the first realm (closed, open or not) to the second pattern of the
// first category.
const toPattern = ['ArrowLeft', 'ArrowRight', 'ArrowDown', 'ArrowRight', 'ArrowDown', 'ArrowRight', 'ArrowDown', 'ArrowDown'];
const patternPath = [0, 0, 0, 1];
const openPaths = [[0], [0, 0], [0, 0, 0]];

// Each checkbox click and the tree (native options) shown after it.
const toggles = [
  { box: 'English raw-material names', tree: 'english' },
  { box: 'Debug-Mode', tree: 'both' },
  { box: 'English raw-material names', tree: 'debug' },
  { box: 'Debug-Mode', tree: 'plain' },
];

browserSuite('the tree', context => {
  for (const form of forms) {
    describe(`the tree (${form})`, () => {
      let page;
      before(async () => { page = await openPage(context, form); });
      after(() => assertPrivate(context, page));

      test('Open shows the realms', async () => {
        assert.equal(await openArchive(page, sample), 'ready');
        const realms = (await rows(page)).filter(r => r.level === 1);
        assert.deepEqual(realms.map(r => r.label), trees.plain.map(n => n.label));
        assert.equal(await page.$eval('#messages', e => e.textContent.trim()), '');
      });

      test('the keyboard moves, opens and closes', async () => {
        const first = (await rows(page))[0];
        await page.click(`#tree [data-item="${first.item}"]`);
        for (const step of keys) {
          await pressKeys(page, step.keys);
          const label = `${step.keys.join(' ')} -> ${step.selected}`;
          const row = await expectSelected(page, at(trees.plain, step.selected).label, step.selected.length, label);
          if (step.expanded) assert.equal(row.expanded, step.expanded, label);
        }
        const focused = await page.evaluate(() => document.activeElement.closest('[role="tree"]')?.id);
        assert.equal(focused, 'tree');
      });

      test('the checkboxes reload and keep the open branches and the selection', async () => {
        await pressKeys(page, toPattern);
        await expectSelected(page, at(trees.plain, patternPath).label, patternPath.length);
        assert.deepEqual(brief(await rows(page)), brief(shown(trees.plain, openPaths)));
        const scroll = await page.$eval('#tree', e => e.scrollTop);
        for (const { box, tree } of toggles) {
          assert.equal(await settle(page, () => click(page, 'checkbox', box)), 'ready', box);
          assert.deepEqual(brief(await rows(page)), brief(shown(trees[tree], openPaths)), `${box} -> ${tree}`);
          await expectSelected(page, at(trees[tree], patternPath).label, patternPath.length, `${box} -> ${tree}`);
          assert.equal(await page.$eval('#tree', e => e.scrollTop), scroll);
        }
      });

      test('Tab reaches every control of the toolbar, the find box and the tree', async () => {
        await page.evaluate(() => document.activeElement?.blur());
        const reached = new Set();
        for (let i = 0; i < 40; i++) {
          await page.keyboard.press('Tab');
          reached.add(await page.evaluate(() => {
            const e = document.activeElement;
            return e.closest('[role="tree"]') ? 'tree' : e.id === 'find' ? 'find'
              : e.getAttribute('aria-label') ?? e.labels?.[0]?.textContent.trim() ?? e.textContent.trim();
          }));
        }
        for (const name of ['Open', 'Open folder', 'Export', 'Add to plan', 'Compare with…', 'English raw-material names',
                            'Debug-Mode', 'find', 'tree']) {
          assert.ok(reached.has(name), `${name} not reached: ${[...reached].join(', ')}`);
        }
      });

      test('at 200% zoom nothing needs scrolling sideways', async () => {
        const viewport = page.viewport();
        await page.setViewport({ width: viewport.width / 2, height: viewport.height / 2, deviceScaleFactor: 2 });
        const wide = await page.evaluate(() => [...document.querySelectorAll('button, input, label, [role="tree"]')]
          .filter(e => e.checkVisibility() && e.getBoundingClientRect().right > innerWidth + 1)
          .map(e => e.id || e.textContent.trim()));
        const width = await page.evaluate(() => document.documentElement.scrollWidth - innerWidth);
        await page.setViewport(viewport);
        assert.deepEqual(wide, []);
        assert.ok(width <= 0, `${width} px wider than the window`);
      });

      test('no serious or critical accessibility violations', async () => {
        await page.evaluate(fs.readFileSync(requireWeb.resolve('axe-core/axe.min.js'), 'utf8'));
        for (const scheme of ['light', 'dark']) {
          await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
          const found = await page.evaluate(async () => (await window.axe.run(document)).violations
            .filter(v => v.impact === 'serious' || v.impact === 'critical')
            .map(v => `${v.id}: ${v.help} (${v.nodes.map(n => n.target.join(' ')).join(', ')})`));
          assert.deepEqual(found, [], scheme);
        }
      });
    });
  }
});
