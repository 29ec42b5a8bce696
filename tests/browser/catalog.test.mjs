// A catalog made by quillo, opened by file:// in Chromium as a user would: the
// frames load, every thumbnail loads, a click shows the picture in the viewer, the
// zoom buttons resize it, the buttons and the file index turn the pages, and the
// start page opens the catalog window.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { before, describe, test } from 'node:test';
import {
  useBrowser, brokenImages, copySamples, fileUrl, frameNamed, makePicture, openCatalog, pageName, pictureWidth,
  runQuillo, showThumbnail, thumbnails, workFolder,
} from './support.mjs';

const dir = workFolder();
const browser = useBrowser(dir);
const { assertNoProblems } = browser;

describe('catalog of the sample pictures', () => {
  let entry;

  before(() => {
    const pictures = join(dir, 'pictures');
    copySamples(pictures);
    // Enough pictures for thirteen pages of two: the file index gets two groups.
    for (let i = 0; i < 20; i++) {
      const ext = ['jpg', 'png', 'gif', 'bmp'][i % 4];
      makePicture(join(pictures, `extra${String(i).padStart(2, '0')}.${ext}`), 120 + i * 4, 90, i + 1);
    }
    entry = runQuillo(pictures, join(dir, 'out'), ['--page-files', '1']);
    assert.match(entry, /\/out\/pictures\/html_1\/index\.html$/);
  });

  test('every frame loads and every thumbnail of every page loads', async () => {
    const { page, file, view, catalog } = await openCatalog(browser.session, entry);
    assert.equal(pageName(file), 'file.html');
    assert.equal(pageName(view), 'control.html');
    assert.equal(pageName(catalog), 'index000000.html');
    assert.deepEqual(await brokenImages(view), []);
    const seen = [];
    for (let n = 0; ; n++) {
      assert.equal(pageName(catalog), `index000${String(n).padStart(3, '0')}.html`);
      assert.deepEqual(await brokenImages(catalog), [], `broken thumbnails on page ${n}`);
      seen.push((await thumbnails(catalog)).length);
      const next = catalog.locator('img[src="next.gif"]');
      if ((await next.count()) === 0) break;
      await Promise.all([catalog.waitForNavigation(), next.click()]);
    }
    assert.equal(seen.length, 13);
    assert.equal(seen.reduce((a, b) => a + b, 0), 26);
    await page.close();
    assertNoProblems();
  });

  test('a click on a thumbnail shows that picture in the viewer', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    const thumbs = await thumbnails(catalog);
    for (let i = 0; i < thumbs.length; i++) {
      const shown = await showThumbnail(catalog, view, i);
      const name = decodeURIComponent(shown.split('/').pop());
      assert.ok((await view.textContent('#caption')).includes(name), `caption names ${name}`);
    }
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
    await Promise.all([catalog.waitForNavigation(), catalog.click('img[src="next.gif"]')]);
    assert.equal(pageName(catalog), 'index000001.html');
    await Promise.all([catalog.waitForNavigation(), catalog.click('img[src="back.gif"]')]);
    assert.equal(pageName(catalog), 'index000000.html');
    const groups = await file.$$eval('a', (links) => links.map((a) => a.textContent.trim()));
    assert.deepEqual(groups, ['[000-009]', '[010-019]']);
    await Promise.all([catalog.waitForNavigation(), file.click('text=[010-019]')]);
    assert.equal(pageName(catalog), 'index000010.html');
    assert.deepEqual(await brokenImages(catalog), []);
    await page.close();
    assertNoProblems();
  });

  test('topindex.html opens the catalog window', async () => {
    const page = await browser.session.context.newPage();
    const popup = browser.session.context.waitForEvent('page', { timeout: 10000 });
    await page.goto(fileUrl(entry.replace(/index\.html$/, 'topindex.html')));
    let win;
    try {
      win = await popup;
    } catch {
      // A browser that blocks the automatic window still opens it from the link.
      [win] = await Promise.all([browser.session.context.waitForEvent('page'), page.click('#open-catalog')]);
    }
    await win.waitForLoadState('load');
    assert.equal(pageName(win.mainFrame()), 'index.html');
    const catalog = await frameNamed(win, 'catalog');
    await catalog.waitForLoadState('load');
    assert.deepEqual(await brokenImages(catalog), []);
    assert.deepEqual(await brokenImages(page.mainFrame()), []);
    await win.close();
    await page.close();
    assertNoProblems();
  });
});
