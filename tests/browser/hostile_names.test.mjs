// Pictures whose names hold quotes, '#', '%', '<', '&', '?', a backslash, a scheme,
// spaces and Japanese text: every thumbnail must load and show its own picture,
// whether the catalog links the pictures where they are or copies them.
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { before, describe, test } from 'node:test';
import {
  useBrowser, brokenImages, makePicture, openCatalog, runQuillo, showThumbnail, thumbnails, workFolder,
} from './support.mjs';

const dir = workFolder();
const browser = useBrowser(dir);
const { assertNoProblems } = browser;

describe('catalog of pictures with hostile names', () => {
  const names = [
    "Bob's #1 <draft> 100%.jpg",
    '写真 1.jpg',
    'a&b=c?.png',
    'semi;colon,comma [1].gif',
    'say "hi".jpg',
    'back\\slash.png',
    'percent%41.jpg',
    'plus+and~tilde.jpg',
    'javascript:alert(1).png',
    'sub dir #2/inner\'s %.jpg',
  ];
  const pictures = join(dir, 'hostile');

  before(() => {
    mkdirSync(join(pictures, 'sub dir #2'), { recursive: true });
    names.forEach((name, i) => makePicture(join(pictures, name), 80 + 8 * i, 60, i + 30));
  });

  for (const copy of [false, true]) {
    test(`every thumbnail loads and shows its own picture (${copy ? 'copied' : 'in place'})`, async () => {
      const out = join(dir, copy ? 'out-copied' : 'out-in-place');
      const entry = runQuillo(pictures, out, copy ? ['--copy'] : ['--no-copy']);
      const { page, catalog, view } = await openCatalog(browser.session, entry);
      assert.deepEqual(await brokenImages(catalog), []);
      const thumbs = await thumbnails(catalog);
      assert.equal(thumbs.length, names.length);
      const shown = new Set();
      for (let i = 0; i < thumbs.length; i++) {
        const src = await showThumbnail(catalog, view, i);
        const name = decodeURIComponent(src.split('/').pop());
        assert.ok(names.some((n) => n.endsWith(name)), `${name} is one of the pictures`);
        shown.add(name);
      }
      assert.equal(shown.size, names.length);
      await page.close();
      assertNoProblems();
    });
  }
});
