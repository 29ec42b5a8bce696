#!/usr/bin/env python3
"""Harvest the caches that real Chromium and Firefox filled, as a user would.

    harvest_test.py CACHES_JSON PROGRAM_DIR

For each browser's cache: `quillo --mode backup` copies every picture the site
served into the backup, byte for byte as the server sent it (a gzip page
decoded), each with its address in the analysed index, and writes nothing
inside the browser's folder; the backup view's catalog shows every picture; the
site launcher with GetUrl 2 links each picture shown inside an anchor to the
anchor's target; the engine's link lookup (ZunoGetLinkPage) names the page that
showed each picture; a second backup with nothing new reads no entry again.
"""

import ctypes
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True

CACHES = None
PROGRAM = None
# Setting numbers of zuno.h (enum ZunoSettingNumber) for ZunoPutStr.
ZUNO_OUTPUT_PATH = 8
ZUNO_CACHE_FOLDER = 61


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def snapshot(folder):
    """Every file below a folder with its size, time and digest."""
    out = {}
    for root, _, files in os.walk(folder):
        for name in files:
            p = os.path.join(root, name)
            st = os.stat(p)
            out[p] = (st.st_size, st.st_mtime_ns, sha256(p))
    return out


def files_below(folder):
    return [os.path.join(r, n) for r, _, files in os.walk(folder) for n in files]


class Harvest:
    """One browser's cache harvested into a fresh output folder."""

    def __init__(self, browser, work):
        self.browser = browser
        self.cache = CACHES["caches"][browser]["cache_dir"]
        self.base = CACHES["base_url"]
        self.resources = CACHES["manifest"]["resources"]
        self.work = work
        self.settings = os.path.join(work, "settings")
        self.out = os.path.join(work, "out")
        os.makedirs(self.out)
        os.makedirs(self.settings)
        shutil.copy(os.path.join(PROGRAM, "quillo.ini"), self.settings)
        shutil.copytree(os.path.join(PROGRAM, "html"), os.path.join(self.settings, "html"))
        home = os.path.join(work, "home")
        os.makedirs(home)
        self.env = dict(os.environ, HOME=home, XDG_CACHE_HOME=os.path.join(home, ".cache"),
                        XDG_CONFIG_HOME=os.path.join(home, ".config"), TEMP=work)
        for name in ("OS", "WINDIR", "USERPROFILE"):
            self.env.pop(name, None)

    def quillo(self, *args):
        cmd = [os.path.join(PROGRAM, "quillo"), "-q", "--settings", self.settings, "--output", self.out,
               "--cache-folder", self.cache] + list(args)
        return subprocess.run(cmd, env=self.env, capture_output=True, text=True, timeout=120)

    def pictures(self):
        return [r for r in self.resources if r["kind"] == "picture"]

    def url(self, path):
        return self.base + path


