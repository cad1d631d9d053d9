// The ways to open an archive besides the Open button (a game folder
// picked, a file dropped), and files that are not the game's archive: the
// reason the command line gives shows in the page, which stays usable (the
// sample opens after each).
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { forms, browserSuite, openPage, openArchive, settle, pickFile, rows, scratch, native, nativeTree, sample, brokenInputs,
         assertPrivate } from './helpers.mjs';

const inputs = brokenInputs();

// Game folders: the sample's, one whose data/ifd.mpk has other letter
// cases, one without it.
const folders = scratch();
fs.mkdirSync(path.join(folders, 'Camelot', 'DATA'), { recursive: true });
fs.copyFileSync(sample, path.join(folders, 'Camelot', 'DATA', 'IFD.Mpk'));
fs.mkdirSync(path.join(folders, 'Empty', 'data'), { recursive: true });
fs.writeFileSync(path.join(folders, 'Empty', 'data', 'readme.txt'), 'no archive here\n');

// A file dropped on the page, as a browser hands it over.
const drop = (page, file) => page.evaluate((name, base64) => {
  const transfer = new DataTransfer();
  transfer.items.add(new File([Uint8Array.from(atob(base64), c => c.charCodeAt(0))], name));
  document.querySelector('#tree').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true,
                                                                        cancelable: true }));
}, path.basename(file), fs.readFileSync(file).toString('base64'));

const ways = [
  { name: 'the game folder picked', open: page => pickFile(page, 'Open folder', path.dirname(path.dirname(sample))) },
  { name: 'a game folder with DATA/IFD.Mpk', open: page => pickFile(page, 'Open folder', path.join(folders, 'Camelot')) },
  { name: 'the archive dropped', open: page => drop(page, sample) },
];
const realms = nativeTree(sample).map(n => n.label);

// The command line's reason for a file named ifd.mpk, without its prefix.
function reason(file) {
  const failed = native('-q', file, path.join(path.dirname(file), 'out.txt'));
  assert.equal(failed.status, 1);
  return failed.stderr.toString('utf8').trim().replace(/^artisanscope: can't read 'ifd\.mpk': /, '')
    .replaceAll(file, 'ifd.mpk');
}

browserSuite('opening', context => {
  for (const form of forms) {
    describe(`opening (${form})`, () => {
      let page;
      before(async () => { page = await openPage(context, form); });
      after(() => assertPrivate(context, page));

      for (const way of ways) {
        test(way.name, async () => {
          assert.equal(await settle(page, () => way.open(page)), 'ready');
          assert.deepEqual((await rows(page)).filter(r => r.level === 1).map(r => r.label), realms);
        });
      }

      test('a folder without data/ifd.mpk: said so', async () => {
        await settle(page, () => pickFile(page, 'Open folder', path.join(folders, 'Empty')));
        assert.match(await page.$eval('#messages', e => e.textContent), /data\/ifd\.mpk/);
      });

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
