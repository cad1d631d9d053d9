// Files that are not the game's archive: the reason the command line gives
// shows in the page, which stays usable (the sample opens after each).
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { forms, browserSuite, openPage, openArchive, rows, native, nativeTree, sample, brokenInputs,
         assertPrivate } from './helpers.mjs';

const inputs = brokenInputs();
const realms = nativeTree(sample).map(n => n.label);

// The command line's reason for a file named ifd.mpk, without its prefix.
function reason(file) {
  const failed = native('-q', file, path.join(path.dirname(file), 'out.txt'));
  assert.equal(failed.status, 1);
  return failed.stderr.toString('utf8').trim().replace(/^artisanscope: can't read 'ifd\.mpk': /, '')
    .replaceAll(file, 'ifd.mpk');
}

browserSuite('failures', context => {
  for (const form of forms) {
    describe(`failures (${form})`, () => {
      let page;
      before(async () => { page = await openPage(context, form); });
      after(() => assertPrivate(context, page));

      for (const [name, file] of Object.entries(inputs)) {
        test(`${name}: the reason, then the sample opens`, async () => {
          assert.equal(await openArchive(page, file), 'failed');
          const shown = await page.$eval('#messages', e => e.textContent);
          assert.ok(shown.includes(reason(file)), `shown: ${shown}\nexpected: ${reason(file)}`);
          assert.equal(await openArchive(page, sample), 'ready');
          assert.deepEqual((await rows(page)).filter(r => r.level === 1).map(r => r.label), realms);
          assert.equal(await page.$eval('#messages', e => e.textContent.trim()), '');
        });
      }
    });
  }
});
