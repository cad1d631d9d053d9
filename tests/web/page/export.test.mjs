// Every export format downloaded from the page, byte for byte what the
// native --format export writes for the same archive, options and query.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { forms, browserSuite, openPage, openArchive, settle, click, download, nativeFile, sample,
         assertPrivate, typeFind, waitStatus, countText, patternCount } from './helpers.mjs';


const formats = [
  { item: 'XML', format: 'xml', name: 'recipes.xml' },
  { item: 'Text', format: 'text', name: 'recipes.txt' },
  { item: 'CSV', format: 'csv', name: 'recipes.csv' },
  { item: 'JSON', format: 'json', name: 'recipes.json' },
  { item: 'SQLite', format: 'sqlite', name: 'recipes.db' },
];
// Each variant: the checkboxes ticked, the query typed, the native options.
const variants = [
  { name: 'plain', boxes: [], query: '', args: [] },
  { name: 'under a query', boxes: [], query: 'material:Eisen', args: ['--find', 'material:Eisen'] },
  { name: 'English, debug, under a query', boxes: ['English raw-material names', 'Debug-Mode'],
    query: 'level:1-10', args: ['-e', '-d', '--find', 'level:1-10'] },
];

browserSuite('export', context => {
  for (const form of forms) {
    describe(`export (${form})`, () => {
      let page;
      before(async () => {
        page = await openPage(context, form);
        assert.equal(await openArchive(page, sample), 'ready');
      });
      after(() => assertPrivate(context, page));

      for (const variant of variants) {
        test(variant.name, async () => {
          for (const box of variant.boxes) assert.equal(await settle(page, () => click(page, 'checkbox', box)), 'ready');
          await typeFind(page, variant.query);
          const options = variant.args.filter(a => a === '-d' || a === '-e');
          await waitStatus(page, variant.query ? countText(patternCount(variant.query, ...options)) : '');
          for (const { item, format, name } of formats) {
            const got = await download(context, async () => {
              await click(page, 'button', 'Export');
              await click(page, 'menuitem', item);
            });
            assert.equal(got.name, name);
            const expected = nativeFile(name, '-q', '--format', format, ...variant.args, sample);
            assert.ok(got.bytes.equals(expected), `${item}: ${got.bytes.length} bytes, native ${expected.length}`);
          }
          for (const box of variant.boxes) assert.equal(await settle(page, () => click(page, 'checkbox', box)), 'ready');
        });
      }
    });
  }
});
