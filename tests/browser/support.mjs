// Shared ground of the catalog tests: pictures made by ImageMagick, catalogs made by
// quillo, and the browser the run names (QUILLO_TEST_BROWSER): Debian's Chromium driven
// by playwright-core, or Debian's Firefox ESR driven by puppeteer-core over WebDriver
// BiDi. The tests see both through the same small page and frame interface below.
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import assert from 'node:assert/strict';
import { after, before } from 'node:test';

export const PROGRAM_DIR = process.env.QUILLO_PROGRAM_DIR;
export const SOURCE_DIR = process.env.QUILLO_SOURCE_DIR;
if (!PROGRAM_DIR || !SOURCE_DIR) throw new Error('QUILLO_PROGRAM_DIR and QUILLO_SOURCE_DIR must be set');

const CONVERT = '/usr/bin/convert'; // a stand-in convert may come first on PATH
export const BROWSER = process.env.QUILLO_TEST_BROWSER || 'chromium';
if (!['chromium', 'firefox'].includes(BROWSER)) throw new Error(`QUILLO_TEST_BROWSER=${BROWSER}: chromium or firefox`);
export const FIREFOX = process.env.QUILLO_FIREFOX || '/usr/bin/firefox-esr';
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

// Real pictures of the given sizes and types (by the names' extensions), from one
// ImageMagick run: starting convert costs more than drawing a small picture.
// pattern: an ImageMagick source (plasma by default; a gradient is much quicker at camera sizes).
export function makePictures(pictures) {
  const args = pictures.flatMap(({ path, width, height, seed = 1, pattern = 'plasma:red-blue' }, i) => [
    '(', '-seed', String(seed), '-size', `${width}x${height}`, pattern, '-write', path,
    ...(i < pictures.length - 1 ? ['+delete'] : []), ')',
  ]);
  execFileSync(CONVERT, [...args, 'null:']);
}

export function makePicture(path, width, height, seed = 1) {
  makePictures([{ path, width, height, seed }]);
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


const LOAD_TIMEOUT = 30000;
const VIEWPORT = { width: 1200, height: 900 };

const pause = (ms) => new Promise((ok) => setTimeout(ok, ms));

// Asks probe until it gives something truthy (a probe that throws, e.g. while its document is
// being replaced, counts as not yet).
async function poll(what, probe, timeout = LOAD_TIMEOUT) {
  const end = Date.now() + timeout;
  for (;;) {
    const found = await probe().catch(() => null);
    if (found) return found;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await pause(50);
  }
}

// What the tests do with a frame, the same in both browsers.
class Frame {
  constructor(frame) {
    this.frame = frame;
  }

  url() {
    return this.frame.url();
  }

  evaluate(fn, arg) {
    return this.frame.evaluate(fn, arg);
  }

  $eval(selector, fn) {
    return this.frame.$eval(selector, fn);
  }

  $$eval(selector, fn) {
    return this.frame.$$eval(selector, fn);
  }

  count(selector) {
    return this.frame.$$eval(selector, (found) => found.length);
  }

  textContent(selector) {
    return this.frame.$eval(selector, (e) => e.textContent);
  }

  // Resolves once this frame has finished loading the document that action makes it load.
  async navigatedBy(action) {
    await Promise.all([this.frame.waitForNavigation({ timeout: LOAD_TIMEOUT }), action()]);
  }
}

// Chromium through playwright-core.
class PlaywrightFrame extends Frame {
  click(selector, nth = 0) {
    return this.frame.locator(selector).nth(nth).click();
  }

  waitForFunction(fn, arg, timeout) {
    return this.frame.waitForFunction(fn, arg, { timeout });
  }
}

// Firefox through puppeteer-core over WebDriver BiDi.
class PuppeteerFrame extends Frame {
  async click(selector, nth = 0) {
    const found = await this.frame.$$(selector);
    try {
      assert.ok(found[nth], `no element ${nth} of ${selector}`);
      await found[nth].click();
    } finally {
      await Promise.all(found.map((e) => e.dispose()));
    }
  }

  waitForFunction(fn, arg, timeout) {
    return this.frame.waitForFunction(fn, { timeout, polling: 50 }, arg);
  }
}

// A tab or window: its frames are found by the file they show (frame names read back
// empty through BiDi).
class Page {
  constructor(page, FrameKind) {
    this.page = page;
    this.FrameKind = FrameKind;
  }

  goto(url) {
    return this.page.goto(url);
  }

  // Presses a key in whatever has the focus.
  press(key) {
    return this.page.keyboard.press(key);
  }

  setViewport(width, height) {
    return this.page.setViewportSize
      ? this.page.setViewportSize({ width, height })
      : this.page.setViewport({ width, height });
  }

  get main() {
    return new this.FrameKind(this.page.mainFrame());
  }

  frames() {
    return this.page.frames().map((f) => new this.FrameKind(f));
  }

  close() {
    return this.page.close();
  }
}

function watchPage(page, problems) {
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`script error: ${e.message ?? e}`));
  page.on('requestfailed', (r) => problems.push(`load failed: ${r.url()} ${r.failure()?.errorText}`));
}

