// Browsing a catalog as people do: the viewer steps through the pictures with its buttons and the arrow
// keys across page turns, runs a slideshow, goes back to the thumbnails on Escape; thumbnails load lazily;
// movies play in the page; a phone-sized window gets one column with the viewer over it; and the first
// page of a catalog of camera-size photos stays light.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { before, describe, test } from 'node:test';
import {
  useBrowser, brokenImages, fileUrl, isCatalogPage, makePictures, openCatalog, pageName, runQuillo,
  showThumbnail, thumbnails, waitForDocument, waitForPicture, workFolder,
} from './support.mjs';

const dir = workFolder();
const browser = useBrowser(dir);
const { assertNoProblems } = browser;

// The name of the picture the viewer shows.
async function shownName(view) {
  return view.evaluate(() => decodeURIComponent(document.getElementById('picture').src.split('/').pop()));
}

async function poll(probe, timeout = 15000) {
  const end = Date.now() + timeout;
  while (!(await probe().catch(() => false))) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${probe}`);
    await new Promise((ok) => setTimeout(ok, 50));
  }
}

async function waitForShown(view, name, timeout = 15000) {
  await view.waitForFunction((expected) => {
    const img = document.getElementById('picture');
    return decodeURIComponent(img.src.split('/').pop()) === expected && img.complete && img.naturalWidth > 0;
  }, name, timeout);
}

describe('the viewer', () => {
  let entry;
  const names = Array.from({ length: 7 }, (_, i) => `photo${i}.jpg`);

  before(() => {
    const pictures = join(dir, 'steps');
    mkdirSync(pictures, { recursive: true });
    makePictures(names.map((name, i) => ({ path: join(pictures, name), width: 200 + i * 10, height: 150, seed: i + 1 })));
    // Three pictures a page: seven make three pages.
    entry = runQuillo(pictures, join(dir, 'out-steps'), ['--page-files', '2']);
  });

  test('arrow keys and buttons step through the pictures across page turns, with name, size and date', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    await showThumbnail(catalog, view, 1);
    assert.equal(await shownName(view), 'photo1.jpg');
    const caption = await view.textContent('#caption');
    assert.match(caption, /photo1\.jpg　210×150　\d+ KB　更新 \d{4}-\d\d-\d\d \d\d:\d\d:\d\d　\[2\/3\]/);
    // The focus stays on the thumbnail page after the click: the keys reach the viewer from there.
    await page.press('ArrowRight');
    await waitForShown(view, 'photo2.jpg');
    await page.press('ArrowRight'); // past the page's end: the catalog turns to the next page
    await waitForShown(view, 'photo3.jpg');
    await waitForDocument(catalog, (name) => name === 'index000001.html');
    await page.press('ArrowLeft'); // and back again
    await waitForShown(view, 'photo2.jpg');
    await waitForDocument(catalog, (name) => name === 'index000000.html');
    await page.press('Home');
    await waitForShown(view, 'photo0.jpg');
    await page.press('End');
    await waitForShown(view, 'photo2.jpg');
    // The viewer's own buttons do the same.
    await view.click('#next');
    await waitForShown(view, 'photo3.jpg');
    await view.click('#prev');
    await waitForShown(view, 'photo2.jpg');
    assert.equal(await view.evaluate(() => document.getElementById('prev').disabled), false);
    await page.close();
    assertNoProblems();
  });

  test('space runs a slideshow across pages and Escape stops it at the picture\'s thumbnail', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    await showThumbnail(catalog, view, 2);
    await view.click('#picture').catch(() => {}); // the focus moves into the viewer frame
    await page.press(' ');
    await waitForShown(view, 'photo3.jpg', 10000);
    await waitForShown(view, 'photo4.jpg', 10000);
    await page.press('Escape');
    const stopped = await shownName(view);
    await new Promise((ok) => setTimeout(ok, 4000));
    assert.equal(await shownName(view), stopped, 'the slideshow stopped');
    await waitForDocument(catalog, (name) => name === 'index000001.html');
    const focused = await catalog.evaluate(() => {
      const a = document.activeElement;
      return a && a.tagName === 'A' ? a.getAttribute('href') : '';
    });
    assert.ok(focused.includes(stopped), `the thumbnail of ${stopped} has the focus (${focused})`);
    await page.close();
    assertNoProblems();
  });

  test('in one column the viewer over the page turns the pages too', async () => {
    const page = await browser.session.newPage();
    await page.setViewport(390, 844);
    await page.goto(`${fileUrl(entry.replace(/index\.html$/, 'index000000.html'))}?view=single`);
    const catalog = await waitForDocument(page.main, isCatalogPage);
    await catalog.click('a[href^="JavaScript:showcg"]', 2);
    await waitForShown(catalog, 'photo2.jpg');
    await page.press('ArrowRight');
    await poll(async () => /index000001\.html\?view=single#quillo-first$/.test(page.main.url()));
    const next = await waitForDocument(page.main, isCatalogPage);
    await waitForShown(next, 'photo3.jpg');
    assert.equal(await next.evaluate(() => document.getElementById('quillo-overlay').className), 'open');
    await page.close();
    assertNoProblems();
  });
});

describe('lazy thumbnails, movies and the phone layout', () => {
  let entry;
  let moviesEntry;

  before(() => {
    const pictures = join(dir, 'many');
    mkdirSync(pictures, { recursive: true });
    makePictures(Array.from({ length: 40 }, (_, i) => ({
      path: join(pictures, `pic${String(i).padStart(2, '0')}.jpg`), width: 320, height: 240, seed: i + 1,
    })));
    entry = runQuillo(pictures, join(dir, 'out-many'));
    const movies = join(dir, 'movies');
    mkdirSync(movies, { recursive: true });
    execFileSync('ffmpeg', ['-nostdin', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i',
      'testsrc=size=320x240:rate=25', '-t', '2', '-c:v', 'libvpx', '-b:v', '200k', join(movies, 'clip.webm')]);
    execFileSync('ffmpeg', ['-nostdin', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i',
      'testsrc=size=160x120:rate=25', '-t', '1', '-c:v', 'mpeg1video', join(movies, 'old.mpg')]);
    makePictures([{ path: join(movies, 'still.png'), width: 100, height: 80 }]);
    moviesEntry = runQuillo(movies, join(dir, 'out-movies'));
  });

  test('a phone-sized window shows one column, loads only the thumbnails near it, and views over the page', async () => {
    const page = await browser.session.newPage();
    await page.setViewport(390, 844);
    await page.goto(fileUrl(entry.replace(/index\.html$/, 'topindex.html')));
    const start = await waitForDocument(page.main, (name) => name === 'topindex.html');
    assert.equal(await start.evaluate(() => document.getElementById('single').hidden), false);
    await start.navigatedBy(() => start.click('#open-single'));
    const catalog = await waitForDocument(page.main, isCatalogPage);
    assert.match(catalog.url(), /index000000\.html\?view=single$/);
    const fetched = () => catalog.evaluate(() => [...document.querySelectorAll('a[href^="JavaScript:showcg"] img')]
      .filter((img) => img.naturalWidth > 0).length);
    const thumbs = await thumbnails(catalog);
    assert.equal(thumbs.length, 40);
    const width = await catalog.$eval('a[href^="JavaScript:showcg"] img', (img) => img.getBoundingClientRect().width);
    assert.ok(width > 300, `thumbnails take the width of the screen (${width} px)`);
    await catalog.waitForFunction(() => document.querySelector('a[href^="JavaScript:showcg"] img').naturalWidth > 0,
      undefined, 15000);
    const before = await fetched();
    assert.ok(before > 0 && before < 40, `only the thumbnails near the window load at first (${before} of 40)`);
    await catalog.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
    await catalog.waitForFunction(() => {
      const last = [...document.querySelectorAll('a[href^="JavaScript:showcg"] img')].pop();
      return last.complete && last.naturalWidth > 0;
    }, undefined, 15000);
    assert.ok((await fetched()) > before, 'scrolling loads the thumbnails it reaches');
    assert.deepEqual(await brokenImages(catalog), []);
    await catalog.evaluate(() => window.scrollTo(0, 0));
    // A tap opens the picture over the page; the keys and the close button work there too.
    await catalog.click('a[href^="JavaScript:showcg"]', 0);
    await waitForPicture(catalog, thumbs[0].picture);
    assert.equal(await catalog.evaluate(() => document.getElementById('quillo-overlay').className), 'open');
    await page.press('ArrowRight');
    await waitForPicture(catalog, thumbs[1].picture);
    await page.press('Escape');
    assert.equal(await catalog.evaluate(() => document.getElementById('quillo-overlay').className), '');
    await page.close();
    assertNoProblems();
  });

  test('a WebM plays in the page with its poster, an MPEG-1 gets a link for the player', async () => {
    const { page, catalog } = await openCatalog(browser.session, moviesEntry);
    assert.equal(await catalog.count('img[dynsrc]'), 0);
    const poster = await catalog.$eval('video', (v) => v.getAttribute('poster'));
    assert.match(poster, /^\.\/Posters\/[0-9a-f]{16}\.jpg$/);
    assert.deepEqual(await catalog.evaluate((src) => new Promise((ok) => {
      const img = new Image();
      img.onload = () => ok([img.naturalWidth > 0]);
      img.onerror = () => ok([false]);
      img.src = src;
    }), poster), [true]);
    await catalog.evaluate(() => {
      const v = document.querySelector('video');
      v.muted = true;
      return v.play();
    });
    await catalog.waitForFunction(() => document.querySelector('video').currentTime > 0.2, undefined, 15000);
    const link = await catalog.$eval('a.movie-file', (a) => [a.getAttribute('href'), a.textContent, a.title]);
    assert.match(link[0], /old\.mpg$/);
    assert.match(link[2], /プレーヤーで開く/);
    assert.deepEqual(await brokenImages(catalog), []);
    await page.close();
    assertNoProblems();
  });
});

describe('a catalog of camera-size photos', () => {
  let entry;
  let photos;

  before(() => {
    photos = join(dir, 'camera');
    mkdirSync(photos, { recursive: true });
    // One 6-megapixel photo drawn, the rest copies of it: the weight is the same and drawing is slow.
    const first = join(photos, 'IMG_1000.jpg');
    makePictures([{ path: first, width: 3000, height: 2000, pattern: 'gradient:rgb(20,90,200)-rgb(250,160,40)' }]);
    for (let i = 1; i < 40; i++) copyFileSync(first, join(photos, `IMG_${1000 + i}.jpg`));
    entry = runQuillo(photos, join(dir, 'out-camera'));
  });

  test('its first page, with everything the browser fetches for it, weighs under 1 MB', async () => {
    const { page, catalog, view, file } = await openCatalog(browser.session, entry);
    assert.deepEqual(await brokenImages(catalog), []);
    const loaded = new Set([entry]);
    for (const frame of [catalog, view, file]) {
      loaded.add(fileURLToPath(frame.url().replace(/[?#].*$/, '')));
      // What the document names: its pictures, scripts and posters (file:// loads leave no resource timing).
      const named = await frame.evaluate(() => [
        ...[...document.images].map((img) => img.src),
        ...[...document.scripts].map((script) => script.src),
        ...[...document.querySelectorAll('video[poster]')].map((video) => video.poster),
      ].filter(Boolean));
      for (const url of named) if (url.startsWith('file:')) loaded.add(fileURLToPath(url.replace(/[?#].*$/, '')));
    }
    const bytes = [...loaded].reduce((sum, path) => sum + statSync(path).size, 0);
    const originals = readdirSync(photos).reduce((sum, name) => sum + statSync(join(photos, name)).size, 0);
    console.log(`first page: ${loaded.size} files, ${bytes} bytes; the 40 originals: ${originals} bytes`);
    assert.ok(bytes < 1024 * 1024, `first page weighs ${bytes} bytes`);
    const thumbs = await thumbnails(catalog);
    assert.equal(thumbs.length, 40);
    assert.ok(thumbs.every((t) => loaded.has(fileURLToPath(t.src))), 'every thumbnail of the page is counted');
    assert.equal(pageName(catalog), 'index000000.html');
    await page.close();
    assertNoProblems();
  });
});