class HarvestTest(unittest.TestCase):
    def harvest(self, browser):
        work = tempfile.mkdtemp(prefix="quillo-harvest-")
        self.addCleanup(shutil.rmtree, work, True)
        return Harvest(browser, work)

    def backup_and_check(self, h):
        before = snapshot(h.cache)
        b = h.quillo("--mode", "backup")
        self.assertEqual(b.returncode, 0, b.stderr)
        catalog = b.stdout.strip()
        run_output = os.path.dirname(os.path.dirname(catalog))
        backup = os.path.join(run_output, "Images", "Content.IE5")
        self.assertEqual(snapshot(h.cache), before, "nothing is written inside the browser's cache")

        by_digest = {}
        for f in files_below(backup):
            by_digest.setdefault(sha256(f), []).append(f)
        analysed = ""
        db = os.path.join(h.settings, "DB")
        for name in os.listdir(db):
            with open(os.path.join(db, name), encoding="utf-8") as f:
                analysed += f.read()
        copies = {}
        for r in h.pictures() + [r for r in h.resources if r["kind"] == "page"]:
            found = by_digest.get(r["sha256"])
            self.assertTrue(found, "%s: %s arrives in the backup as the server sent it" % (h.browser, r["path"]))
            copy = found[0]
            key = "Content.IE5\\" + "\\".join(os.path.relpath(copy, backup).split(os.sep))
            stem, ext = os.path.splitext(key)
            self.assertIn(stem + ext.upper() + "\n" + h.url(r["path"]) + "\n", analysed,
                          "%s: %s has its address" % (h.browser, r["path"]))
            copies[r["path"]] = copy
        return run_output, copies

    def catalog_text(self, folder):
        text = ""
        for name in sorted(os.listdir(folder)):
            if name.endswith(".html"):
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    text += f.read()
        return text

    def check_views(self, h, run_output, copies):
        v = h.quillo("--mode", "view")
        self.assertEqual(v.returncode, 0, v.stderr)
        view = self.catalog_text(os.path.dirname(v.stdout.strip()))
        for r in h.pictures():
            name = os.path.basename(copies[r["path"]])
            self.assertIn(name, view, "%s: the backup view shows %s" % (h.browser, r["path"]))

        s = h.quillo("--mode", "site", "--set", "GetUrl=2")
        self.assertEqual(s.returncode, 0, s.stderr)
        site = self.catalog_text(os.path.dirname(s.stdout.strip()))
        targets = set(re.findall(r'href="([^"]+)"', site))
        for r in h.pictures():
            anchored = [x["target"] for x in r["shown_on"] if x.get("target")]
            if anchored:
                self.assertTrue(any(h.url(t) in targets for t in anchored),
                                "%s: %s links to its anchor's target" % (h.browser, r["path"]))

    def check_link_pages(self, h):
        zuno = ctypes.CDLL(os.path.join(PROGRAM, "libzuno.so"))
        os.environ.update({k: h.env[k] for k in ("HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "TEMP")})
        self.assertIn(zuno.ZunoInit(h.settings.encode()), (0, -2))
        zuno.ZunoPutStr(ZUNO_OUTPUT_PATH, h.out.encode())  # where the backup went
        zuno.ZunoPutStr(ZUNO_CACHE_FOLDER, h.cache.encode())
        for r in h.pictures():
            area = ctypes.create_string_buffer(1024)
            pointer = ctypes.c_char_p(ctypes.addressof(area))
            result = zuno.ZunoGetLinkPage(h.url(r["path"]).encode(), ctypes.byref(pointer))
            pages = [h.url(x["page"]) for x in r["shown_on"]]
            self.assertEqual(result, 0, "%s: a page that showed %s is found" % (h.browser, r["path"]))
            self.assertIn(area.value.decode(), pages, r["path"])

    def check_incremental(self, h, run_output):
        record = os.path.join(run_output, "browser_cache_record.txt")
        with open(record) as f:
            first = f.read()
        images = snapshot(os.path.join(run_output, "Images"))
        again = h.quillo("--mode", "backup")
        self.assertEqual(again.returncode, 0, again.stderr)
        with open(record) as f:
            self.assertEqual(f.read(), first, "nothing new: the record stays as it was")
        after = {p: v for p, v in snapshot(os.path.join(run_output, "Images")).items() if p in images}
        self.assertEqual(after, images, "no copy is written again")

    def run_browser(self, browser):
        if browser not in CACHES["caches"]:
            self.skipTest(browser + " cache was not filled")
        h = self.harvest(browser)
        run_output, copies = self.backup_and_check(h)
        self.check_views(h, run_output, copies)
        self.check_incremental(h, run_output)
        self.check_link_pages(h)

    def test_chromium(self):
        self.run_browser("chromium")

    def test_firefox(self):
        self.run_browser("firefox")


if __name__ == "__main__":
    with open(sys.argv[1]) as f:
        CACHES = json.load(f)
    PROGRAM = sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