async function launchChromium() {
  const { chromium } = await import('playwright-core');
  const browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_FLAGS });
  const context = await browser.newContext({ viewport: VIEWPORT });
  const problems = [];
  context.on('page', (page) => watchPage(page, problems));
  const wrap = (page) => new Page(page, PlaywrightFrame);
  return {
    problems,
    newPage: async () => wrap(await context.newPage()),
    nextWindow: (timeout) => context.waitForEvent('page', { timeout }).then(wrap),
    close: () => browser.close(),
  };
}

// Firefox keeps its profile, and its HOME, in a fresh folder of the build for each run.
const STATE_ROOT = process.env.QUILLO_BROWSER_STATE || tmpdir();

// Processes that still name the profile folder, or Firefox's own programs (content
// processes, the crash helper) that name the quit browser's process.
function leftovers(pid, profile) {
  const found = [];
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry) || Number(entry) === process.pid) continue;
    let args;
    try {
      args = readFileSync(`/proc/${entry}/cmdline`, 'latin1').split('\0');
    } catch {
      continue;
    }
    const ours = args[0].includes('firefox') && args.includes(String(pid));
    if (ours || args.some((a) => a.includes(profile))) found.push(Number(entry));
  }
  return found;
}

async function launchFirefox() {
  const { default: puppeteer } = await import('puppeteer-core');
  mkdirSync(STATE_ROOT, { recursive: true });
  const state = mkdtempSync(join(STATE_ROOT, 'firefox-'));
  const home = join(state, 'home');
  const profile = join(state, 'profile');
  mkdirSync(home);
  mkdirSync(profile);
  const browser = await puppeteer.launch({
    browser: 'firefox',
    protocol: 'webDriverBiDi',
    executablePath: FIREFOX,
    headless: true,
    userDataDir: profile,
    defaultViewport: VIEWPORT,
    timeout: 120000,
    protocolTimeout: 120000,
    env: {
      ...process.env,
      HOME: home,
      XDG_CONFIG_HOME: join(home, '.config'),
      XDG_CACHE_HOME: join(home, '.cache'),
      XDG_DATA_HOME: join(home, '.local', 'share'),
      MOZ_CRASHREPORTER_DISABLE: '1',
    },
  });
  const problems = [];
  const watched = new WeakSet();
  const watch = (page) => {
    if (!page || watched.has(page)) return page;
    watched.add(page);
    watchPage(page, problems);
    return page;
  };
  // Pages the tests opened themselves; any other new page is a window a page opened, handed
  // to whoever waits for one.
  const own = new WeakSet();
  const waiting = [];
  browser.on('targetcreated', async (target) => {
    if (target.type() !== 'page') return;
    const page = watch(await target.page());
    if (!page || own.has(page)) return;
    waiting.shift()?.(new Page(page, PuppeteerFrame));
  });
  const pid = browser.process()?.pid;
  return {
    problems,
    async newPage() {
      const page = await browser.newPage();
      own.add(page);
      return new Page(watch(page), PuppeteerFrame);
    },
    nextWindow(timeout) {
      return new Promise((ok, fail) => {
        const timer = setTimeout(() => {
          waiting.splice(waiting.indexOf(taken), 1);
          fail(new Error(`no window opened within ${timeout} ms`));
        }, timeout);
        const taken = (page) => {
          clearTimeout(timer);
          ok(page);
        };
        waiting.push(taken);
      });
    },
    async close() {
      await browser.close();
      // Firefox must be gone, with every process it started, before the profile goes.
      const left = await poll('Firefox to quit', async () => {
        const found = leftovers(pid, profile);
        return found.length ? null : [];
      }, 15000).catch(() => leftovers(pid, profile));
      for (const p of left) {
        try {
          process.kill(p, 'SIGKILL');
        } catch {
          // already gone
        }
      }
      rmSync(state, { recursive: true, force: true });
      assert.deepEqual(left, [], 'Firefox left processes behind after it quit');
    },
  };
}

