// "Compare with…": the report of the sample against its patched twin, as
// --diff writes it, shown and downloaded as text and JSON: the whole tables,
// under a query, and with both checkboxes ticked.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { forms, browserSuite, openPage, openArchive, settle, pickFile, click, download, native, sample, patched,
         typeFind, waitStatus, countText, patternCount, assertPrivate } from './helpers.mjs';


// Each case: the query typed, the checkboxes ticked, the native options.
const cases = [
  { name: 'the whole tables', query: '', boxes: [], options: [] },
  { name: 'under a query', query: 'schwert', boxes: [], options: [] },
  { name: 'English, debug', query: '', boxes: ['English raw-material names', 'Debug-Mode'], options: ['-e', '-d'] },
];
const diff = (query, options, ...args) => {
  const run = native(...options, '--diff', ...args, ...(query ? ['--find', query] : []), sample, patched);
  assert.equal(run.status, 1, run.stderr.toString());
  return run.stdout;
};

browserSuite('the comparison', context => {
  for (const form of forms) {
    describe(`the comparison (${form})`, () => {
      let page;
      before(async () => {
        page = await openPage(context, form);
        assert.equal(await openArchive(page, sample), 'ready');
      });
      after(() => assertPrivate(context, page));

      for (const { name, query, boxes, options } of cases) {
        test(name, async () => {
          for (const box of boxes) assert.equal(await settle(page, () => click(page, 'checkbox', box)), 'ready');
          await typeFind(page, query);
          if (query) await waitStatus(page, countText(patternCount(query)));
          const text = diff(query, options);
          await pickFile(page, 'Compare with…', patched);
          await page.waitForFunction(t => document.querySelector('#comparison-report')?.textContent === t,
                                     { timeout: 10000 }, text.toString('utf8'))
            .catch(async () => assert.equal(await page.$eval('#comparison-report', e => e.textContent),
                                            text.toString('utf8')));
          const saved = await download(context, () => click(page, 'button', 'Save as text', '#comparison'));
          assert.equal(saved.name, 'comparison.txt');
          assert.ok(saved.bytes.equals(text), 'the text download');
          const json = await download(context, () => click(page, 'button', 'Save as JSON', '#comparison'));
          assert.equal(json.name, 'comparison.json');
          assert.ok(json.bytes.equals(diff(query, options, '--format', 'json')), 'the JSON download');
          await click(page, 'button', 'Close', '#comparison');
          await page.waitForFunction(() => !document.querySelector('#comparison-report')?.checkVisibility(),
                                     { timeout: 10000 });
          for (const box of boxes) assert.equal(await settle(page, () => click(page, 'checkbox', box)), 'ready');
        });
      }
    });
  }
});
