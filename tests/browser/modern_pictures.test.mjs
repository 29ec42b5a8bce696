// A catalog of WebP and AVIF pictures, opened by file:// as a user would, in the browser
// the run names: every thumbnail loads, a click shows the picture in the viewer at the
// size ImageMagick's identify gives it (a turned AVIF included), the zoom works as for a
// JPEG, and (in the Chromium run) a Firefox started by itself shows the same pictures
// from the disk.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { before, describe, test } from 'node:test';
import {
  BROWSER, FIREFOX, useBrowser, brokenImages, fileUrl, openCatalog, pictureWidth, runQuillo, showThumbnail, thumbnails,
  workFolder,
} from './support.mjs';

const CONVERT = '/usr/bin/convert';
const IDENTIFY = '/usr/bin/identify';
const MAKE_AVIF = process.env.QUILLO_MAKE_AVIF;

const dir = workFolder();
const browser = useBrowser(dir);
const { assertNoProblems } = browser;

function convert(...args) {
  execFileSync(CONVERT, args);
}

// The size identify gives the first frame, "WxH".
function identified(path) {
  return execFileSync(IDENTIFY, ['-format', '%wx%h\n', path], { encoding: 'utf8' }).split('\n')[0];
}

describe('catalog of WebP and AVIF pictures', () => {
  const pictures = join(dir, 'pictures');
  const expected = new Map(); // file name -> identify's size
  let entry;

  before(() => {
    execFileSync('mkdir', ['-p', pictures]);
    const source = join(dir, 'source.png');
    convert('-seed', '7', '-size', '180x120', 'plasma:red-blue', source);
    convert(source, '-quality', '60', join(pictures, 'lossy.webp'));
    convert(source, '-resize', '90x150!', '-define', 'webp:lossless=true', join(pictures, 'lossless.webp'));
    convert('-delay', '20', source, '(', source, '-negate', ')', '-loop', '0', join(pictures, 'animated.webp'));
    convert(source, '-resize', '160x100!', join(pictures, 'still.avif'));
    convert(source, join(pictures, 'photo.jpg'));
    assert.ok(MAKE_AVIF, 'QUILLO_MAKE_AVIF names the AVIF test picture maker');
    execFileSync(MAKE_AVIF, [join(pictures, 'turned.avif'), '140', '60', '--angle', '1']);
    for (const name of ['lossy.webp', 'lossless.webp', 'animated.webp', 'still.avif', 'turned.avif', 'photo.jpg'])
      expected.set(name, identified(join(pictures, name)));
    assert.equal(expected.get('turned.avif'), '60x140');
    entry = runQuillo(pictures, join(dir, 'out'), ['--types', 'all']);
  });

  test('every thumbnail loads and each link carries identify\'s size', async () => {
    const { page, catalog } = await openCatalog(browser.session, entry);
    assert.deepEqual(await brokenImages(catalog), []);
    const links = await thumbnails(catalog);
    const seen = new Map();
    for (const { href } of links) {
      const m = href.match(/showcg\('([^']*)',(\d+),(\d+)\)/);
      assert.ok(m, href);
      seen.set(decodeURIComponent(m[1]).split('/').pop(), `${m[2]}x${m[3]}`);
    }
    assert.deepEqual(new Map([...seen].sort()), new Map([...expected].sort()));
    await page.close();
    assertNoProblems();
  });

  test('the viewer shows each picture at its own size and the zoom doubles it', async () => {
    const { page, catalog, view } = await openCatalog(browser.session, entry);
    const links = await thumbnails(catalog);
    for (let i = 0; i < links.length; i++) {
      const shown = await showThumbnail(catalog, view, i, links);
      const name = decodeURIComponent(shown.split('/').pop());
      const natural = await view.$eval('#picture', (img) => `${img.naturalWidth}x${img.naturalHeight}`);
      assert.equal(natural, expected.get(name), `${name} as the browser decodes it`);
      if (!name.endsWith('.avif') && !name.endsWith('.webp')) continue;
      await view.click('#zoom-x12');
      const start = await pictureWidth(view);
      await view.click('#zoom-x2');
      assert.ok(Math.abs((await pictureWidth(view)) - 2 * start) <= 2, `${name} zoomed x2`);
      await view.click('#zoom-x12');
    }
    await page.close();
    assertNoProblems();
  });

  // Firefox as a user starts it, without a driver: a page of the catalog's pictures turns
  // green when every one decodes at identify's size, and a headless screenshot shows which.
  // The Firefox run drives Firefox through the tests above instead.
  const firefoxSkip =
    (BROWSER === 'firefox' && 'the tests above run in Firefox') || (!existsSync(FIREFOX) && 'no Firefox');
  test('Firefox shows the same pictures from the disk', { skip: firefoxSkip }, () => {
    const checks = [...expected].map(([name, size]) => ({ src: fileUrl(join(pictures, name)), size }));
    const html = join(dir, 'firefox-check.html');
    writeFileSync(html, `<!doctype html><meta charset="utf-8"><body style="background:red;margin:0">
<script>
const checks = ${JSON.stringify(checks)};
let good = 0;
for (const c of checks) {
  const img = new Image();
  img.onload = () => { if (img.naturalWidth + 'x' + img.naturalHeight === c.size && ++good === checks.length)
    document.body.style.background = 'rgb(0,255,0)'; };
  img.src = c.src;
  document.body.appendChild(img);
}
</script>`);
    const shot = join(dir, 'firefox.png');
    const profile = join(dir, 'firefox-profile');
    execFileSync('mkdir', ['-p', profile, join(dir, 'firefox-home')]);
    execFileSync(FIREFOX, ['--headless', '--no-remote', '--profile', profile, '--window-size', '400,300',
      '--screenshot', shot, fileUrl(html)], {
      timeout: 120000,
      stdio: 'ignore',
      env: { ...process.env, HOME: join(dir, 'firefox-home'), MOZ_HEADLESS: '1' }, // never the user's own home
    });
    // A corner no picture covers shows the page's verdict.
    const corner = execFileSync(CONVERT, [shot, '-format', '%[pixel:p{395,295}]', 'info:'], { encoding: 'utf8' });
    assert.match(corner, /^s?rgba?\(0,255,0/, `Firefox page colour ${corner}`);
  });
});
