// Find: the status counts what the native --tree --find prints, stepping
// selects the found patterns in tree order, and a query that finds nothing
// says so.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { forms, browserSuite, openPage, openArchive, selectedRow, native, patternCount, foundPatterns, sample,
         typeFind, waitStatus, countText, assertPrivate } from './helpers.mjs';


const queries = ['level:1-10', 'level:100-', 'level:-300', 'material:Eisen', 'material:"Schweres Leder"', 'schwert',
                 '"Metallbarren: 4"', 'robe', 'material:Unobtainium'];

// Keys pressed in the find box and the step shown after each (1-based).
const steps = [['Enter', 1], ['Enter', 2], ['F3', 3], ['Shift+Enter', 2], ['Shift+F3', 1]];

async function press(page, combo) {
  const keys = combo.split('+');
  for (const key of keys.slice(0, -1)) await page.keyboard.down(key);
  await page.keyboard.press(keys.at(-1));
  for (const key of keys.slice(0, -1).reverse()) await page.keyboard.up(key);
}

browserSuite('find', context => {
  for (const form of forms) {
    describe(`find (${form})`, () => {
      let page;
      before(async () => {
        page = await openPage(context, form);
        assert.equal(await openArchive(page, sample), 'ready');
      });
      after(() => assertPrivate(context, page));

      for (const query of queries) {
        test(`${query}: the count of the native find`, async () => {
          await typeFind(page, query);
          await waitStatus(page, countText(patternCount(query)));
        });
      }

      test('Enter and F3 step through the found patterns', async () => {
        const query = 'level:100-';
        const patterns = foundPatterns(query);
        assert.ok(patterns.length > 3);
        await typeFind(page, query);
        await waitStatus(page, countText(patterns.length));
        for (const [key, step] of steps) {
          await press(page, key);
          await waitStatus(page, `${step} of ${patterns.length}`);
          assert.equal((await selectedRow(page))?.label, patterns[step - 1], `${key} -> ${step}`);
        }
      });

      test('an emptied box shows the whole tree again', async () => {
        await typeFind(page, '');
        const total = native('--tree', sample).stdout.toString('utf8').split('\n').filter(l => /^\S/.test(l)).length;
        await page.waitForFunction(n => document.querySelectorAll('#tree [aria-level="1"]').length === n, {}, total);
      });
    });
  }
});
