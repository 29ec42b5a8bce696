// A catalog made by quillo, opened by file:// as a user would, in the browser the run
// names: the frames load, every thumbnail loads, a click shows the picture in the viewer
// (or, on a page opened by itself, in a viewer window), the zoom buttons resize it, the
// buttons and the file index turn the pages, the start page opens the catalog window, and
// a catalog whose thumbnails ZunoP made shows the same.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readdirSync } from 'node:fs';
import { before, describe, test } from 'node:test';
import {
  useBrowser, brokenImages, copySamples, fileUrl, frameOf, isCatalogPage, makePictures, openCatalog, pageName,
  pictureWidth, runQuillo, showThumbnail, thumbnails, waitForDocument, waitForPicture, workFolder,
} from './support.mjs';

const ZUNOP_CATALOG = process.env.QUILLO_ZUNOP_CATALOG;

const dir = workFolder();
const browser = useBrowser(dir);
const { assertNoProblems } = browser;

describe('catalog of the sample pictures', () => {
  let entry;

  before(() => {
    const pictures = join(dir, 'pictures');
    copySamples(pictures);
    // Enough pictures for thirteen pages of two: the file index gets two groups.
    makePictures(Array.from({ length: 20 }, (_, i) => ({
      path: join(pictures, `extra${String(i).padStart(2, '0')}.${['jpg', 'png', 'gif', 'bmp'][i % 4]}`),
      width: 120 + i * 4,
      height: 90,
      seed: i + 1,
    })));
    entry = runQuillo(pictures, join(dir, 'out'), ['--page-files', '1']);
    assert.match(entry, /\/out\/pictures\/html_1\/index\.html$/);
  });

  // One walk through the pages: every thumbnail loads, and a click on each shows its
  // picture in the viewer frame.
  test('every frame loads, every thumbnail of every page loads and a click shows its picture', async () => {
    const { page, file, view, catalog } = await openCatalog(browser.session, entry);
    assert.equal(pageName(file), 'file.html');
    assert.equal(pageName(view), 'control.html');
    assert.equal(pageName(catalog), 'index000000.html');
    assert.deepEqual(await brokenImages(view), []);
    const seen = [];
    const names = new Set();
    for (let n = 0; ; n++) {
      assert.equal(pageName(catalog), `index000${String(n).padStart(3, '0')}.html`);
      assert.deepEqual(await brokenImages(catalog), [], `broken thumbnails on page ${n}`);
      const thumbs = await thumbnails(catalog);
      seen.push(thumbs.length);
      for (let i = 0; i < thumbs.length; i++) {
        const shown = await showThumbnail(catalog, view, i, thumbs);
        const name = decodeURIComponent(shown.split('/').pop());
        assert.ok((await view.textContent('#caption')).includes(name), `caption names ${name}`);
        names.add(name);
      }
      if ((await catalog.count('img[src="next.gif"]')) === 0) break;
      await catalog.navigatedBy(() => catalog.click('img[src="next.gif"]'));
    }
    assert.equal(seen.length, 13);
    assert.equal(seen.reduce((a, b) => a + b, 0), 26);
    assert.equal(names.size, 26);
    await page.close();
    assertNoProblems();
  });

  test('a thumbnail page opened by itself shows the pictures in a viewer window', async () => {
    const page = await browser.session.newPage();
    await page.goto(fileUrl(entry.replace(/index\.html$/, 'index000000.html')));
    const catalog = await waitForDocument(page.main, isCatalogPage);
    const thumbs = await thumbnails(catalog);
    assert.equal(thumbs.length, 2);
    // The first click opens the window; the next one shows its picture in the same window.
    const opened = browser.session.nextWindow(10000);
    await catalog.click('a[href^="JavaScript:showcg"]', 0);
    const win = await opened;
    await waitForDocument(win.main, (name) => name === 'showimg.html');
    await waitForPicture(win.main, thumbs[0].picture);
    await catalog.click('a[href^="JavaScript:showcg"]', 1);
    await waitForPicture(win.main, thumbs[1].picture);
    const name = decodeURIComponent(thumbs[1].picture.split('/').pop());
    assert.ok((await win.main.textContent('#caption')).includes(name), `caption names ${name}`);
    assert.deepEqual(await brokenImages(win.main), []);
    await win.close();
    await page.close();
    assertNoProblems();
  });

  test('the zoom buttons change the size of the picture', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    await showThumbnail(catalog, view, 0);
    const start = await pictureWidth(view);
    assert.ok(start > 0);
    const steps = [['#zoom-x2', 2], ['#zoom-x12', 1], ['#zoom-x15', 1.5], ['#zoom-x115', 1]];
    for (const [button, factor] of steps) {
      await view.click(button);
      assert.ok(Math.abs((await pictureWidth(view)) - start * factor) <= 2, `${button} gives ${factor}x`);
    }
    await view.click('#zoom-x2');
    await view.click('#zoom-x2');
    await view.click('#zoom-fit');
    const fitted = await view.$eval('#picture', (img) => {
      const r = img.getBoundingClientRect();
      return r.right <= window.innerWidth && r.bottom <= window.innerHeight && r.width > 0;
    });
    assert.ok(fitted, 'Fit puts the whole picture inside the viewer');
    await page.close();
    assertNoProblems();
  });

  test('next, back and the file index turn the pages', async () => {
    const { page, file, catalog } = await openCatalog(browser.session, entry);
    await catalog.navigatedBy(() => catalog.click('img[src="next.gif"]'));
    assert.equal(pageName(catalog), 'index000001.html');
    await catalog.navigatedBy(() => catalog.click('img[src="back.gif"]'));
    assert.equal(pageName(catalog), 'index000000.html');
    const links = await file.$$eval('a', (found) => found.map((a) => a.textContent.trim()));
    assert.deepEqual(links.filter((text) => text.startsWith('[')), ['[000-009]', '[010-019]']);
    await catalog.navigatedBy(() => file.click('a', links.indexOf('[010-019]')));
    assert.equal(pageName(catalog), 'index000010.html');
    assert.deepEqual(await brokenImages(catalog), []);
    // Below the page groups, the folder tree: each folder with its count, linking to its first page.
    const folders = await file.$$eval('div.folder', (found) => found.map((d) => d.textContent.trim()));
    assert.equal(folders.length, 2);
    assert.match(folders[0], /^pictures \(\d+\)$/);
    assert.match(folders[1], /^more \(\d+\)$/);
    await catalog.navigatedBy(() => file.click('div.folder a', 1));
    const shown = await catalog.evaluate(() => window.QuilloCatalog.pictures().map((p) => p.src));
    assert.ok(shown.some((src) => src.includes('/more/')), `the page holds a picture of more/: ${shown}`);
    await page.close();
    assertNoProblems();
  });

  test('topindex.html opens the catalog window', async () => {
    const page = await browser.session.newPage();
    const popup = browser.session.nextWindow(10000);
    await page.goto(fileUrl(entry.replace(/index\.html$/, 'topindex.html')));
    let win;
    try {
      win = await popup;
    } catch {
      // A browser that blocks the automatic window still opens it from the link.
      const opened = browser.session.nextWindow(10000);
      await page.main.click('#open-catalog');
      win = await opened;
    }
    await waitForDocument(win.main, (name) => name === 'index.html');
    const catalog = await frameOf(win, isCatalogPage);
    assert.deepEqual(await brokenImages(catalog), []);
    assert.deepEqual(await brokenImages(page.main), []);
    await win.close();
    await page.close();
    assertNoProblems();
  });
});

