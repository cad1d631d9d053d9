// The crafting plan: three patterns added the three ways (button, Insert,
// context menu), a count changed, the totals equal --plan's for the same
// plan, the saved plan file read by --plan, Delete and its undoing, the plan
// kept through a reload of the page, a plan file opened, and Clear.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { forms, browserSuite, openPage, openArchive, click, download, native, nativeTree,
         at, sample, scratch, selectedRow, expectSelected, pressKeys, reloadPage, assertPrivate } from './helpers.mjs';

const tree = nativeTree(sample);
const dir = scratch();

// The patterns added, by their path in the tree, how, and the count typed.
const entries = [
  { path: [0, 0, 0, 0], by: 'button', count: 10 },
  { path: [0, 0, 0, 2], by: 'Insert', count: 5 },
  { path: [0, 1, 0, 0], by: 'context menu', count: 2 },
];

// A plan file in the desktop's format (names only: found by names).
function planFile(name, list) {
  const lines = ['realm,skill,category,pattern,index,count',
    ...list.map(e => [0, 1, 2, 3].map(d => at(tree, e.path.slice(0, d + 1)).label.replace(/ \(\d+\)$/, ''))
                      .concat('', e.count).join(','))];
  const file = path.join(dir, name);
  fs.writeFileSync(file, '\ufeff' + lines.join('\r\n') + '\r\n');
  return file;
}
const nativeTotals = file => {
  const run = native('--plan', file, sample);
  assert.equal(run.status, 0, run.stderr.toString());
  return run.stdout.toString('utf8');
};

const planText = page => page.$eval('#plan-totals', e => e.textContent);
// Waits for the totals to read text; fails showing what they read.
const expectTotals = (page, text) => page.waitForFunction(t => document.querySelector('#plan-totals')?.textContent === t,
                                                          { timeout: 10000 }, text)
  .catch(async () => assert.equal(await planText(page), text));
const entryCount = page => page.$$eval('#plan [aria-label="Count"]', inputs => inputs.length);

// Opens the branches down to a pattern and selects it by the keyboard.
async function selectPattern(page, indices) {
  const first = await page.$('#tree [role="treeitem"][aria-level="1"]');
  await first.click();
  await pressKeys(page, ['Home']);
  for (const [depth, index] of indices.entries()) {
    for (let i = 0; i < index; i++) {
      // Down past the open siblings' children: Left closes, Down moves on.
      if ((await selectedRow(page)).expanded === 'true') await pressKeys(page, ['ArrowLeft']);
      await pressKeys(page, ['ArrowDown']);
    }
    if (depth < indices.length - 1) {
      if ((await selectedRow(page)).expanded !== 'true') await pressKeys(page, ['ArrowRight']);
      await pressKeys(page, ['ArrowDown']);
    }
  }
  await expectSelected(page, at(tree, indices).label, indices.length);
}

async function add(page, how) {
  if (how === 'button') return click(page, 'button', 'Add to plan');
  if (how === 'Insert') return page.keyboard.press('Insert');
  const row = await selectedRow(page);
  await page.click(`#tree [data-item="${row.item}"]`, { button: 'right' });
  await click(page, 'menuitem', 'Add to plan');
}

browserSuite('the crafting plan', context => {
  for (const form of forms) {
    describe(`the crafting plan (${form})`, () => {
      let page;
      before(async () => {
        page = await openPage(context, form);
        await page.evaluate(() => localStorage.clear());
        assert.equal(await openArchive(page, sample), 'ready');
      });
      after(() => assertPrivate(context, page));

      test('three patterns: the totals of --plan', async () => {
        for (const [i, entry] of entries.entries()) {
          await selectPattern(page, entry.path);
          await add(page, entry.by);
          await page.waitForFunction(n => document.querySelectorAll('#plan [aria-label="Count"]').length === n,
                                     { timeout: 10000 }, i + 1);
          const count = (await page.$$('#plan [aria-label="Count"]'))[i];
          await count.click({ clickCount: 3 });
          await count.type(String(entry.count));
          await count.press('Tab');
        }
        const expected = nativeTotals(planFile('three.csv', entries));
        await expectTotals(page, expected);
        assert.match(await page.$eval('#plan', e => e.textContent), /Totals of 3 entries/);
      });

      test('the saved plan file gives --plan the same totals', async () => {
        const saved = await download(context, () => click(page, 'button', 'Save'));
        assert.equal(saved.name, 'plan.csv');
        const file = path.join(dir, `saved-${form}.csv`);
        fs.writeFileSync(file, saved.bytes);
        assert.equal(nativeTotals(file), await planText(page));
      });

      test('Delete removes an entry: the totals of the others; Ctrl+Z brings it back', async () => {
        const all = await planText(page);
        await page.$$eval('#plan [aria-label="Count"]', inputs => inputs[1].closest('tr').querySelector('button').focus());
        await page.keyboard.press('Delete');
        const rest = nativeTotals(planFile('two-left.csv', entries.filter((_, i) => i !== 1)));
        await expectTotals(page, rest);
        assert.equal(await entryCount(page), entries.length - 1);
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyZ');
        await page.keyboard.up('Control');
        await expectTotals(page, all);
      });

      test('the plan survives a reload of the page', async () => {
        const before = await planText(page);
        await reloadPage(page);
        assert.equal(await openArchive(page, sample), 'ready');
        await expectTotals(page, before);
        assert.equal(await entryCount(page), entries.length);
      });

      test('a plan file opened: its totals', async () => {
        const file = planFile('two.csv', [{ path: [0, 0, 1, 0], count: 7 }, { path: [0, 2, 0, 0], count: 3 }]);
        const expected = nativeTotals(file);
        const [chooser] = await Promise.all([page.waitForFileChooser(),
                                             click(page, 'button', 'Open', '#plan')]);
        await chooser.accept([file]);
        await expectTotals(page, expected);
      });

      test('Clear empties the plan, also after a reload', async () => {
        await click(page, 'button', 'Clear');
        await page.waitForFunction(() => !document.querySelector('#plan [aria-label="Count"]'), { timeout: 10000 });
        await reloadPage(page);
        assert.equal(await openArchive(page, sample), 'ready');
        assert.equal(await entryCount(page), 0);
      });
    });
  }
});