// One browser per test file; every page records console errors, script errors and failed loads.
export function launch() {
  return BROWSER === 'firefox' ? launchFirefox() : launchChromium();
}

// Waits until the frame shows a document whose file name passes test and has loaded it.
export async function waitForDocument(frame, test, timeout = LOAD_TIMEOUT) {
  await poll(`a document passing ${test} in ${frame.url()}`, async () =>
    test(pageName(frame)) && (await frame.evaluate(() => document.readyState)) === 'complete', timeout);
  return frame;
}

// The frame of page whose document's file name passes test, once that document has loaded.
export async function frameOf(page, test) {
  const frame = await poll(`a frame passing ${test}`, async () => page.frames().find((f) => test(pageName(f))));
  return waitForDocument(frame, test);
}

// Waits until every picture of the frame finished loading; returns those that failed. Thumbnails that load
// lazily are told to load now, as scrolling to each would make them.
export async function brokenImages(frame) {
  return frame.evaluate(async () => {
    const images = [...document.images].filter((img) => img.getAttribute('src'));
    for (const img of images) if (img.loading === 'lazy') img.loading = 'eager';
    await Promise.all(images.map((img) => (img.complete ? null : new Promise((ok) => {
      img.addEventListener('load', ok, { once: true });
      img.addEventListener('error', ok, { once: true });
    }))));
    return images.filter((img) => !(img.naturalWidth > 0)).map((img) => img.src);
  });
}

export const isCatalogPage = (name) => /^index\d+\.html$/.test(name);

// Opens a frameset entry page in a new tab and waits for its three frames.
export async function openCatalog(session, entry) {
  const page = await session.newPage();
  await page.goto(fileUrl(entry));
  return {
    page,
    file: await frameOf(page, (name) => name === 'file.html'),
    view: await frameOf(page, (name) => name === 'control.html'),
    catalog: await frameOf(page, isCatalogPage),
  };
}

// The file name of a frame's document.
export function pageName(frame) {
  return decodeURIComponent(frame.url().split('/').pop().replace(/[?#].*/, ''));
}

// The thumbnail links of a catalog frame: link text, thumbnail address and the address of the picture the
// link shows (both resolved), read by the page's own script.
export async function thumbnails(catalog) {
  return catalog.evaluate(() => {
    const pictures = window.QuilloCatalog.pictures();
    return [...document.querySelectorAll('a[href^="JavaScript:showcg"]')].map((a, i) => ({
      href: a.getAttribute('href'),
      src: a.querySelector('img').src,
      picture: new URL(pictures[i].src, document.baseURI).href,
    }));
  });
}

// The same file, whichever characters either address chose to percent-encode.
export async function waitForPicture(viewer, src) {
  await viewer.waitForFunction((expected) => {
    const decoded = (address) => {
      try {
        return decodeURIComponent(address);
      } catch {
        return address; // bytes that are no UTF-8 stay as they are written
      }
    };
    const img = document.getElementById('picture');
    return img && decoded(img.src) === decoded(expected) && img.complete && img.naturalWidth > 0;
  }, src, 15000);
}

// Clicks the index-th thumbnail and waits until the viewer shows that picture; returns its address.
// thumbs, when given, is what thumbnails() read from the catalog page (each read costs a round trip).
export async function showThumbnail(catalog, view, index, thumbs = null) {
  thumbs ??= await thumbnails(catalog);
  await catalog.click('a[href^="JavaScript:showcg"]', index);
  await waitForPicture(view, thumbs[index].picture);
  return thumbs[index].picture;
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
    try {
      await state.session?.close();
    } finally {
      removeFolder(dir);
    }
  });
  return state;
}