// ZunoP with its thumbnail box ticked: the pages show the small JPEGs it made in Thumbs/,
// and a click shows the picture itself, not its thumbnail.
describe('catalog whose thumbnails ZunoP made', { skip: !ZUNOP_CATALOG && 'ZunoP is not built' }, () => {
  const pictures = join(dir, 'zunop-pictures');
  const sizes = new Map([['photo.jpg', [640, 480]], ['drawing.png', [300, 450]], ['banner.gif', [500, 90]]]);
  let entry;

  before(() => {
    mkdirSync(pictures, { recursive: true });
    makePictures([...sizes].map(([name, [width, height]]) =>
      ({ path: join(pictures, name), width, height, seed: width + height })));
    entry = execFileSync(ZUNOP_CATALOG, [pictures, join(dir, 'zunop-out')], {
      encoding: 'utf8',
      stdio: ['ignore', 'pipe', 'pipe'], // Qt's notes on standard error stay out of the report unless it fails
    }).trim();
    assert.match(entry, /\/zunop-out\/.*\/index\.html$/);
    const made = readdirSync(join(entry, '..', 'Thumbs')).sort();
    assert.deepEqual(made, ['banner.jpg', 'drawing.jpg', 'photo.jpg']);
  });

  test('every thumbnail loads and a click shows the picture it stands for', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    assert.deepEqual(await brokenImages(catalog), []);
    const thumbs = await thumbnails(catalog);
    assert.equal(thumbs.length, sizes.size);
    const shown = new Set();
    for (let i = 0; i < thumbs.length; i++) {
      assert.match(thumbs[i].src, /\/Thumbs\/[a-z]+\.jpg$/);
      await catalog.click('a[href^="JavaScript:showcg"]', i);
      const base = thumbs[i].src.split('/').pop().replace(/\.jpg$/, '');
      const name = [...sizes.keys()].find((n) => n.startsWith(`${base}.`));
      await waitForPicture(view, fileUrl(join(pictures, name)));
      const natural = await view.$eval('#picture', (img) => [img.naturalWidth, img.naturalHeight]);
      assert.deepEqual(natural, sizes.get(name), `${name} at its own size`);
      shown.add(name);
    }
    assert.equal(shown.size, sizes.size);
    await page.close();
    assertNoProblems();
  });
});
