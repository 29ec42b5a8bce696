// Shared ground of the catalog tests: pictures made by ImageMagick, catalogs made by
// quillo, and Debian's Chromium driven by playwright-core with the machine's flags.
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import assert from 'node:assert/strict';
import { after, before } from 'node:test';

export const PROGRAM_DIR = process.env.QUILLO_PROGRAM_DIR;
export const SOURCE_DIR = process.env.QUILLO_SOURCE_DIR;
if (!PROGRAM_DIR || !SOURCE_DIR) throw new Error('QUILLO_PROGRAM_DIR and QUILLO_SOURCE_DIR must be set');

const CONVERT = '/usr/bin/convert'; // a stand-in convert may come first on PATH
const CHROMIUM = process.env.QUILLO_CHROMIUM || '/usr/bin/chromium';
const CHROMIUM_FLAGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

// A fresh folder for one test file; TEMP points there so quillo's lock and work files stay inside.
export function workFolder() {
  const dir = mkdtempSync(join(tmpdir(), 'quillo-browser-'));
  process.env.TEMP = dir;
  return dir;
}

export function removeFolder(dir) {
  rmSync(dir, { recursive: true, force: true });
}

// A real picture of the given size and type (by the name's extension).
export function makePicture(path, width, height, seed = 1) {
  execFileSync(CONVERT, ['-seed', String(seed), '-size', `${width}x${height}`, 'plasma:red-blue', path]);
}

export function copySamples(to) {
  const from = join(SOURCE_DIR, 'data', 'sample');
  const copy = (src, dst) => {
    mkdirSync(dst, { recursive: true });
    for (const name of readdirSync(src)) {
      const s = join(src, name);
      if (statSync(s).isDirectory()) copy(s, join(dst, name));
      else copyFileSync(s, join(dst, name));
    }
  };
  copy(from, to);
}

// Runs quillo and returns the path of the entry page it printed.
export function runQuillo(folder, output, extra = []) {
  const stdout = execFileSync(join(PROGRAM_DIR, 'quillo'), ['-q', '--output', output, ...extra, folder], {
    encoding: 'utf8',
    env: process.env,
  });
  return stdout.trim();
}

export function fileUrl(path) {
  return pathToFileURL(path).href;
}

// One browser per test file; every page records console errors, script errors and failed loads.
export async function launch() {
  const browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_FLAGS });
  const context = await browser.newContext({ viewport: { width: 1200, height: 900 } });
  const problems = [];
  const watch = (page) => {
    page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
    page.on('pageerror', (e) => problems.push(`script error: ${e.message}`));
    page.on('requestfailed', (r) => problems.push(`load failed: ${r.url()} ${r.failure()?.errorText}`));
  };
  context.on('page', watch);
  return { browser, context, problems };
}

// Waits until every picture of the frame finished loading; returns those that failed.
export async function brokenImages(frame) {
  return frame.evaluate(async () => {
    const images = [...document.images].filter((img) => img.getAttribute('src'));
    await Promise.all(images.map((img) => (img.complete ? null : new Promise((ok) => {
      img.addEventListener('load', ok, { once: true });
      img.addEventListener('error', ok, { once: true });
    }))));
    return images.filter((img) => !(img.naturalWidth > 0)).map((img) => img.src);
  });
}

export async function frameNamed(page, name) {
  for (let i = 0; i < 300; i++) {
    const frame = page.frame({ name });
    if (frame) return frame;
    await page.waitForTimeout(50);
  }
  throw new Error(`no frame named ${name}`);
}

// Opens a frameset entry page in a new tab and waits for its three frames.
export async function openCatalog(session, entry) {
  const page = await session.context.newPage();
  await page.goto(fileUrl(entry));
  const frames = {};
  for (const name of ['file', 'view', 'catalog']) {
    frames[name] = await frameNamed(page, name);
    await frames[name].waitForLoadState('load');
  }
  return { page, ...frames };
}

// The file name of a frame's or page's document.
export function pageName(frame) {
  return decodeURIComponent(frame.url().split('/').pop());
}

// The thumbnail links of a catalog frame: link text and thumbnail address (resolved).
export async function thumbnails(catalog) {
  return catalog.$$eval('a[href^="JavaScript:showcg"]', (links) =>
    links.map((a) => ({ href: a.getAttribute('href'), src: a.querySelector('img').src })));
}

// Clicks the index-th thumbnail and waits until the viewer shows that picture; returns its address.
export async function showThumbnail(catalog, view, index) {
  const thumbs = await thumbnails(catalog);
  await catalog.locator('a[href^="JavaScript:showcg"]').nth(index).click();
  const expected = thumbs[index].src;
  // The same file, whichever characters either address chose to percent-encode.
  await view.waitForFunction((src) => {
    const img = document.getElementById('picture');
    return decodeURIComponent(img.src) === decodeURIComponent(src) && img.complete && img.naturalWidth > 0;
  }, expected, { timeout: 15000 });
  return expected;
}

export async function pictureWidth(view) {
  return view.$eval('#picture', (img) => img.getBoundingClientRect().width);
}

// One browser for a test file, closed with its work folder at the end; assertNoProblems
// fails a test when a page reported an error, a script error or a failed load.
export function useBrowser(dir) {
  const state = {
    session: null,
    assertNoProblems() {
      const found = state.session.problems.splice(0);
      assert.deepEqual(found, [], 'the pages reported errors');
    },
  };
  before(async () => {
    state.session = await launch();
  });
  after(async () => {
    await state.session?.browser.close();
    removeFolder(dir);
  });
  return state;
}
